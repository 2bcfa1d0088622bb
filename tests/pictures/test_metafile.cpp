#include "test_metafile_builders.h"

#include "../support/TempFolder.h"
#include "pictures/Metafile.h"
#include "pictures/MetafileDib.h"
#include "pictures/Picture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace metafile_test;
using qcm::pictures::EInvalidGraphic;
using qcm::pictures::TMetafile;

namespace {

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::int32_t kNullPen = static_cast<std::int32_t>(0x80000008U);

enum : std::uint16_t {
    META_SAVEDC = 0x001E,
    META_SETROP2 = 0x0104,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_INTERSECTCLIPRECT = 0x0416,
    META_RECTANGLE = 0x041B,
    META_STRETCHDIB = 0x0F43,
    META_TEXTOUT = 0x0521,
    META_PIE = 0x081A,
};

enum : std::uint32_t {
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETROP2 = 20,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_FILLPATH = 62,
    EMR_GDICOMMENT = 70,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYGON16 = 86,
    EMR_POLYGON = 3,
    EMR_SETARCDIRECTION = 57,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_PIE = 47,
};

std::unique_ptr<TMetafile> Load(const QByteArray& bytes) {
    auto m = std::make_unique<TMetafile>();
    m->LoadFromBytes(bytes);
    return m;
}

void LoadInto(TMetafile& m, const QByteArray& bytes) {
    m.LoadFromBytes(bytes);
}

QImage Render(TMetafile& m, QSize size = QSize(100, 100)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    m.Draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kWhitePixel = 0xFFFFFF;
constexpr QRgb kRedPixel = 0xFF0000;
constexpr QRgb kBluePixel = 0x0000FF;

// A red brush selected and the pen removed, as most fill tests start.
Emf& RedFill(Emf& e) {
    return e.Record(EMR_CREATEBRUSHINDIRECT, {1, 0, kRed, 0})
        .Record(EMR_SELECTOBJECT, {1})
        .Record(EMR_SELECTOBJECT, {kNullPen});
}

Wmf& RedFill(Wmf& w) {
    return w.Record(META_CREATEBRUSHINDIRECT, {0, kRed & 0xFFFF, kRed >> 16, 0})
        .Record(META_SELECTOBJECT, {0})
        .Record(META_CREATEPENINDIRECT, {5, 0, 0, 0, 0})
        .Record(META_SELECTOBJECT, {1});
}

} // namespace

// ---- loading -------------------------------------------------------------

TEST(Metafile, WmfFileHoldingAnEnhancedMetafileLoadsAsEnhanced) {
    TempFolder folder;
    Emf e;
    RedFill(e).Record(EMR_RECTANGLE, {0, 0, 999, 999});
    folder.Write(QStringLiteral("dessin.wmf"), e.Bytes());
    qcm::pictures::TPicture picture;
    picture.LoadFromFile(QStringLiteral("dessin.wmf"));
    const auto* metafile = dynamic_cast<const TMetafile*>(picture.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(metafile->Format(), TMetafile::Kind::Enhanced);
}

struct SizeCase {
    const char* name;
    QByteArray bytes;
    int ppi;
    int width;
    int height;
};

TEST(Metafile, ReportsTheSizeOfItsHeader) {
    const SizeCase cases[] = {
        {"one inch at 1000 units", Wmf().Bytes(QRect(0, 0, 1000, 500), 1000), 96, 96, 48},
        {"units per inch 0 means 96", Wmf().Bytes(QRect(0, 0, 1000, 500), 0), 96, 1000, 500},
        {"screen at 120 ppi", Wmf().Bytes(QRect(0, 0, 1000, 500), 1000), 120, 120, 60},
        {"twips, offset box", Wmf().Bytes(QRect(-720, 100, 1440, 720), 1440), 96, 96, 48},
        {"rounding to nearest", Wmf().Bytes(QRect(0, 0, 5, 3), 1000), 96, 0, 0},
        {"emf 10 px per mm", Emf().Bytes(QRect(0, 0, 10000, 5000)), 96, 1000, 500},
        {"emf 1024 px over 320 mm",
         Emf().Bytes(QRect(0, 0, 2540, 2540), QSize(1024, 768), QSize(320, 240)), 96, 81, 81},
        {"emf ignores screen ppi", Emf().Bytes(QRect(0, 0, 10000, 5000)), 120, 1000, 500},
        {"emf without device millimetres",
         Emf().Bytes(QRect(0, 0, 2540, 5080), QSize(1000, 1000), QSize(0, 0)), 96, 96, 192},
    };
    for (const SizeCase& c : cases) {
        qcm::pictures::SetScreenPixelsPerInch([ppi = c.ppi] { return ppi; });
        const auto m = Load(c.bytes);
        EXPECT_EQ(m->Width(), c.width) << c.name;
        EXPECT_EQ(m->Height(), c.height) << c.name;
        EXPECT_FALSE(m->Empty()) << c.name;
    }
    qcm::pictures::SetScreenPixelsPerInch({});
}

struct BadCase {
    const char* name;
    QByteArray bytes;
};

std::vector<BadCase> BadFiles() {
    std::vector<BadCase> cases;
    const QByteArray good = Wmf().Record(META_SAVEDC, {}).Bytes(QRect(0, 0, 100, 100), 1000);
    cases.push_back({"empty", QByteArray()});
    cases.push_back({"shorter than the placeable header", good.left(21)});
    QByteArray key = good;
    key[0] = 0;
    cases.push_back({"bad key", key});
    cases.push_back({"bad checksum", Wmf().Bytes(QRect(0, 0, 100, 100), 1000, false)});
    cases.push_back({"standard header cut", good.left(30)});
    QByteArray headerSize = good;
    headerSize[24] = 8;
    cases.push_back({"standard header size not 9", headerSize});
    QByteArray past = good;
    past[40] = 0x7F; // the SaveDC record's size in words
    cases.push_back({"wmf record past the end", past});
    QByteArray zero = good;
    zero[40] = 0;
    cases.push_back({"wmf record of size 0", zero});
    cases.push_back({"wmf record cut", good.left(good.size() - 8)});

    const QByteArray emf = Emf().Record(EMR_SAVEDC, {}).Bytes();
    QByteArray small = emf;
    small[4] = 40;
    cases.push_back({"emf header size too small", small});
    QByteArray misaligned = emf;
    misaligned[108 + 4] = 10;
    cases.push_back({"emf record size not a multiple of 4", misaligned});
    QByteArray zeroEmf = emf;
    zeroEmf[108 + 4] = 0;
    cases.push_back({"emf record of size 0", zeroEmf});
    QByteArray pastEmf = emf;
    pastEmf[108 + 5] = 0x10;
    cases.push_back({"emf record past the end", pastEmf});
    cases.push_back({"emf of 100 bytes is not enhanced", emf.left(100)});
    return cases;
}

TEST(Metafile, RefusesWhatCannotBeRead) {
    for (const BadCase& c : BadFiles()) {
        try {
            Load(c.bytes);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("MetaFichier incorrect")) << c.name;
        }
    }
}

TEST(Metafile, FailedLoadKeepsThePreviousPicture) {
    auto m = Load(Wmf().Bytes(QRect(0, 0, 1000, 500), 1000));
    EXPECT_THROW(LoadInto(*m, QByteArray("garbage")), EInvalidGraphic);
    EXPECT_EQ(m->Width(), 96);
    EXPECT_EQ(m->Format(), TMetafile::Kind::Placeable);
}

TEST(Metafile, TrailingBytesAfterTheEndRecordAreIgnored) {
    const auto m = Load(Emf().Bytes() + QByteArray(7, 'x'));
    EXPECT_EQ(m->Format(), TMetafile::Kind::Enhanced);
}

// ---- playing ---------------------------------------------------------------

TEST(MetafilePlayer, EmfWindowAndViewportPlaceTheRectangle) {
    Emf e;
    e.Record(EMR_SETMAPMODE, {8})
        .Record(EMR_SETWINDOWORGEX, {0, 0})
        .Record(EMR_SETWINDOWEXTEX, {100, 100})
        .Record(EMR_SETVIEWPORTORGEX, {500, 0})
        .Record(EMR_SETVIEWPORTEXTEX, {1000, 1000});
    RedFill(e).Record(EMR_RECTANGLE, {0, 20, 30, 40}); // output x 50..80, y 20..40
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 65, 30), kRedPixel);
    EXPECT_EQ(At(img, 45, 30), kWhitePixel);
    EXPECT_EQ(At(img, 85, 30), kWhitePixel);
    EXPECT_EQ(At(img, 65, 50), kWhitePixel);
}

