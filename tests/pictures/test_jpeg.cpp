#include "pictures/Jpeg.h"

#include "JpegTestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include <jerror.h>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;
using qcm::testing::EncodeJpeg;
using qcm::testing::JpegOptions;
using qcm::testing::PhotoLike;

namespace {

std::unique_ptr<TJPEGImage> Load(const QByteArray& bytes) {
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->LoadFromBytes(bytes);
    return jpeg;
}

int LoadErrorCode(const QByteArray& bytes) {
    try {
        auto jpeg = Load(bytes);
        jpeg->Bitmap();
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Erreur JPEG #%1").arg(e.Code()));
        return e.Code();
    }
    return -1;
}

// Four solid quarters: red, green / blue, white.
QImage Quarters() {
    QImage image(64, 64, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 32, 32, QColor(255, 0, 0));
    p.fillRect(32, 0, 32, 32, QColor(0, 255, 0));
    p.fillRect(0, 32, 32, 32, QColor(0, 0, 255));
    p.fillRect(32, 32, 32, 32, QColor(255, 255, 255));
    return image;
}

void ExpectNear(QRgb actual, QRgb expected, int tolerance) {
    EXPECT_NEAR(qRed(actual), qRed(expected), tolerance);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance);
}

class ScreenDepth {
public:
    explicit ScreenDepth(int (*depth)()) { SetScreenDepthSource(depth); }
    ~ScreenDepth() { SetScreenDepthSource(nullptr); }
};

} // namespace

TEST(Jpeg, ReadingParsesOnlyTheHeaderAndDecodesOnceOnFirstDraw) {
    auto jpeg = Load(EncodeJpeg(PhotoLike(70, 45)));
    int starts = 0;
    int ends = 0;
    jpeg->OnProgress = [&](TProgressStage stage, int, const QString&) {
        starts += stage == TProgressStage::Starting;
        ends += stage == TProgressStage::Ending;
    };
    EXPECT_EQ(jpeg->Width(), 70);
    EXPECT_EQ(jpeg->Height(), 45);
    EXPECT_FALSE(jpeg->Empty());
    EXPECT_FALSE(jpeg->IsGrayscaleFile());
    EXPECT_FALSE(jpeg->ProgressiveFile());
    EXPECT_FALSE(jpeg->Decoded());

    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 3; ++i) {
        QPainter painter(&canvas);
        jpeg->Draw(painter, canvas.rect());
    }
    EXPECT_TRUE(jpeg->Decoded());
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(jpeg->Bitmap().size(), QSize(70, 45));
}

TEST(Jpeg, DecodedColoursAreInBlueGreenRedOrderWhereTheyBelong) {
    auto jpeg = Load(EncodeJpeg(Quarters()));
    const QImage& bitmap = jpeg->Bitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_RGB32);
    ExpectNear(bitmap.pixel(10, 10), qRgb(255, 0, 0), 6);
    ExpectNear(bitmap.pixel(50, 10), qRgb(0, 255, 0), 6);
    ExpectNear(bitmap.pixel(10, 50), qRgb(0, 0, 255), 6);
    ExpectNear(bitmap.pixel(50, 50), qRgb(255, 255, 255), 6);
    EXPECT_EQ(qAlpha(bitmap.pixel(10, 10)), 255);
}

TEST(Jpeg, AdobeCmykAndYcckComeOutInTheirColours) {
    for (const bool ycck : {false, true}) {
        SCOPED_TRACE(ycck ? "YCCK" : "CMYK");
        JpegOptions options;
        options.cmyk = true;
        options.ycck = ycck;
        auto jpeg = Load(EncodeJpeg(Quarters(), options));
        jpeg->SetPixelFormat(TJPEGPixelFormat::Bits8); // CMYK stays 24-bit
        const QImage& bitmap = jpeg->Bitmap();
        ASSERT_EQ(bitmap.format(), QImage::Format_RGB32);
        ExpectNear(bitmap.pixel(10, 10), qRgb(255, 0, 0), 8);
        ExpectNear(bitmap.pixel(50, 10), qRgb(0, 255, 0), 8);
        ExpectNear(bitmap.pixel(10, 50), qRgb(0, 0, 255), 8);
        ExpectNear(bitmap.pixel(50, 50), qRgb(255, 255, 255), 8);
    }
}

