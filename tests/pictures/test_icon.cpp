#include "pictures/Icon.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "../support/Encoded.h"
#include "../support/LittleEndian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;

namespace {

// A classic icon image: 40-byte header with the doubled height, the colour
// bits (bottom-up), then the AND mask. pixels are ARGB, top row first; a
// pixel of alpha 0 sets its mask bit. Depth 8 uses a palette of the colours
// met; 32 keeps alpha in the fourth byte when withAlpha.
QByteArray IconImage(int w, int h, unsigned bpp, const std::vector<QRgb>& pixels,
                     bool withAlpha = false) {
    std::vector<QRgb> palette;
    if (bpp == 8) {
        for (QRgb p : pixels) {
            if (std::find(palette.begin(), palette.end(), p | 0xFF000000) == palette.end()) {
                palette.push_back(p | 0xFF000000);
            }
        }
    }
    Bytes b;
    b.U32(40).U32(w).U32(2 * h).U16(1).U16(bpp).U32(0).U32(0).U32(0).U32(0);
    b.U32(static_cast<std::uint32_t>(palette.size())).U32(0);
    for (QRgb c : palette) {
        b.U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c)).U8(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        const int start = b.data.size();
        for (int x = 0; x < w; ++x) {
            const QRgb p = pixels[y * w + x];
            if (bpp == 8) {
                const auto it = std::find(palette.begin(), palette.end(), p | 0xFF000000);
                b.U8(static_cast<unsigned>(it - palette.begin()));
            } else {
                b.U8(qBlue(p)).U8(qGreen(p)).U8(qRed(p));
                if (bpp == 32) {
                    b.U8(withAlpha ? qAlpha(p) : 0);
                }
            }
        }
        while ((b.data.size() - start) % 4 != 0) {
            b.U8(0);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const int start = b.data.size();
        for (int x = 0; x < w; x += 8) {
            unsigned byte = 0;
            for (int k = 0; k < 8 && x + k < w; ++k) {
                if (qAlpha(pixels[y * w + x + k]) == 0) {
                    byte |= 0x80U >> k;
                }
            }
            b.U8(byte);
        }
        while ((b.data.size() - start) % 4 != 0) {
            b.U8(0);
        }
    }
    return b.data;
}

QByteArray PngImage(int w, int h, QRgb colour) {
    return qcm::testing::Plain(w, h, QColor::fromRgba(colour), "PNG");
}

struct Entry {
    int width, height;
    unsigned bitCount;
    QByteArray image;
};

QByteArray IconFile(const std::vector<Entry>& entries, unsigned type = 1, unsigned reserved = 0) {
    Bytes b;
    b.U16(reserved).U16(type).U16(static_cast<unsigned>(entries.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
    for (const Entry& e : entries) {
        b.U8(e.width & 0xFF).U8(e.height & 0xFF).U8(0).U8(0).U16(1).U16(e.bitCount);
        b.U32(static_cast<std::uint32_t>(e.image.size())).U32(offset);
        offset += e.image.size();
    }
    for (const Entry& e : entries) {
        b.data += e.image;
    }
    return b.data;
}

std::vector<QRgb> Solid(int w, int h, QRgb colour) {
    return std::vector<QRgb>(static_cast<std::size_t>(w * h), colour);
}

std::unique_ptr<TIcon> Load(const QByteArray& bytes) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromBytes(bytes);
    return icon;
}

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;

TEST(IconTest, ChoosesTheImageClosestTo32AndTheDeepest) {
    const QByteArray file = IconFile({
        {16, 16, 32, IconImage(16, 16, 32, Solid(16, 16, kRed))},
        {32, 32, 8, IconImage(32, 32, 8, Solid(32, 32, kGreen))},
        {48, 48, 32, IconImage(48, 48, 32, Solid(48, 48, kRed))},
        {32, 32, 32, IconImage(32, 32, 32, Solid(32, 32, kBlue))},
    });
    auto icon = Load(file);
    EXPECT_EQ(icon->Width(), 32);
    EXPECT_EQ(icon->Height(), 32);
    EXPECT_EQ(icon->Image().pixel(5, 5), kBlue);
    EXPECT_EQ(icon->ImageCount(), 4);
    EXPECT_EQ(icon->ImageAt(2).width(), 48);
}

TEST(IconTest, ReportsTheChosenImageSize) {
    auto icon = Load(IconFile({{24, 14, 24, IconImage(24, 14, 24, Solid(24, 14, kRed))},
                               {0, 0, 32, PngImage(256, 256, kGreen)}}));
    EXPECT_EQ(icon->Width(), 24);
    EXPECT_EQ(icon->Height(), 14);
}

TEST(IconTest, PngEntry) {
    auto icon = Load(IconFile({{40, 30, 32, PngImage(40, 30, 0x80FF0000)}}));
    EXPECT_EQ(icon->Width(), 40);
    EXPECT_EQ(icon->Height(), 30);
    EXPECT_EQ(icon->Image().pixel(0, 0), 0x80FF0000U);
}

TEST(IconTest, MaskAndAlpha) {
    const std::vector<QRgb> pixels = {kRed, 0x00000000, 0x80FFFFFF, kBlue};
    struct Case {
        const char* name;
        unsigned bpp;
        bool withAlpha;
        std::vector<QRgb> expected;
    };
    const Case cases[] = {
        {"8 bpp mask", 8, false, {kRed, 0, 0xFFFFFFFF, kBlue}},
        {"24 bpp mask", 24, false, {kRed, 0, 0xFFFFFFFF, kBlue}},
        {"32 bpp alpha channel wins", 32, true, {kRed, 0, 0x80FFFFFF, kBlue}},
        {"32 bpp zero alpha uses the mask", 32, false, {kRed, 0, 0xFFFFFFFF, kBlue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto icon = Load(IconFile({{2, 2, c.bpp, IconImage(2, 2, c.bpp, pixels, c.withAlpha)}}));
        const QImage& image = icon->Image();
        ASSERT_EQ(image.size(), QSize(2, 2));
        EXPECT_EQ(image.pixel(0, 0), c.expected[0]);
        EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
        EXPECT_EQ(image.pixel(0, 1), c.expected[2]);
        EXPECT_EQ(image.pixel(1, 1), c.expected[3]);
    }
}

TEST(IconTest, BrokenBestImageFallsBackToTheNext) {
    QByteArray broken = IconImage(32, 32, 24, Solid(32, 32, kRed));
    broken[14] = 48; // bit count
    auto icon = Load(IconFile(
        {{32, 32, 24, broken}, {16, 16, 24, IconImage(16, 16, 24, Solid(16, 16, kGreen))}}));
    EXPECT_EQ(icon->Width(), 16);
    EXPECT_THROW(icon->ImageAt(0), EInvalidGraphic);
}

// Directory entries pointing at one broken PNG (shared) and at distinct broken
// PNGs, ahead of a good but smaller image.
QByteArray IconWithBrokenEntries(int shared, int distinct) {
    const QByteArray broken = PngImage(32, 32, kRed).left(40); // IHDR, then cut
    const QByteArray good = IconImage(16, 16, 24, Solid(16, 16, kGreen));
    const int count = shared + distinct + 1;
    const std::uint32_t images = 6 + 16 * static_cast<std::uint32_t>(count);
    Bytes b;
    b.U16(0).U16(1).U16(static_cast<unsigned>(count));
    auto entry = [&b](int side, std::uint32_t offset) {
        b.U8(side).U8(side).U8(0).U8(0).U16(1).U16(32).U32(40).U32(offset);
    };
    for (int i = 0; i < shared; ++i) {
        entry(32, images);
    }
    for (int i = 0; i < distinct; ++i) {
        entry(32, images + 40 * static_cast<std::uint32_t>(i + 1));
    }
    entry(16, images + 40 * static_cast<std::uint32_t>(distinct + 1));
    b.Raw(broken);
    for (int i = 0; i < distinct; ++i) {
        b.Raw(broken);
    }
    return b.Raw(good).data;
}

TEST(IconTest, ManyEntriesPointingAtOneBrokenPngDecodeItOnce) {
    const struct {
        int shared, distinct;
        bool loads;
    } cases[] = {
        {300, 0, true}, // one image however many entries name it
        {65534, 0, true},
        {1, 6, true},   // a few broken images are passed over
        {1, 20, false}, // but not any number of them
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.shared << " shared, " << c.distinct << " distinct");
        TIcon icon;
        if (c.loads) {
            icon.LoadFromBytes(IconWithBrokenEntries(c.shared, c.distinct));
            EXPECT_EQ(icon.Width(), 16);
        } else {
            EXPECT_THROW(icon.LoadFromBytes(IconWithBrokenEntries(c.shared, c.distinct)),
                         EInvalidGraphic);
        }
    }
}

TEST(IconTest, TypeWordZeroOrOne) {
    const std::vector<Entry> one = {{2, 2, 24, IconImage(2, 2, 24, Solid(2, 2, kRed))}};
    EXPECT_EQ(Load(IconFile(one, 0))->Width(), 2);
    EXPECT_EQ(Load(IconFile(one, 1))->Width(), 2);
}

TEST(IconTest, InvalidFilesRaiseTheIconError) {
    const std::vector<Entry> one = {{2, 2, 24, IconImage(2, 2, 24, Solid(2, 2, kRed))}};
    QByteArray offsetPastEnd = IconFile(one);
    offsetPastEnd[18] = '\x7F';
    QByteArray hugePng = PngImage(1, 1, kRed);
    hugePng[16] = '\x7F'; // IHDR width: refused before any allocation
    QByteArray rle = IconImage(2, 2, 8, Solid(2, 2, kRed));
    rle[16] = 1;
    QByteArray topDown = IconImage(2, 2, 24, Solid(2, 2, kRed));
    topDown[11] = '\xFF';
    topDown[10] = '\xFF';
    topDown[9] = '\xFF';
    topDown[8] = '\xFC';
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"cursor type", IconFile(one, 2)},
        {"reserved word", IconFile(one, 1, 1)},
        {"no images", IconFile({})},
        {"directory cut", IconFile(one).left(15)},
        {"image offset past the end", offsetPastEnd},
        {"colour bits cut", IconFile(one).chopped(20)},
        {"png too large", IconFile({{1, 1, 32, hugePng}})},
        {"png corrupt", IconFile({{1, 1, 32, PngImage(1, 1, kRed).left(30)}})},
        {"run-length image", IconFile({{2, 2, 8, rle}})},
        {"top-down image", IconFile({{2, 2, 24, topDown}})},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        TIcon icon;
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        try {
            icon.LoadFromStream(buffer);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Image icône incorrecte"));
        }
        EXPECT_TRUE(icon.Empty());
    }
}

TEST(IconTest, FailedLoadKeepsTheIcon) {
    auto icon = Load(IconFile({{2, 2, 24, IconImage(2, 2, 24, Solid(2, 2, kRed))}}));
    QBuffer bad;
    bad.setData(QByteArray("\0\0\1\0\1\0", 6));
    bad.open(QIODevice::ReadOnly);
    EXPECT_THROW(icon->LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(icon->Width(), 2);
    EXPECT_EQ(icon->ImageCount(), 1);
    EXPECT_EQ(icon->ImageAt(0).pixel(0, 0), kRed);
}

TEST(IconTest, DrawStretches) {
    auto icon = Load(IconFile({{2, 2, 24, IconImage(2, 2, 24, {kRed, kGreen, kBlue, kRed})}}));
    QImage canvas(4, 4, QImage::Format_ARGB32);
    canvas.fill(0);
    QPainter painter(&canvas);
    icon->Draw(painter, QRect(0, 0, 4, 4));
    painter.end();
    EXPECT_EQ(canvas.pixel(3, 0), kGreen);
    EXPECT_EQ(canvas.pixel(0, 3), kBlue);
}

// ---------------------------------------------------------------------------
// Mozilla's icon reftests: each listed entry must decode to its reference
// (size exact, ARGB exact where the reference is not transparent).

QString IcoDir() {
    return QStringLiteral(QCM_CORPUS_DIR "/ico/mozilla-via-mejico");
}

QString FirstDifference(const QImage& decoded, const QImage& reference) {
    if (decoded.size() != reference.size()) {
        return QStringLiteral("size %1x%2").arg(decoded.width()).arg(decoded.height());
    }
    const QImage a = decoded.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (qAlpha(b.pixel(x, y)) != 0 && a.pixel(x, y) != b.pixel(x, y)) {
                return QStringLiteral("pixel %1,%2: %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
            }
        }
    }
    return {};
}

TEST(IconCorpusTest, MozillaReftests) {
    QFile table(IcoDir() + QStringLiteral("/EXPECTED.tsv"));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        GTEST_SKIP() << "icon corpus not present";
    }
    int checked = 0;
    while (!table.atEnd()) {
        const QString line = QString::fromUtf8(table.readLine()).trimmed();
        const QStringList fields = line.split('\t');
        if (line.startsWith('#') || fields.size() < 2 || fields[0] == QLatin1String("ico")) {
            continue;
        }
        SCOPED_TRACE(fields[0].toStdString());
        QFile file(IcoDir() + '/' + fields[0]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        TIcon icon;
        if (fields[1] == QLatin1String("reject")) {
            EXPECT_THROW(icon.LoadFromStream(file), EInvalidGraphic);
            continue;
        }
        ASSERT_NO_THROW(icon.LoadFromStream(file));
        const QString folder = QFileInfo(file.fileName()).path();
        const QStringList refs = fields.value(2).split(' ', Qt::SkipEmptyParts);
        for (int i = 0; i < refs.size(); ++i) {
            if (refs[i] == QLatin1String("-")) {
                continue;
            }
            const QImage reference(folder + '/' + refs[i]);
            ASSERT_FALSE(reference.isNull()) << refs[i].toStdString();
            EXPECT_EQ(FirstDifference(icon.ImageAt(i), reference).toStdString(), "")
                << "entry " << i;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

} // namespace