TEST(MetafilePlayer, WmfWindowFillsTheTarget) {
    Wmf w;
    w.Record(META_SETWINDOWORG, {100, 100}).Record(META_SETWINDOWEXT, {200, 200});
    RedFill(w).Record(META_RECTANGLE, {300, 300, 200, 200}); // lower right quarter
    auto m = Load(w.Bytes(QRect(0, 0, 1000, 1000), 1000));
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 75, 75), kRedPixel);
    EXPECT_EQ(At(img, 25, 25), kWhitePixel);
    EXPECT_EQ(At(img, 75, 25), kWhitePixel);
}

TEST(MetafilePlayer, RestoreDcBringsBackTheSavedBrush) {
    Emf e;
    RedFill(e)
        .Record(EMR_SAVEDC, {})
        .Record(EMR_CREATEBRUSHINDIRECT, {2, 0, kBlue, 0})
        .Record(EMR_SELECTOBJECT, {2})
        .Record(EMR_RECTANGLE, {0, 0, 500, 1000})
        .Record(EMR_RESTOREDC, {-1})
        .Record(EMR_RECTANGLE, {500, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 25, 50), kBluePixel);
    EXPECT_EQ(At(img, 75, 50), kRedPixel);
}

TEST(MetafilePlayer, WmfRestoreDcToAnAbsoluteLevel) {
    Wmf w;
    RedFill(w)
        .Record(META_SAVEDC, {})
        .Record(META_INTERSECTCLIPRECT, {100, 100, 0, 0})
        .Record(META_SAVEDC, {})
        .Record(META_INTERSECTCLIPRECT, {50, 50, 0, 0})
        .Record(META_RESTOREDC, {1}) // back to before both clips
        .Record(META_RECTANGLE, {1000, 1000, 0, 0});
    auto m = Load(w.Bytes(QRect(0, 0, 1000, 1000), 1000));
    EXPECT_EQ(At(Render(*m), 80, 80), kRedPixel);
}