TEST(Jpeg, GreyAndEightBitOutputsUseAPaletteOfAtMost236Colours) {
    struct Case {
        const char* name;
        bool greyFile;
        bool greySetting;
        TJPEGPixelFormat format;
        bool greyPalette;
    };
    const Case cases[] = {
        {"grey file", true, false, TJPEGPixelFormat::Bits24, true},
        {"grey setting", false, true, TJPEGPixelFormat::Bits24, true},
        {"8-bit colour", false, false, TJPEGPixelFormat::Bits8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegOptions options;
        options.grayscale = c.greyFile;
        auto jpeg = Load(EncodeJpeg(Quarters(), options));
        EXPECT_EQ(jpeg->IsGrayscaleFile(), c.greyFile);
        jpeg->SetGrayscale(c.greySetting);
        jpeg->SetPixelFormat(c.format);
        const QImage& bitmap = jpeg->Bitmap();
        ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
        EXPECT_LE(bitmap.colorCount(), 236);
        EXPECT_GT(bitmap.colorCount(), 1);
        for (QRgb colour : bitmap.colorTable()) {
            if (c.greyPalette) {
                ASSERT_EQ(qRed(colour), qGreen(colour));
                ASSERT_EQ(qRed(colour), qBlue(colour));
            }
        }
        if (c.greyPalette) {
            // red and blue have clearly different luminance
            EXPECT_GT(qGray(bitmap.pixel(10, 10)), qGray(bitmap.pixel(10, 50)) + 30);
            EXPECT_GT(qGray(bitmap.pixel(50, 50)), 230);
        } else {
            ExpectNear(bitmap.pixel(10, 10), qRgb(255, 0, 0), 40);
            ExpectNear(bitmap.pixel(10, 50), qRgb(0, 0, 255), 40);
        }
    }
}

TEST(Jpeg, ScaleSettingShrinksTheBitmapButNotTheReportedSize) {
    const std::pair<TJPEGScale, QSize> cases[] = {
        {TJPEGScale::FullSize, {100, 60}},
        {TJPEGScale::Half, {50, 30}},
        {TJPEGScale::Quarter, {25, 15}},
        {TJPEGScale::Eighth, {13, 8}},
    };
    auto jpeg = Load(EncodeJpeg(PhotoLike(100, 60)));
    for (const auto& [scale, size] : cases) {
        jpeg->SetScale(scale);
        EXPECT_EQ(jpeg->Bitmap().size(), size);
        EXPECT_EQ(jpeg->Width(), 100);
        EXPECT_EQ(jpeg->Height(), 60);
    }
}

TEST(Jpeg, ChangingADecodeSettingDropsTheKeptBitmap) {
    auto jpeg = Load(EncodeJpeg(PhotoLike(16, 16)));
    int changes = 0;
    jpeg->OnChange = [&] { ++changes; };
    jpeg->Bitmap();
    jpeg->SetSmoothing(true); // unchanged: keeps it
    EXPECT_TRUE(jpeg->Decoded());
    jpeg->SetPerformance(TJPEGPerformance::BestSpeed);
    EXPECT_FALSE(jpeg->Decoded());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(jpeg->Bitmap().size(), QSize(16, 16));
}

TEST(Jpeg, BadDataRaisesTheLibraryMessageCode) {
    const QByteArray good = EncodeJpeg(PhotoLike(40, 40));
    const qsizetype sos = good.indexOf("\xff\xda");
    ASSERT_GT(sos, 0);
    const struct {
        const char* name;
        QByteArray bytes;
        int code;
    } cases[] = {
        {"text", QByteArray("Bonjour, ceci n'est pas une image"), JERR_NO_SOI},
        {"PNG signature", QByteArray("\x89PNG\r\n\x1a\n0000", 12), JERR_NO_SOI},
        {"start marker only", QByteArray("\xff\xd8", 2), JERR_NO_IMAGE},
        {"cut before the scan", good.left(sos), JERR_SOF_NO_SOS},
        {"12-bit frame",
         [&] {
             QByteArray b = good;
             b[b.indexOf("\xff\xc0") + 4] = 12;
             return b;
         }(),
         JERR_BAD_PRECISION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadErrorCode(c.bytes), c.code);
    }
}

TEST(Jpeg, DataCutInsideTheScanStillDecodesWithoutError) {
    const QByteArray good = EncodeJpeg(PhotoLike(64, 64));
    auto jpeg = Load(good.left(good.size() * 2 / 3));
    EXPECT_EQ(jpeg->Bitmap().size(), QSize(64, 64));
}

TEST(Jpeg, HugeDeclaredSizeInATinyFileIsRefusedAtReading) {
    QByteArray bomb = EncodeJpeg(PhotoLike(8, 8));
    const qsizetype sof = bomb.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    // 30000 x 30000
    bomb[sof + 5] = char(0x75);
    bomb[sof + 6] = char(0x30);
    bomb[sof + 7] = char(0x75);
    bomb[sof + 8] = char(0x30);
    try {
        Load(bomb);
        ADD_FAILURE();
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), JERR_IMAGE_TOO_BIG);
        EXPECT_EQ(e.Message(), QStringLiteral("Image trop grande (30000 × 30000 pixels) : QCM "
                                              "n'accepte que les images d'au plus 33,5 millions "
                                              "de pixels."));
    }
}

