#include "pictures/Bitmap.h"
#include "pictures/ImageLimits.h"

#include "../support/TempFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>

#include "../support/LittleEndian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

// One BMP file. Fields left alone give a valid 40-byte-header file.
struct Bmp {
    int headerSize = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    unsigned planes = 1;
    unsigned bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<QRgb> palette;        // written as BGR0 (BGR after a core header)
    std::vector<std::uint32_t> masks; // after a 40-byte header, inside a bigger one
    QByteArray pixels;
    std::int64_t offBits = -1; // -1: right after the colour table
    QByteArray gap;            // bytes between the table and the pixels

    QByteArray File() const {
        Bytes info;
        info.U32(static_cast<std::uint32_t>(headerSize));
        if (headerSize == 12) {
            info.U16(static_cast<unsigned>(width)).U16(static_cast<unsigned>(height));
            info.U16(planes).U16(bpp);
        } else {
            info.U32(static_cast<std::uint32_t>(width)).U32(static_cast<std::uint32_t>(height));
            info.U16(planes).U16(bpp).U32(compression).U32(sizeImage);
            info.U32(2835).U32(2835).U32(colorsUsed).U32(0);
            if (headerSize > 40) {
                for (std::size_t i = 0; i < 4; ++i) {
                    info.U32(i < masks.size() ? masks[i] : 0);
                }
                while (info.data.size() < headerSize) {
                    info.U8(0);
                }
            } else {
                for (std::uint32_t m : masks) {
                    info.U32(m);
                }
            }
        }
        for (QRgb c : palette) {
            info.U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c));
            if (headerSize != 12) {
                info.U8(0);
            }
        }
        info.Raw(gap);
        const auto off = offBits >= 0 ? offBits : 14 + info.data.size();
        Bytes file;
        file.U8('B').U8('M').U32(14 + info.data.size() + pixels.size()).U32(0);
        file.U32(static_cast<std::uint32_t>(off));
        return file.data + info.data + pixels;
    }
};

template <class Kind> std::unique_ptr<Kind> Load(const QByteArray& bytes) {
    auto picture = std::make_unique<Kind>();
    picture->LoadFromBytes(bytes);
    return picture;
}