TEST(MetafilePlayer, ClipRectanglesLimitFilling) {
    Emf e;
    RedFill(e)
        .Record(EMR_INTERSECTCLIPRECT, {0, 0, 500, 1000})
        .Record(EMR_EXCLUDECLIPRECT, {0, 0, 200, 200})
        .Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 30, 50), kRedPixel);
    EXPECT_EQ(At(img, 70, 50), kWhitePixel);
    EXPECT_EQ(At(img, 10, 10), kWhitePixel);
}

TEST(MetafilePlayer, StretchDibitsPutsEachPixelInItsQuadrant) {
    QByteArray bits;
    const QByteArray info = Dib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, &bits);
    QByteArray p;
    for (int v : {0, 0, 1000, 1000}) { // bounds
        Put32(p, static_cast<std::uint32_t>(v));
    }
    for (int v :
         {0, 0, 0, 0, 2, 2, 80, static_cast<int>(info.size()), 80 + static_cast<int>(info.size()),
          static_cast<int>(bits.size()), 0, 0x00CC0020, 1000, 1000}) {
        Put32(p, static_cast<std::uint32_t>(v));
    }
    Emf e;
    e.Raw(EMR_STRETCHDIBITS, p + info + bits);
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 25, 25), 0xFF0000u);
    EXPECT_EQ(At(img, 75, 25), 0x00FF00u);
    EXPECT_EQ(At(img, 25, 75), 0x0000FFu);
    EXPECT_EQ(At(img, 75, 75), 0xFFFFFFu);
}

TEST(MetafilePlayer, WmfStretchDibDrawsThePackedDib) {
    const QByteArray dib = Dib24(2, 1, {0xFF0000, 0x0000FF});
    QByteArray params;
    for (int v : {0x0020, 0x00CC, 0, 1, 2, 0, 0, 1000, 1000, 0, 0}) {
        Put16(params, static_cast<std::uint16_t>(v));
    }
    Wmf w;
    w.Raw(META_STRETCHDIB, params + dib);
    auto m = Load(w.Bytes(QRect(0, 0, 1000, 1000), 1000));
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 25, 50), 0xFF0000u);
    EXPECT_EQ(At(img, 75, 50), 0x0000FFu);
}

