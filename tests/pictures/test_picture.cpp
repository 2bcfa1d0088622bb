#include "pictures/Bitmap.h"
#include "pictures/ByteReader.h"
#include "pictures/Jpeg.h"
#include "pictures/Picture.h"

#include "pictures/Gif.h"
#include "pictures/ImageLimits.h"
#include "pictures/Metafile.h"

#include "../support/Encoded.h"
#include "../support/LittleEndian.h"
#include "../support/TempFolder.h"
#include "GifTestEncoder.h"
#include "JpegTestFiles.h"
#include "test_metafile_builders.h"

#include <QBuffer>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <jerror.h>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;

namespace {

QByteArray SmallJpeg() {
    return qcm::testing::EncodeJpeg(qcm::testing::PhotoLike(8, 6));
}

QByteArray SmallBmp() {
    return qcm::testing::Encoded(qcm::testing::PhotoLike(5, 3), "BMP");
}

// The error a load raises, as "Class: message"; empty when it loads.
std::string LoadError(TPicture& picture, const QString& name) {
    try {
        picture.LoadFromFile(name);
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message().toStdString();
    }
    return {};
}

// A GIF of one frame, all pixels 0.
QByteArray Gif(int screenWidth, int screenHeight, int frameWidth, int frameHeight) {
    qcm::test::GifBuilder gif;
    gif.Header(screenWidth, screenHeight, qcm::test::Palette(2));
    gif.Image(0, 0, frameWidth, frameHeight,
              std::vector<std::uint8_t>(static_cast<std::size_t>(frameWidth) * frameHeight, 0), 2);
    return gif.Trailer().bytes;
}

// An 8-bit BMP one row high, grey ramp palette, pixel x = x % 256; the row
// plain or as runs of 255 pixels.
QByteArray StripBmp(int width, bool rle) {
    QByteArray pixels;
    if (rle) {
        for (int x = 0; x < width; x += 255) {
            pixels.append(char(std::min(255, width - x))).append(char(x % 256));
        }
        pixels.append(2, '\0').append('\0').append('\1');
    } else {
        for (int x = 0; x < width; ++x) {
            pixels.append(char(x % 256));
        }
        pixels.append((4 - width % 4) % 4, '\0');
    }
    Bytes b;
    b.U8('B').U8('M').U32(14 + 40 + 1024 + pixels.size()).U32(0).U32(14 + 40 + 1024);
    b.U32(40).U32(width).U32(1).U16(1).U16(8).U32(rle ? 1 : 0).U32(pixels.size());
    b.U32(0).U32(0).U32(256).U32(0);
    for (int i = 0; i < 256; ++i) {
        b.U8(i).U8(i).U8(i).U8(0);
    }
    return b.Raw(pixels).data;
}

// A JPEG whose frame header declares width x height over 8 x 8 of data.
QByteArray JpegDeclaring(int width, int height) {
    return qcm::testing::DeclaringSize(SmallJpeg(), width, height);
}

std::string LoadBytesError(TGraphic& graphic, const QByteArray& bytes) {
    try {
        graphic.LoadFromBytes(bytes);
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message().toStdString();
    }
    return {};
}

} // namespace

