#include "pictures/Bitmap.h"
#include "pictures/Jpeg.h"
#include "pictures/Picture.h"

#include "../support/TempFolder.h"
#include "JpegTestFiles.h"

#include <QBuffer>
#include <QProcess>

#include <gtest/gtest.h>

using namespace qcm;

namespace {

QByteArray SmallJpeg() {
    return qcm::testing::EncodeJpeg(qcm::testing::PhotoLike(8, 6));
}

QByteArray SmallBmp() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qcm::testing::PhotoLike(5, 3).save(&buffer, "BMP");
    return bytes;
}

// The error a load raises, as "Class: message"; empty when it loads.
std::string LoadError(TPicture& picture, const QString& name) {
    try {
        picture.LoadFromFile(name);
    } catch (const Exception& e) {
        return std::string(e.className()) + ": " + e.message().toStdString();
    }
    return {};
}

} // namespace

TEST(FileFormats, ListHoldsTheKindsInRegistrationOrder) {
    const struct {
        const char* extension;
        const char* description;
        const char* kind;
    } expected[] = {
        {"wmf", "MétaFichiers", "TMetafile"},
        {"emf", "MétaFichiers évolués", "TMetafile"},
        {"ico", "Icônes", "TIcon"},
        {"bmp", "Bitmaps", "TBitmap"},
        {"dib", "Device Independent Bitmap", "TDIB"},
        {"gif", "GIF Image", "TGIFImage"},
        {"jpeg", "Fichier image JPEG", "TJPEGImage"},
        {"jpg", "Fichier image JPEG", "TJPEGImage"},
    };
    const auto& entries = TFileFormatsList::Instance().Entries();
    ASSERT_GE(entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].extension);
        EXPECT_EQ(entries[i].Extension, QString::fromUtf8(expected[i].extension));
        EXPECT_EQ(entries[i].Description, QString::fromUtf8(expected[i].description));
        EXPECT_EQ(entries[i].KindName, QLatin1String(expected[i].kind));
        EXPECT_EQ(entries[i].DescriptionResId, 0);
        EXPECT_EQ(entries[i].Create()->ClassName(), entries[i].KindName);
    }
}

TEST(FileFormats, LaterRegistrationHidesAnEarlierOneAndCaseFolds) {
    auto& list = TFileFormatsList::Instance();
    list.Add<TBitmap>(QStringLiteral("Zq"), QStringLiteral("premier"));
    list.Add<TJPEGImage>(QStringLiteral("zQ"), QStringLiteral("second"));
    list.Add<TBitmap>(QStringLiteral("ÉTÉ"), QStringLiteral("accentué"));
    ASSERT_NE(list.Find(QStringLiteral("ZQ")), nullptr);
    EXPECT_EQ(list.Find(QStringLiteral("ZQ"))->Description, QStringLiteral("second"));
    EXPECT_EQ(list.Entries().back().Extension, QStringLiteral("été"));
    ASSERT_NE(list.Find(QStringLiteral("Été")), nullptr);
    EXPECT_EQ(list.Find(QStringLiteral("Été"))->Description, QStringLiteral("accentué"));
    EXPECT_EQ(list.Find(QStringLiteral("jpe")), nullptr);
}

TEST(Picture, JpegExtensionsLoadInAnyCase) {
    TempFolder folder;
    for (const char* name : {"photo.JPG", "photo.jpeg", "photo.Jpg", "PHOTO.JPEG"}) {
        SCOPED_TRACE(name);
        folder.write(QLatin1String(name), SmallJpeg());
        TPicture picture;
        EXPECT_EQ(LoadError(picture, QLatin1String(name)), "");
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_STREQ(picture.Graphic()->ClassName(), "TJPEGImage");
        EXPECT_EQ(picture.Width(), 8);
        EXPECT_EQ(picture.Height(), 6);
    }
}

TEST(Picture, UnknownExtensionNamesItAsWritten) {
    TempFolder folder;
    const std::pair<const char*, const char*> cases[] = {
        {"photo.jpe", "(.jpe)"}, {"photo.JPE", "(.JPE)"},     {"photo", "(.)"},
        {"photo.", "(.)"},       {"album.2024/photo", "(.)"},
    };
    for (const auto& [name, shown] : cases) {
        SCOPED_TRACE(name);
        folder.write(QString::fromUtf8(name), SmallJpeg());
        TPicture picture;
        EXPECT_EQ(LoadError(picture, QString::fromUtf8(name)),
                  std::string("EInvalidGraphic: Extension de fichier graphique inconnue ") + shown);
        EXPECT_EQ(picture.Graphic(), nullptr);
    }
}

TEST(Picture, MissingFileCannotBeOpened) {
    TempFolder folder;
    TPicture picture;
    EXPECT_EQ(LoadError(picture, QStringLiteral("absente.jpg")),
              "EFOpenError: Impossible d'ouvrir le fichier absente.jpg");
}