// Information header of a 2 x 1 bitmap with an indexed colour table.
QByteArray IndexedInfo(int bpp, std::uint32_t compression, std::uint32_t colorsUsed) {
    QByteArray info;
    for (std::uint32_t v : {40U, 2U, 1U}) {
        Put32(info, v);
    }
    Put16(info, 1);
    Put16(info, static_cast<std::uint16_t>(bpp));
    for (std::uint32_t v : {compression, 0U, 0U, 0U, colorsUsed, 0U}) {
        Put32(info, v);
    }
    return info;
}

TEST(MetafileDib, RecordColoursReachTheSharedDecoder) {
    namespace mf = qcm::pictures::metafile;
    const mf::Monochrome mono{0xFF102030U, 0xFFA0B0C0U};
    QByteArray palIndices = IndexedInfo(8, 0, 2); // DIB_PAL_COLORS: 16-bit entries
    Put16(palIndices, 0x0105);                    // index 261 shows as grey 5
    Put16(palIndices, 200);
    QByteArray rgbTable = IndexedInfo(1, 0, 2);
    Put32(rgbTable, 0x0000FF);
    Put32(rgbTable, 0x00FF00);
    QByteArray shortTable = IndexedInfo(8, 0, 0); // 256 entries declared, 2 present
    Put32(shortTable, 0x0000FF);
    Put32(shortTable, 0x00FF00);
    struct Case {
        const char* name;
        QByteArray info;
        QByteArray bits;
        mf::ColourUsage usage;
        const mf::Monochrome* mono;
        QRgb left, right;
        bool packedToo = true; // the same bytes as one packed DIB decode alike
    };
    const Case cases[] = {
        {"palette indices as greys", palIndices, QByteArray("\x00\x01\0\0", 4),
         mf::ColourUsage::Palette, nullptr, 0xFF050505U, 0xFFC8C8C8U},
        {"palette indices in run-length data",
         [&] {
             QByteArray i = palIndices;
             i[16] = 1; // BI_RLE8
             return i;
         }(),
         QByteArray("\x01\x01\x01\x00\x00\x01", 6), mf::ColourUsage::Palette, nullptr, 0xFFC8C8C8U,
         0xFF050505U},
        {"1 bit, own table", rgbTable, QByteArray("\x40\0\0\0", 4), mf::ColourUsage::Rgb, nullptr,
         0xFF0000FFU, 0xFF00FF00U},
        {"1 bit, brush colours", rgbTable, QByteArray("\x40\0\0\0", 4), mf::ColourUsage::Rgb, &mono,
         mono.zero, mono.one, false},
        {"table shorter than declared", shortTable, QByteArray("\x01\x07\0\0", 4),
         mf::ColourUsage::Rgb, nullptr, 0xFF00FF00U, 0xFF000000U, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage split = mf::DecodeDib(qcm::pictures::ByteReader(c.info),
                                           qcm::pictures::ByteReader(c.bits), c.usage, c.mono);
        ASSERT_EQ(split.format(), QImage::Format_ARGB32);
        EXPECT_EQ(split.pixel(0, 0), c.left);
        EXPECT_EQ(split.pixel(1, 0), c.right);
        if (c.packedToo) {
            const QByteArray packed = c.info + c.bits;
            const QImage whole = mf::DecodePackedDib(qcm::pictures::ByteReader(packed), c.usage);
            EXPECT_EQ(whole, split);
        }
    }
}

QByteArray FontRecord(int handle, int height) {
    QByteArray p;
    Put32(p, static_cast<std::uint32_t>(handle));
    for (int v : {height, 0, 0, 0, 700}) {
        Put32(p, static_cast<std::uint32_t>(v));
    }
    Put32(p, 0);
    Put32(p, 0);
    for (char16_t c : u"DejaVu Sans") {
        Put16(p, c);
    }
    p.resize(12 + 92, '\0');
    return p;
}

QByteArray ExtTextOutW(int x, int y, const QString& text) {
    QByteArray p;
    for (int v : {0, 0, 0, 0, 1}) { // bounds, graphics mode
        Put32(p, static_cast<std::uint32_t>(v));
    }
    Put32(p, 0);
    Put32(p, 0); // scales
    Put32(p, static_cast<std::uint32_t>(x));
    Put32(p, static_cast<std::uint32_t>(y));
    Put32(p, static_cast<std::uint32_t>(text.size()));
    Put32(p, 76); // offString, from the record's start
    Put32(p, 0);  // options
    for (int k = 0; k < 4; ++k) {
        Put32(p, 0);
    }
    Put32(p, 0); // offDx
    for (QChar c : text) {
        Put16(p, c.unicode());
    }
    return p;
}

// Red text in a DejaVu font of the given height, on a clear background.
Emf& RedText(Emf& e, int height, int x, int y, const QString& text) {
    return e.Raw(EMR_EXTCREATEFONTINDIRECTW, FontRecord(1, height))
        .Record(EMR_SELECTOBJECT, {1})
        .Record(EMR_SETBKMODE, {1})
        .Record(EMR_SETTEXTCOLOR, {kRed})
        .Raw(EMR_EXTTEXTOUTW, ExtTextOutW(x, y, text));
}

// An XFORM record's six floats.
QByteArray Xform(std::initializer_list<float> values) {
    QByteArray xf;
    for (float f : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, 4);
        Put32(xf, bits);
    }
    return xf;
}