TEST(PictureLimits, TinyFilesDeclaringHugePicturesFailWithTheKindsMessage) {
    using metafile_test::Emf;
    using metafile_test::Wmf;
    const auto tooLarge = [](const char* kind, int w, int h) {
        return std::string(kind) + ": " + TooLargeText(w, h).toStdString();
    };
    const struct {
        const char* name;
        std::function<std::unique_ptr<TGraphic>()> kind;
        QByteArray bytes;
        std::string error;
    } cases[] = {
        {"GIF screen 65535 x 65535", [] { return std::make_unique<TGIFImage>(); },
         Gif(65535, 65535, 1, 1), tooLarge("GIFException", 65535, 65535)},
        {"GIF screen 65535 x 1000", [] { return std::make_unique<TGIFImage>(); },
         Gif(65535, 1000, 1, 1), tooLarge("GIFException", 65535, 1000)},
        {"JPEG 32767 x 4096", [] { return std::make_unique<TJPEGImage>(); },
         JpegDeclaring(32767, 4096), tooLarge("EJPEG", 32767, 4096)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TGraphic> graphic = c.kind();
        EXPECT_EQ(LoadBytesError(*graphic, c.bytes), c.error);
        EXPECT_EQ(graphic->Width(), 0);
    }
}

// A metafile is drawn into the rectangle asked for: its reported size
// allocates nothing, and the tool draws one reporting more than the limit
// at the largest size within it.
TEST(PictureLimits, HugeReportedMetafileLoadsAndDrawsWithinTheLimit) {
    // 10 device pixels a millimetre: 655 350 hundredths are 65 535 pixels.
    TMetafile emf;
    EXPECT_EQ(LoadBytesError(emf, metafile_test::Emf().Bytes(QRect(0, 0, 655350, 655350))), "");
    EXPECT_EQ(emf.Width(), 65535);
    QImage small(32, 32, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&small);
    emf.Draw(painter, small.rect());
}

TEST(PictureLimits, LongThinPicturesWithinThePixelLimitLoadAndDraw) {
    const struct {
        const char* name;
        std::function<std::unique_ptr<TGraphic>()> kind;
        QByteArray bytes;
        int width;
    } cases[] = {
        {"BMP 64000 x 1", [] { return std::make_unique<TBitmap>(); }, StripBmp(64000, false),
         64000},
        {"BMP RLE8 64000 x 1", [] { return std::make_unique<TBitmap>(); }, StripBmp(64000, true),
         64000},
        {"GIF 65535 x 1", [] { return std::make_unique<TGIFImage>(); }, Gif(65535, 1, 65535, 1),
         65535},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TGraphic> graphic = c.kind();
        ASSERT_EQ(LoadBytesError(*graphic, c.bytes), "");
        EXPECT_EQ(graphic->Width(), c.width);
        EXPECT_EQ(graphic->Height(), 1);
        QImage canvas(c.width, 1, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        graphic->Draw(painter, canvas.rect());
        painter.end();
        EXPECT_EQ(qAlpha(canvas.pixel(c.width - 1, 0)), 255);
    }
}

TEST(FileFormats, EachExtensionIsReadByItsKind) {
    TempFolder folder;
    const std::pair<const char*, const char*> cases[] = {
        {"image.wmf", "EInvalidGraphic: MetaFichier incorrect"},
        {"image.emf", "EInvalidGraphic: MetaFichier incorrect"},
        {"image.ico", "EInvalidGraphic: Image icône incorrecte"},
        {"image.bmp", "EInvalidGraphic: Image bitmap incorrecte"},
        {"image.dib", "EInvalidGraphic: 不正な DIB です"},
        {"image.gif", "GIFException: Ce fichier n'est pas une image GIF : sa signature manque"},
        {"image.jpeg", "EJPEG: Erreur JPEG #"},
        {"image.jpg", "EJPEG: Erreur JPEG #"},
    };
    for (const auto& [name, error] : cases) {
        SCOPED_TRACE(name);
        folder.Write(QString::fromUtf8(name), QByteArray("pas une image"));
        TPicture picture;
        EXPECT_EQ(LoadError(picture, QString::fromUtf8(name)).rfind(error, 0), 0u);
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
        folder.Write(QLatin1String(name), SmallJpeg());
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
        folder.Write(QString::fromUtf8(name), SmallJpeg());
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
    folder.Write(QStringLiteral("bonne.jpg"), SmallJpeg());
    folder.Write(QStringLiteral("mauvaise.jpg"), QByteArray("pas une image"));
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
    folder.Write(QStringLiteral("a.jpg"), SmallJpeg());
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
    folder.Write(QStringLiteral("vide.bmp"), {});
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
    folder.Write(QStringLiteral("image.gif"), SmallBmp());
    TPicture picture;
    const std::string error = LoadError(picture, QStringLiteral("image.gif"));
    EXPECT_NE(error.find(": Ce fichier n'est pas une image GIF : sa signature manque"),
              std::string::npos)
        << error;
    folder.Write(QStringLiteral("image.bmp"), SmallBmp());
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
    folder.Write(QStringLiteral("photo.jpg"), SmallJpeg());
    folder.Write(QStringLiteral("photo.bmp"), SmallBmp());
    folder.Write(QStringLiteral("faux.jpg"), QByteArray("texte"));
    folder.Write(QStringLiteral("bombe.gif"), Gif(65535, 65535, 1, 1));
    folder.Write(QStringLiteral("a4.wmf"),
                 metafile_test::Wmf().Bytes(QRect(0, 0, 32767, 32767), 1));
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
        {"bombe.gif", 1, "",
         "GIFException: Image trop grande (65535 × 65535 pixels) : QCM n'accepte que les images "
         "d'au plus 33,5 millions de pixels.\n"},
        {"a4.wmf", 0, "TMetafile 3145632x3145632\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ToolRun run = RunTool(
            {folder.File(QLatin1String(c.file)), QStringLiteral("--png"), folder.File("out.png")});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, QLatin1String(c.out));
        const QString err = QString(run.err).replace(folder.Path() + QLatin1Char('/'), QString());
        // Qt may add its own warnings before ours
        EXPECT_TRUE(*c.err == 0 || err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    }
}

TEST(ToolPicture, WritesThePictureAsPngAtItsSize) {
    TempFolder folder;
    QImage source(16, 8, QImage::Format_RGB32);
    source.fill(qRgb(200, 30, 40));
    folder.Write(QStringLiteral("rouge.jpg"), qcm::testing::EncodeJpeg(source));
    const ToolRun run = RunTool({folder.File(QStringLiteral("rouge.jpg")), QStringLiteral("--png"),
                                 folder.File(QStringLiteral("rouge.png"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage png(folder.File(QStringLiteral("rouge.png")), "PNG");
    ASSERT_EQ(png.size(), QSize(16, 8));
    const QRgb centre = png.pixel(8, 4);
    EXPECT_EQ(qAlpha(centre), 255);
    EXPECT_NEAR(qRed(centre), 200, 6);
    EXPECT_NEAR(qGreen(centre), 30, 6);
    EXPECT_NEAR(qBlue(centre), 40, 6);
}

TEST(ByteReader, FieldsOutsideTheViewReadAsZeroAndTheCursorStopsAtTheEnd) {
    const QByteArray data("\x01\x02\x03\x04\x05", 5);
    pictures::ByteReader r(data);
    EXPECT_EQ(r.U32(0), 0x04030201u);
    EXPECT_EQ(r.Be32(1), 0x02030405u);
    EXPECT_EQ(r.U16(4), 0u); // one byte short
    EXPECT_EQ(r.U32(std::size_t(-2)), 0u);
    EXPECT_EQ(r.U8(5), 0u);
    EXPECT_TRUE(r.Has(5, 0));
    EXPECT_FALSE(r.Has(3, std::size_t(-1)));
    EXPECT_EQ(r.Sub(4, 2).Size(), 0u);
    EXPECT_EQ(r.Sub(1, 2).U16(0), 0x0302u);
    EXPECT_EQ(r.From(6).Size(), 0u);

    char buffer[8] = {};
    EXPECT_TRUE(r.Skip(3));
    EXPECT_EQ(r.Read(buffer, 8), 2u);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(r.Next(), -1);
    r.Seek(4);
    EXPECT_FALSE(r.Skip(2));
    EXPECT_EQ(r.Pos(), 5u);
    r.Seek(99);
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ReadRest, GivesTheBytesFromThePositionAndLeavesTheStreamAtItsEnd) {
    QByteArray data("0123456789");
    for (const qint64 start : {0, 4, 10}) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(start);
        EXPECT_EQ(qcm::pictures::ReadRest(buffer), data.mid(start)) << start;
        EXPECT_TRUE(buffer.atEnd()) << start;
    }
}