template <class Kind> QString ErrorOf(const QByteArray& bytes) {
    try {
        Kind picture;
        picture.LoadFromBytes(bytes);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return QStringLiteral("(accepted)");
}

QRgb At(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

// ---------------------------------------------------------------------------

TEST(BitmapTest, EmptyStreamGivesEmptyPicture) {
    auto bitmap = Load<TBitmap>({});
    EXPECT_TRUE(bitmap->Empty());
    EXPECT_EQ(bitmap->Width(), 0);
    EXPECT_EQ(bitmap->Height(), 0);
    auto dib = Load<TDIB>({});
    EXPECT_TRUE(dib->Empty());
}

struct Variant {
    const char* name;
    Bmp bmp;
    int width, height;
    std::vector<std::tuple<int, int, QRgb>> pixels; // x, y from the top, colour
};

std::vector<Variant> AcceptedVariants() {
    std::vector<Variant> v;
    {
        // Bottom-up: the first stored row is the bottom one.
        Bmp b;
        b.pixels = Hex("0000ff00ff00"
                       "0000"
                       "ff0000ffffff"
                       "0000");
        v.push_back(
            {"rgb24", b, 2, 2, {{0, 1, kRed}, {1, 1, kGreen}, {0, 0, kBlue}, {1, 0, kWhite}}});
        b.height = -2;
        v.push_back({"rgb24 top-down", b, 2, 2, {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}}});
        b.height = 2;
        b.pixels.chop(2);
        v.push_back({"last row without padding", b, 2, 2, {{1, 0, kWhite}}});
    }
    {
        Bmp b;
        b.width = 3;
        b.height = 1;
        b.bpp = 1;
        b.palette = {kRed, kBlue};
        b.pixels = Hex("40000000"); // 010
        v.push_back({"1 bpp", b, 3, 1, {{0, 0, kRed}, {1, 0, kBlue}, {2, 0, kRed}}});
    }
    {
        Bmp b;
        b.width = 3;
        b.height = 1;
        b.bpp = 4;
        b.colorsUsed = 3;
        b.palette = {kRed, kGreen, kBlue};
        b.pixels = Hex("21000000");
        v.push_back({"4 bpp short table", b, 3, 1, {{0, 0, kBlue}, {1, 0, kGreen}, {2, 0, kRed}}});
    }
    {
        Bmp b;
        b.width = 2;
        b.height = 1;
        b.bpp = 8;
        b.colorsUsed = 2;
        b.palette = {kRed, kGreen};
        b.pixels = Hex("01090000");
        v.push_back(
            {"8 bpp index beyond table is black", b, 2, 1, {{0, 0, kGreen}, {1, 0, kBlack}}});
        b.gap = Hex("deadbeef");
        v.push_back({"pixels found through the offset field", b, 2, 1, {{0, 0, kGreen}}});
    }
    {
        Bmp b;
        b.headerSize = 12;
        b.width = 2;
        b.height = 1;
        b.bpp = 8;
        b.palette.assign(256, kBlack);
        b.palette[1] = kGreen;
        b.palette[200] = kBlue;
        b.pixels = Hex("01c80000");
        v.push_back({"core header", b, 2, 1, {{0, 0, kGreen}, {1, 0, kBlue}}});
    }
    {
        Bmp b;
        b.width = 2;
        b.height = 1;
        b.bpp = 16;
        b.pixels = Hex("007cff7f");
        v.push_back({"16 bpp 5-5-5", b, 2, 1, {{0, 0, kRed}, {1, 0, kWhite}}});
        b.compression = 3;
        b.masks = {0xF800, 0x07E0, 0x001F};
        b.pixels = Hex("e0071f00");
        v.push_back({"16 bpp 5-6-5 masks", b, 2, 1, {{0, 0, kGreen}, {1, 0, kBlue}}});
        b.masks = {0x0003, 0x000C, 0x0000}; // 2-bit channels scale to full range
        b.pixels = Hex("02000f00");
        v.push_back(
            {"16 bpp 2-bit masks", b, 2, 1, {{0, 0, qRgb(170, 0, 0)}, {1, 0, qRgb(255, 255, 0)}}});
    }
    {
        Bmp b;
        b.width = 2;
        b.height = 1;
        b.bpp = 32;
        b.pixels = Hex("0000ff00"
                       "ff00007f");
        v.push_back({"32 bpp ignores the fourth byte", b, 2, 1, {{0, 0, kRed}, {1, 0, kBlue}}});
        b.compression = 3;
        b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
        v.push_back({"32 bpp swapped masks", b, 2, 1, {{0, 0, kBlue}, {1, 0, kRed}}});
        b.headerSize = 108;
        v.push_back({"V4 header masks inside", b, 2, 1, {{0, 0, kBlue}}});
        b.headerSize = 124;
        b.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        b.pixels = Hex("0000ff00"
                       "ff000080");
        v.push_back({"V5 alpha", b, 2, 1, {{0, 0, 0x00FF0000}, {1, 0, 0x800000FF}}});
        b.pixels = Hex("0000ff00"
                       "ff000000");
        v.push_back({"V5 alpha all zero is opaque", b, 2, 1, {{0, 0, kRed}, {1, 0, kBlue}}});
    }
    return v;
}

TEST(BitmapTest, AcceptedVariantsDecode) {
    for (const Variant& v : AcceptedVariants()) {
        SCOPED_TRACE(v.name);
        auto bitmap = Load<TBitmap>(v.bmp.File());
        EXPECT_EQ(bitmap->Width(), v.width);
        EXPECT_EQ(bitmap->Height(), v.height);
        EXPECT_FALSE(bitmap->Empty());
        for (auto [x, y, colour] : v.pixels) {
            EXPECT_EQ(At(bitmap->Image(), x, y), colour) << "at " << x << "," << y;
        }
    }
}

QByteArray RleBitmap(unsigned bpp, const QByteArray& data, int width = 4, int height = 3) {
    Bmp b;
    b.width = width;
    b.height = height;
    b.bpp = bpp;
    b.compression = bpp == 8 ? 1 : 2;
    b.palette = {kBlack, kRed, kGreen, kBlue};
    if (bpp == 8) {
        b.colorsUsed = 4;
    }
    b.pixels = data;
    return b.File();
}

// Rows of an RLE picture as letters, top row first: . transparent,
// K black, R red, G green, B blue.
QStringList Rows(const QImage& image) {
    QStringList out;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            switch (At(image, x, y)) {
            case kBlack:
                row += 'K';
                break;
            case kRed:
                row += 'R';
                break;
            case kGreen:
                row += 'G';
                break;
            case kBlue:
                row += 'B';
                break;
            default:
                row += qAlpha(At(image, x, y)) == 0 ? '.' : '?';
            }
        }
        out << row;
    }
    return out;
}