TEST(MetafilePlayer, TextDrawsInTheTextColourAtItsReference) {
    Emf e;
    RedText(e, -300, 100, 500, QStringLiteral("HH"));
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    int red = 0;
    int above = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 80) {
                ++red;
                above += y < 48 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(red, 50);
    EXPECT_EQ(above, 0) << "top-aligned text starts below its reference";
}

TEST(MetafilePlayer, Rop2NotInvertsAndNopLeavesAlone) {
    Emf e;
    RedFill(e)
        .Record(EMR_SETROP2, {6}) // R2_NOT
        .Record(EMR_RECTANGLE, {0, 0, 500, 1000})
        .Record(EMR_SETROP2, {11}) // R2_NOP
        .Record(EMR_RECTANGLE, {500, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 25, 50), 0x000000u);
    EXPECT_EQ(At(img, 75, 50), kWhitePixel);
}

TEST(MetafilePlayer, PathFilledWhereItWasTraced) {
    QByteArray poly;
    for (int v : {0, 0, 0, 0, 3, 0, 0, 1000, 0, 0, 1000}) {
        Put32(poly, static_cast<std::uint32_t>(v));
    }
    Emf e;
    RedFill(e)
        .Record(EMR_BEGINPATH, {})
        .Raw(EMR_POLYGON, poly)
        .Record(EMR_ENDPATH, {})
        .Record(EMR_FILLPATH, {0, 0, 0, 0});
    auto m = Load(e.Bytes());
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 20, 20), kRedPixel);
    EXPECT_EQ(At(img, 80, 80), kWhitePixel);
}

TEST(MetafilePlayer, CommentsAndUnknownRecordsAreSkipped) {
    QByteArray comment;
    Put32(comment, 16);
    Put32(comment, 0x2B464D45); // "EMF+"
    Put32(comment, 0x40014008);
    Put32(comment, 0xFFFFFFFF);
    Emf e;
    e.Raw(EMR_GDICOMMENT, comment).Record(9999, {1, 2, 3});
    RedFill(e).Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    std::vector<std::string> drawn;
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        m->Play(painter, img.rect(), [&](const std::string& line) { drawn.push_back(line); });
    }
    const std::vector<std::string> expected = {"skip emf 9999", "fill 0,0 100x100"};
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(At(img, 50, 50), kRedPixel);
}

TEST(MetafilePlayer, DumpOfDrawingCallsFollowsTheMapping) {
    Emf e;
    e.Record(EMR_SETMAPMODE, {8})
        .Record(EMR_SETWINDOWEXTEX, {10, 10})
        .Record(EMR_SETVIEWPORTEXTEX, {1000, 1000});
    QByteArray tri;
    for (int v : {0, 0, 0, 0, 3}) {
        Put32(tri, static_cast<std::uint32_t>(v));
    }
    for (int v : {1, 1, 5, 1, 1, 5}) {
        Put16(tri, static_cast<std::uint16_t>(v));
    }
    RedFill(e).Record(EMR_ELLIPSE, {2, 2, 8, 6}).Raw(EMR_POLYGON16, tri);
    auto m = Load(e.Bytes());
    std::vector<std::string> drawn;
    QImage img(200, 200, QImage::Format_RGB32);
    QPainter painter(&img);
    m->Play(painter, img.rect(), [&](const std::string& line) { drawn.push_back(line); });
    const std::vector<std::string> expected = {"fill 40,40 120x80", "fill 20,20 80x80"};
    EXPECT_EQ(drawn, expected);
}