TEST(Picture, FailedLoadKeepsThePreviousPictureAndReportsNoChange) {
    TempFolder folder;
    folder.write(QStringLiteral("bonne.jpg"), SmallJpeg());
    folder.write(QStringLiteral("mauvaise.jpg"), QByteArray("pas une image"));
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    ASSERT_EQ(LoadError(picture, QStringLiteral("bonne.jpg")), "");
    EXPECT_EQ(changes, 1);
    TGraphic* kept = picture.Graphic();

    const std::string error = LoadError(picture, QStringLiteral("mauvaise.jpg"));
    EXPECT_EQ(error.rfind("EJPEG: Erreur JPEG #", 0), 0u) << error;
    EXPECT_EQ(LoadError(picture, QStringLiteral("absente.jpg")).rfind("EFOpenError", 0), 0u);
    EXPECT_EQ(picture.Graphic(), kept);
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_EQ(changes, 1);
}

TEST(Picture, ChangesOfTheAttachedPictureReachTheOwner) {
    TempFolder folder;
    folder.write(QStringLiteral("a.jpg"), SmallJpeg());
    TPicture picture;
    picture.LoadFromFile(QStringLiteral("a.jpg"));
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    jpeg->Bitmap();
    jpeg->SetScale(TJPEGScale::Half);
    EXPECT_EQ(changes, 1);
}

TEST(Picture, EmptyBmpFileIsAnEmptyPicture) {
    TempFolder folder;
    folder.write(QStringLiteral("vide.bmp"), {});
    TPicture picture;
    ASSERT_EQ(LoadError(picture, QStringLiteral("vide.bmp")), "");
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TBitmap");
    EXPECT_TRUE(picture.Graphic()->Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
}

TEST(Picture, KindIsChosenByExtensionOnly) {
    TempFolder folder;
    folder.write(QStringLiteral("image.gif"), SmallBmp());
    TPicture picture;
    const std::string error = LoadError(picture, QStringLiteral("image.gif"));
    EXPECT_NE(error.find(": Invalid GIF signature"), std::string::npos) << error;
    folder.write(QStringLiteral("image.bmp"), SmallBmp());
    ASSERT_EQ(LoadError(picture, QStringLiteral("image.bmp")), "");
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 3);
}

// ---- qcm-tool picture ----

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QCM_TOOL), QStringList{QStringLiteral("picture")} + args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST(ToolPicture, PrintsKindAndSizeOrTheError) {
    TempFolder folder;
    folder.write(QStringLiteral("photo.jpg"), SmallJpeg());
    folder.write(QStringLiteral("photo.bmp"), SmallBmp());
    folder.write(QStringLiteral("faux.jpg"), QByteArray("texte"));
    const struct {
        const char* file;
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {"photo.jpg", 0, "TJPEGImage 8x6\n", ""},
        {"photo.bmp", 0, "TBitmap 5x3\n", ""},
        {"photo.jpe", 1, "", "EInvalidGraphic: Extension de fichier graphique inconnue (.jpe)\n"},
        {"absente.jpg", 1, "", "EFOpenError: Impossible d'ouvrir le fichier absente.jpg\n"},
        {"faux.jpg", 1, "", "EJPEG: Erreur JPEG #"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ToolRun run = RunTool({folder.file(QLatin1String(c.file))});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, QLatin1String(c.out));
        const QString err = QString(run.err).replace(folder.path() + QLatin1Char('/'), QString());
        // Qt may add its own warnings before ours
        EXPECT_TRUE(*c.err == 0 || err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    }
}

TEST(ToolPicture, WritesThePictureAsPngAtItsSize) {
    TempFolder folder;
    QImage source(16, 8, QImage::Format_RGB32);
    source.fill(qRgb(200, 30, 40));
    folder.write(QStringLiteral("rouge.jpg"), qcm::testing::EncodeJpeg(source));
    const ToolRun run = RunTool({folder.file(QStringLiteral("rouge.jpg")), QStringLiteral("--png"),
                                 folder.file(QStringLiteral("rouge.png"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage png(folder.file(QStringLiteral("rouge.png")), "PNG");
    ASSERT_EQ(png.size(), QSize(16, 8));
    const QRgb centre = png.pixel(8, 4);
    EXPECT_EQ(qAlpha(centre), 255);
    EXPECT_NEAR(qRed(centre), 200, 6);
    EXPECT_NEAR(qGreen(centre), 30, 6);
    EXPECT_NEAR(qBlue(centre), 40, 6);
}

TEST(ReadRest, GivesTheBytesFromThePositionAndLeavesTheStreamAtItsEnd) {
    QByteArray data("0123456789");
    for (const qint64 start : {0, 4, 10}) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(start);
        EXPECT_EQ(qcm::ReadRest(buffer), data.mid(start)) << start;
        EXPECT_TRUE(buffer.atEnd()) << start;
    }
}