TEST(Jpeg, ThousandsOfScansAreRefusedInsteadOfDecodedForMinutes) {
    JpegOptions options;
    options.progressive = true;
    const QByteArray good = EncodeJpeg(PhotoLike(64, 64), options);
    const qsizetype lastScan = good.lastIndexOf("\xff\xda");
    const qsizetype end = good.lastIndexOf("\xff\xd9");
    ASSERT_GT(end, lastScan);
    QByteArray many = good.left(end);
    for (int i = 0; i < 600; ++i) {
        many += good.mid(lastScan, end - lastScan);
    }
    many += QByteArray("\xff\xd9", 2);
    EXPECT_EQ(LoadErrorCode(many), JERR_NOTIMPL);
    // a few repeats are only warned about, and the picture decodes
    QByteArray few =
        good.left(end) + good.mid(lastScan, end - lastScan) + QByteArray("\xff\xd9", 2);
    EXPECT_EQ(LoadErrorCode(few), -1);
}

TEST(Jpeg, EmptyStreamGivesAnEmptyPicture) {
    auto jpeg = Load({});
    EXPECT_TRUE(jpeg->Empty());
    EXPECT_EQ(jpeg->Width(), 0);
    EXPECT_EQ(jpeg->Height(), 0);
    EXPECT_TRUE(jpeg->Bitmap().isNull());
    QImage canvas(4, 4, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    jpeg->Draw(painter, canvas.rect());
}

TEST(Jpeg, SizeCannotBeChanged) {
    auto jpeg = Load(EncodeJpeg(PhotoLike(8, 8)));
    try {
        jpeg->SetSize(4, 4);
        FAIL() << "no error";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Impossible de modifier la taille d'une image JPEG"));
    }
    EXPECT_EQ(jpeg->Width(), 8);
}

TEST(Jpeg, ProgressiveDisplayEndsWithTheSamePictureAsOneDecode) {
    JpegOptions options;
    options.progressive = true;
    const QByteArray bytes = EncodeJpeg(PhotoLike(80, 50), options);
    auto once = Load(bytes);
    auto shown = Load(bytes);
    EXPECT_TRUE(once->ProgressiveFile());
    shown->SetProgressiveDisplay(true);
    QImage canvas(80, 50, QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        shown->Draw(painter, canvas.rect());
    }
    EXPECT_EQ(shown->Bitmap(), once->Bitmap());
    EXPECT_EQ(canvas, once->Bitmap());
}

TEST(Jpeg, ProgressListenerErrorLeavesNoBitmap) {
    auto jpeg = Load(EncodeJpeg(PhotoLike(16, 16)));
    jpeg->OnProgress = [](TProgressStage stage, int, const QString&) {
        if (stage == TProgressStage::Starting) {
            throw EInvalidGraphic(QStringLiteral("arrêt"));
        }
    };
    EXPECT_THROW(jpeg->Bitmap(), EInvalidGraphic);
    EXPECT_FALSE(jpeg->Decoded());
}

TEST(Jpeg, DefaultsFollowTheScreenDepth) {
    EXPECT_EQ(TJPEGDefaults::ForScreenDepth(16).PixelFormat, TJPEGPixelFormat::Bits24);
    EXPECT_EQ(TJPEGDefaults::ForScreenDepth(8).PixelFormat, TJPEGPixelFormat::Bits8);
    {
        ScreenDepth eightBits([] { return 8; });
        EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::Bits8);
        auto jpeg = Load(EncodeJpeg(PhotoLike(8, 8)));
        EXPECT_EQ(jpeg->Bitmap().format(), QImage::Format_Indexed8);
    }
    ScreenDepth trueColour([] { return 24; });
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::Bits24);
}