TEST(MetafilePlayer, DrawsIntoTheGivenRectangleOnly) {
    Emf e;
    RedFill(e).Record(EMR_RECTANGLE, {-5000, -5000, 5000, 5000});
    auto m = Load(e.Bytes());
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        m->Draw(painter, QRect(20, 20, 40, 40));
    }
    EXPECT_EQ(At(img, 40, 40), kRedPixel);
    EXPECT_EQ(At(img, 10, 10), kWhitePixel);
    EXPECT_EQ(At(img, 70, 70), kWhitePixel);
}

// ---- damage ----------------------------------------------------------------

TEST(MetafilePlayer, PolygonCountBeyondItsRecordIsSkipped) {
    QByteArray poly;
    for (int v : {0, 0, 0, 0, 0x7FFFFFFF, 0, 0, 1000, 0}) {
        Put32(poly, static_cast<std::uint32_t>(v));
    }
    Emf e;
    RedFill(e).Raw(EMR_POLYGON, poly);
    auto m = Load(e.Bytes());
    EXPECT_EQ(At(Render(*m), 5, 5), kWhitePixel);
}

TEST(MetafilePlayer, RestoreDcWithoutSaveAndZeroExtentsAreIgnored) {
    Emf e;
    e.Record(EMR_RESTOREDC, {-3})
        .Record(EMR_RESTOREDC, {5})
        .Record(EMR_SETMAPMODE, {8})
        .Record(EMR_SETWINDOWEXTEX, {0, 0})
        .Record(EMR_SETVIEWPORTEXTEX, {0, 10});
    RedFill(e).Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    EXPECT_EQ(At(Render(*m), 50, 50), kRedPixel);
}

TEST(MetafilePlayer, NonFiniteWorldTransformIsIgnored) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Emf e;
    e.Raw(EMR_SETWORLDTRANSFORM, Xform({nan, 0.0F, 0.0F, 1.0F, 0.0F, 0.0F}));
    RedFill(e).Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    EXPECT_EQ(At(Render(*m), 50, 50), kRedPixel);
}

TEST(MetafilePlayer, PieRunsCounterClockwiseUnlessTurnedRound) {
    // From 3 o'clock to 12 o'clock: the upper right quarter, or the other three.
    for (const bool clockwise : {false, true}) {
        Emf e;
        if (clockwise) {
            e.Record(EMR_SETARCDIRECTION, {2});
        }
        RedFill(e).Record(EMR_PIE, {0, 0, 1000, 1000, 1000, 500, 500, 0});
        auto m = Load(e.Bytes());
        const QImage img = Render(*m);
        EXPECT_EQ(At(img, 70, 30), clockwise ? kWhitePixel : kRedPixel) << clockwise;
        EXPECT_EQ(At(img, 30, 70), clockwise ? kRedPixel : kWhitePixel) << clockwise;
        EXPECT_EQ(At(img, 30, 30), clockwise ? kRedPixel : kWhitePixel) << clockwise;
    }
}

TEST(MetafilePlayer, WmfPieFollowsTheSameRule) {
    Wmf w;
    RedFill(w).Record(META_PIE, {0, 500, 500, 1000, 1000, 1000, 0, 0});
    auto m = Load(w.Bytes(QRect(0, 0, 1000, 1000), 1000));
    const QImage img = Render(*m);
    EXPECT_EQ(At(img, 70, 30), kRedPixel);
    EXPECT_EQ(At(img, 30, 70), kWhitePixel);
}