TEST(BitmapTest, RunLengthCodes) {
    struct Case {
        const char* name;
        unsigned bpp;
        const char* data;
        QStringList expected;
    };
    const Case cases[] = {
        {"rle8 runs and end of line",
         8,
         "0201"
         "0202"
         "0000"
         "0403"
         "0001",
         {"....", "BBBB", "RRGG"}},
        {"rle8 absolute run padded",
         8,
         "00030102"
         "0300"
         "0000"
         "0103"
         "0001",
         {"....", "B...", "RGB."}},
        {"rle8 delta skips pixels",
         8,
         "0101"
         "00020101"
         "0102"
         "0001",
         {"....", "..G.", "R..."}},
        {"rle8 early end of bitmap",
         8,
         "0401"
         "0001"
         "0402",
         {"....", "....", "RRRR"}},
        {"rle8 run past the width is clipped",
         8,
         "ff01"
         "0000"
         "0102"
         "0001",
         {"....", "G...", "RRRR"}},
        {"rle8 data ending without a marker",
         8,
         "0201"
         "02",
         {"....", "....", "RR.."}},
        {"rle4 runs alternate nibbles",
         4,
         "0412"
         "0000"
         "0330"
         "0001",
         {"....", "BKB.", "RGRG"}},
        {"rle4 absolute run padded",
         4,
         "00031230"
         "0000"
         "0211"
         "0001",
         {"....", "RR..", "RGB."}},
        {"delta past the last row ends",
         8,
         "00020009"
         "0101",
         {"....", "....", "...."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bitmap = Load<TBitmap>(RleBitmap(c.bpp, Hex(c.data)));
        EXPECT_EQ(Rows(bitmap->Image()), c.expected);
    }
}

TEST(BitmapTest, InvalidFilesRaiseTheBitmapError) {
    std::vector<std::pair<const char*, QByteArray>> cases;
    auto add = [&](const char* name, auto change) {
        Bmp b;
        b.pixels = Hex("0000ff00ff000000ff0000ffffff0000");
        change(b);
        cases.emplace_back(name, b.File());
    };
    add("planes 2", [](Bmp& b) { b.planes = 2; });
    add("planes 0", [](Bmp& b) { b.planes = 0; });
    add("2 bits per pixel", [](Bmp& b) { b.bpp = 2; });
    add("64 bits per pixel", [](Bmp& b) { b.bpp = 64; });
    add("header of 16 bytes", [](Bmp& b) { b.headerSize = 16; });
    add("compression 4", [](Bmp& b) { b.compression = 4; });
    add("rle8 on 24 bits", [](Bmp& b) { b.compression = 1; });
    add("bit fields on 24 bits", [](Bmp& b) {
        b.compression = 3;
        b.masks = {0xFF0000, 0xFF00, 0xFF};
    });
    add("bit fields with a split mask", [](Bmp& b) {
        b.bpp = 32;
        b.compression = 3;
        b.masks = {0xF0F000, 0xFF00, 0xFF};
    });
    add("zero width", [](Bmp& b) { b.width = 0; });
    add("negative width", [](Bmp& b) { b.width = -2; });
    add("zero height", [](Bmp& b) { b.height = 0; });
    add("pixels cut short", [](Bmp& b) { b.pixels.chop(5); });
    add("huge size in a tiny file", [](Bmp& b) {
        b.width = 30000;
        b.height = 30000;
    });
    add("beyond the dimension limit", [](Bmp& b) {
        b.width = 40000;
        b.height = 1;
    });
    add("colour table cut short", [](Bmp& b) {
        b.bpp = 8;
        b.colorsUsed = 1000000;
        b.offBits = 0;
        b.pixels.clear();
    });
    add("top-down run-length", [](Bmp& b) {
        b.bpp = 8;
        b.compression = 1;
        b.height = -2;
        b.pixels = Hex("0001");
    });
    add("run-length bomb", [](Bmp& b) {
        b.bpp = 8;
        b.compression = 1;
        b.width = 30000;
        b.height = 4000;
        b.pixels = Hex("0001");
    });
    add("run-length just past the free size", [](Bmp& b) {
        b.bpp = 8;
        b.compression = 1;
        b.width = 1025;
        b.height = 1024;
        b.pixels = Hex("0001");
    });
    cases.emplace_back("no BM", Hex("424e") + Bmp().File().mid(2));
    cases.emplace_back("13 bytes", Bmp().File().left(13));
    cases.emplace_back("header cut", Bmp().File().left(30));

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        // A picture beyond the pixel limit says so, whatever its kind.
        const std::string_view n(name);
        const bool tropGrande = n == "huge size in a tiny file" || n == "run-length bomb";
        EXPECT_EQ(ErrorOf<TBitmap>(bytes),
                  tropGrande ? TooLargeText() : QStringLiteral("Image bitmap incorrecte"));
        EXPECT_EQ(ErrorOf<TDIB>(bytes),
                  tropGrande ? TooLargeText() : QStringLiteral("不正な DIB です"));
    }
}

TEST(BitmapTest, RunLengthWithinTheFreeSizeNeedsNoData) {
    auto bitmap = Load<TBitmap>(RleBitmap(8, Hex("0001"), 1024, 1024));
    EXPECT_EQ(bitmap->Width(), 1024);
    EXPECT_EQ(qAlpha(At(bitmap->Image(), 1023, 1023)), 0);
}

TEST(BitmapTest, FailedLoadKeepsThePicture) {
    auto bitmap = Load<TBitmap>(AcceptedVariants().front().bmp.File());
    QBuffer bad;
    bad.setData("BMxxxxxxxxxxxxxxxxxxxxxxxx");
    bad.open(QIODevice::ReadOnly);
    EXPECT_THROW(bitmap->LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(bitmap->Width(), 2);
    EXPECT_EQ(At(bitmap->Image(), 0, 0), kBlue);
}

TEST(DibTest, StricterHeaderRules) {
    Bmp v4;
    v4.headerSize = 108;
    v4.pixels = Hex("0000ff00ff000000ff0000ffffff0000");
    EXPECT_EQ(ErrorOf<TBitmap>(v4.File()), QStringLiteral("(accepted)"));
    EXPECT_EQ(ErrorOf<TDIB>(v4.File()), QStringLiteral("不正な DIB です"));

    Bmp core;
    core.headerSize = 12;
    core.pixels = v4.pixels;
    auto dib = Load<TDIB>(core.File());
    EXPECT_EQ(dib->Width(), 2);
    EXPECT_EQ(At(dib->Image(), 0, 0), kBlue);

    // 300 entries: the first 256 are read, the pixels follow the whole table.
    Bmp big;
    big.width = 1;
    big.height = 1;
    big.bpp = 8;
    big.colorsUsed = 300;
    big.palette.assign(300, kBlack);
    big.palette[255] = kGreen;
    big.pixels = Hex("ff000000");
    EXPECT_EQ(At(Load<TDIB>(big.File())->Image(), 0, 0), kGreen);
    big.offBits = 0; // a broken offset field: the table's end is used instead
    EXPECT_EQ(At(Load<TDIB>(big.File())->Image(), 0, 0), kGreen);
}

TEST(BitmapTest, DrawStretchesIntoTheRectangle) {
    auto bitmap = Load<TBitmap>(AcceptedVariants().front().bmp.File());
    QImage canvas(6, 6, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        bitmap->Draw(painter, QRect(2, 2, 4, 4));
    }
    EXPECT_EQ(canvas.pixel(0, 0), kBlack);
    EXPECT_EQ(canvas.pixel(2, 2), kBlue);
    EXPECT_EQ(canvas.pixel(5, 2), kWhite);
    EXPECT_EQ(canvas.pixel(2, 5), kRed);
    EXPECT_EQ(canvas.pixel(5, 5), kGreen);

    // Indexed pictures draw through their converted copy.
    Variant indexed = AcceptedVariants()[3];
    auto oneBit = Load<TBitmap>(indexed.bmp.File());
    QImage small(3, 1, QImage::Format_RGB32);
    QPainter painter(&small);
    oneBit->Draw(painter, QRect(0, 0, 3, 1));
    painter.end();
    EXPECT_EQ(small.pixel(1, 0), kBlue);
}

TEST(BitmapTest, LoadFromFileReadsAnyExtension) {
    TempFolder folder;
    folder.Write(QStringLiteral("fond écran.gif"), AcceptedVariants().front().bmp.File());
    TBitmap bitmap;
    bitmap.LoadFromFile(QStringLiteral("fond écran.gif"));
    EXPECT_EQ(bitmap.Width(), 2);

    folder.Write(QStringLiteral("vide.bmp"), {});
    bitmap.LoadFromFile(QStringLiteral("vide.bmp"));
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Height(), 0);
}

// ---------------------------------------------------------------------------
// bmpsuite: good files must match their reference rendering; questionable
// and bad ones must only be handled without crashing.

QString SuiteDir() {
    return QStringLiteral(QCM_CORPUS_DIR "/bmp/bmpsuite-2.8");
}

bool SamePixels(const QImage& decoded, const QImage& reference) {
    if (decoded.size() != reference.size()) {
        return false;
    }
    const QImage a = decoded.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAlpha(q) == 0 && qAlpha(p) == 0) {
                continue;
            }
            if (p != q) {
                return false;
            }
        }
    }
    return true;
}