TEST(Jpeg, AssignSharesThePicture) {
    auto source = Load(EncodeJpeg(PhotoLike(12, 10)));
    source->SetScale(TJPEGScale::Half);
    source->Bitmap();
    TJPEGImage copy;
    copy.Assign(*source);
    EXPECT_EQ(copy.Width(), 12);
    EXPECT_EQ(copy.Scale(), TJPEGScale::Half);
    EXPECT_TRUE(copy.Decoded());
    EXPECT_EQ(copy.Bitmap().size(), QSize(6, 5));
}

// ---- Real-world files ----

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString CorpusDir() {
    return QStringLiteral(QCM_CORPUS_DIR "/jpeg");
}

// What a file decodes to: "refused", or the MD5 of the size, the format and
// the pixels as RGB32, as libjpeg-turbo keeps for its test images.
QByteArray Decoded(const QByteArray& bytes) {
    QImage image;
    try {
        image = Load(bytes)->Bitmap();
    } catch (const EJPEG&) {
        return "refused";
    }
    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()) +
                (image.format() == QImage::Format_Indexed8 ? " indexed" : " rgb"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        md5.addData(QByteArrayView(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                                   qsizetype{rgb.width()} * 4));
    }
    return md5.result().toHex();
}

} // namespace

// The checksums were taken when every decoded file matched, pixel for pixel,
// libjpeg called directly with the same settings.
TEST(JpegCorpus, EveryFileDecodesToItsChecksumOrIsRefused) {
    if (!QDir(CorpusDir()).exists()) {
        GTEST_SKIP() << "no corpus at " << CorpusDir().toStdString();
    }
    QFile table(QStringLiteral(QCM_TEST_DATA_DIR "/jpeg/decoded.md5"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    int decoded = 0;
    int refused = 0;
    while (!table.atEnd()) {
        const QList<QByteArray> fields = table.readLine().trimmed().split(' ');
        ASSERT_EQ(fields.size(), 2);
        const QString name = QString::fromUtf8(fields[1]);
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadFile(CorpusDir() + QLatin1Char('/') + name);
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_EQ(Decoded(bytes), fields[0]);
        ++(fields[0] == "refused" ? refused : decoded);
    }
    // 12-bit, lossless and DNL files are refused.
    EXPECT_GT(decoded, 200);
    EXPECT_GT(refused, 50);
    int files = 0;
    for (QDirIterator it(CorpusDir(), {QStringLiteral("*.jpg")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext(); it.next()) {
        ++files;
    }
    EXPECT_EQ(decoded + refused, files) << "files missing from the table";
}

TEST(JpegCorpus, ClassicTestImageMatchesItsSource) {
    const QString dir = CorpusDir() + QStringLiteral("/libjpeg-turbo/");
    if (!QFile::exists(dir + QStringLiteral("testorig.jpg"))) {
        GTEST_SKIP() << "no corpus";
    }
    const QImage ours = Load(ReadFile(dir + QStringLiteral("testorig.jpg")))->Bitmap();
    const QImage source(dir + QStringLiteral("testorig.ppm"));
    ASSERT_FALSE(source.isNull());
    ASSERT_EQ(ours.size(), source.size());
    long total = 0;
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y);
            const QRgb b = source.pixel(x, y);
            total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                     std::abs(qBlue(a) - qBlue(b));
        }
    }
    EXPECT_LT(double(total) / (3.0 * ours.width() * ours.height()), 4.0);
    EXPECT_EQ(LoadErrorCode(ReadFile(dir + QStringLiteral("testorig12.jpg"))), JERR_BAD_PRECISION);
}