TEST(MetafilePlayer, WmfTextIsWindowsAnsi) {
    QByteArray params;
    Put16(params, 3);
    params.append("\xE9t\xE9", 3);
    params.append('\0');
    Put16(params, 100); // y
    Put16(params, 100); // x
    Wmf w;
    w.Raw(META_TEXTOUT, params);
    auto m = Load(w.Bytes(QRect(0, 0, 1000, 1000), 1000));
    std::vector<std::string> drawn;
    QImage img(100, 100, QImage::Format_RGB32);
    QPainter painter(&img);
    m->Play(painter, img.rect(), [&](const std::string& line) { drawn.push_back(line); });
    const std::vector<std::string> expected = {"text \u00e9t\u00e9"};
    EXPECT_EQ(drawn, expected);
}

QByteArray ClipRegion(std::initializer_list<QRect> rects, std::uint32_t mode) {
    QByteArray data;
    Put32(data, 32);
    Put32(data, 1);
    Put32(data, static_cast<std::uint32_t>(rects.size()));
    Put32(data, static_cast<std::uint32_t>(rects.size() * 16));
    for (int k = 0; k < 4; ++k) {
        Put32(data, 0);
    }
    for (const QRect& r : rects) {
        Put32(data, static_cast<std::uint32_t>(r.left()));
        Put32(data, static_cast<std::uint32_t>(r.top()));
        Put32(data, static_cast<std::uint32_t>(r.right()));
        Put32(data, static_cast<std::uint32_t>(r.bottom()));
    }
    QByteArray record;
    Put32(record, static_cast<std::uint32_t>(data.size()));
    Put32(record, mode);
    return record + data;
}

TEST(MetafilePlayer, ClipRegionInDeviceUnitsLimitsFilling) {
    // Rectangles given as left, top, right, bottom (exclusive), in either order.
    for (const bool sorted : {true, false}) {
        const QRect upperLeft(QPoint(0, 0), QPoint(500, 500));
        const QRect lowerRight(QPoint(500, 500), QPoint(1000, 1000));
        Emf e;
        e.Raw(EMR_EXTSELECTCLIPRGN, sorted ? ClipRegion({upperLeft, lowerRight}, 5)
                                           : ClipRegion({lowerRight, upperLeft}, 5));
        RedFill(e).Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
        auto m = Load(e.Bytes());
        const QImage img = Render(*m);
        EXPECT_EQ(At(img, 25, 25), kRedPixel) << sorted;
        EXPECT_EQ(At(img, 75, 75), kRedPixel) << sorted;
        EXPECT_EQ(At(img, 75, 25), kWhitePixel) << sorted;
        EXPECT_EQ(At(img, 25, 75), kWhitePixel) << sorted;
    }
}

TEST(MetafilePlayer, ClipRegionWithExtremeCoordinatesDoesNotOverflow) {
    Emf e;
    e.Raw(EMR_EXTSELECTCLIPRGN,
          ClipRegion({QRect(QPoint(INT32_MIN, INT32_MIN), QPoint(INT32_MAX, INT32_MAX))}, 5));
    RedFill(e).Record(EMR_RECTANGLE, {0, 0, 1000, 1000});
    auto m = Load(e.Bytes());
    EXPECT_EQ(At(Render(*m), 50, 50), kRedPixel);
}

// Qt's glyph cache copied from a null bitmap when FreeType could not render a
// glyph squeezed thin by the world transform.
TEST(MetafilePlayer, SqueezedTextDoesNotCrashTheGlyphCache) {
    struct Row {
        float m11, m12, m21, m22;
        int height;
        bool inked;
    };
    const Row rows[] = {
        {1e-6F, 0, 0, 1000, -10, false},
        {4677.35F, -0.0269F, 0.5623F, -1.41e-6F, 0, false},
        {1000, 0, 0, 1e-4F, -20000, false},
        {10, 0, 0, 1, -300, true}, // wide but readable: still drawn
    };
    for (const Row& r : rows) {
        Emf e;
        e.Raw(EMR_SETWORLDTRANSFORM, Xform({r.m11, r.m12, r.m21, r.m22, 0.0F, 0.0F}));
        RedText(e, r.height, 0, 100, QStringLiteral("HWgj"));
        auto m = Load(e.Bytes());
        const QImage img = Render(*m);
        int red = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                red += qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 80 ? 1 : 0;
            }
        }
        EXPECT_EQ(red > 0, r.inked) << r.m11 << " " << r.m22;
    }
}