TEST(BitmapCorpusTest, BmpSuite) {
    QFile table(SuiteDir() + QStringLiteral("/EXPECTED.tsv"));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    int good = 0;
    int matched = 0;
    while (!table.atEnd()) {
        const QString line = QString::fromUtf8(table.readLine()).trimmed();
        const QStringList fields = line.split('\t');
        if (line.startsWith('#') || fields.size() < 3 || fields[0] == QLatin1String("file")) {
            continue;
        }
        const QString& name = fields[0];
        const QString& cls = fields[1];
        SCOPED_TRACE(name.toStdString());
        QFile file(SuiteDir() + '/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        TBitmap bitmap;
        bool decoded = true;
        try {
            bitmap.LoadFromStream(file);
        } catch (const EInvalidGraphic&) {
            decoded = false;
        }
        if (cls != QLatin1String("g")) {
            continue; // q, b, x: reaching this line without a crash is enough
        }
        ++good;
        ASSERT_TRUE(decoded);
        bool any = false;
        for (const QString& ref : fields[2].split(QStringLiteral(" | "))) {
            any = any || SamePixels(bitmap.Image(), QImage(SuiteDir() + '/' + ref.trimmed()));
        }
        EXPECT_TRUE(any) << "differs from " << fields[2].toStdString();
        matched += any ? 1 : 0;
    }
    EXPECT_GT(good, 20);
    RecordProperty("matched", matched);
}

} // namespace
