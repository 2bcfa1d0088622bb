#include "GifTestEncoder.h"

#include "pictures/Gif.h"
#include "pictures/GifReader.h"
#include "pictures/ImageLimits.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;
using qcm::test::GifBuilder;
using qcm::test::Palette;

namespace {

struct Loaded {
    std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
    QStringList warnings;
    QString error;
    QString errorClass;
};

Loaded Load(const QByteArray& bytes) {
    Loaded result;
    result.image->OnWarning = [&result](TGIFSeverity, const QString& text) {
        result.warnings << text;
    };
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        result.image->LoadFromStream(buffer);
    } catch (const Exception& e) {
        result.error = e.Message();
        result.errorClass = QString::fromLatin1(e.ClassName());
    }
    result.image->OnWarning = nullptr;
    return result;
}

std::vector<std::uint8_t> RandomPixels(std::size_t count, int colors, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> pixels(count);
    for (auto& p : pixels) {
        p = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colors));
    }
    return pixels;
}

std::vector<std::uint8_t> Gradient(int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<std::uint8_t>((x / 3 + y) % 4));
        }
    }
    return pixels;
}

QByteArray Still(int width, int height, const std::vector<std::uint8_t>& pixels,
                 int minCodeSize = 2, bool interlaced = false) {
    return GifBuilder()
        .Header(width, height, Palette(4))
        .Image(0, 0, width, height, pixels, minCodeSize, interlaced)
        .Trailer()
        .bytes;
}

} // namespace

TEST(GifReader, ReadsScreenFramesAndPalette) {
    const auto pixels = Gradient(5, 3);
    Loaded r = Load(Still(5, 3, pixels));
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_TRUE(r.warnings.isEmpty());
    EXPECT_EQ(r.image->Width(), 5);
    EXPECT_EQ(r.image->Height(), 3);
    ASSERT_EQ(r.image->FrameCount(), 1);
    TGIFSubImage& frame = r.image->Frame(0);
    EXPECT_EQ(frame.Data, pixels);
    const QImage& bitmap = frame.Bitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.pixel(2, 1), Palette(4)[pixels[1 * 5 + 2]]);
}

// Round trips over code sizes, interlacing, sizes that fill the code table
// (with and without a clear when it is full) and minimum code sizes above 8.
TEST(GifReader, DecodesWhatTheEncoderWrote) {
    struct Case {
        const char* name;
        int width, height, colors, minCodeSize;
        bool interlaced, clearWhenFull;
    };
    const Case cases[] = {
        {"1 bit", 7, 5, 2, 2, false, true},
        {"4 colours", 16, 16, 4, 2, false, true},
        {"interlaced 16 rows", 16, 16, 4, 2, true, true},
        {"interlaced 1 row", 4, 1, 4, 2, true, true},
        {"interlaced 3 rows", 5, 3, 4, 2, true, true},
        {"interlaced 9 rows", 5, 9, 4, 2, true, true},
        {"table full, cleared", 200, 200, 256, 8, false, true},
        {"table full, deferred clear", 200, 200, 256, 8, false, false},
        {"table full, deferred clear, 4 colours", 300, 300, 4, 2, false, false},
        {"min code size 11", 64, 64, 256, 11, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pixels =
            RandomPixels(static_cast<std::size_t>(c.width) * c.height, c.colors, c.width);
        const QByteArray bytes = GifBuilder()
                                     .Header(c.width, c.height, Palette(256))
                                     .Image(0, 0, c.width, c.height, pixels, c.minCodeSize,
                                            c.interlaced, {}, c.clearWhenFull)
                                     .Trailer()
                                     .bytes;
        Loaded r = Load(bytes);
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join('|').toStdString();
        ASSERT_EQ(r.image->FrameCount(), 1);
        EXPECT_EQ(r.image->Frame(0).Data, pixels);
    }
}

TEST(GifReader, AcceptsFourBytePrefixAndLowerCaseSignature) {
    const QByteArray plain = Still(5, 3, Gradient(5, 3));
    for (const QByteArray& bytes : {QByteArray("JUNK") + plain, QByteArray("gif89a") + plain.mid(6),
                                    QByteArray("\0\0\0\0", 4) + "gIf87A" + plain.mid(6)}) {
        Loaded r = Load(bytes);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_EQ(r.image->FrameCount(), 1);
        EXPECT_EQ(r.image->Frame(0).Data, Gradient(5, 3));
    }
}

// Every error text, each from a stream broken in one place.
TEST(GifReader, ErrorsNameTheFault) {
    const QByteArray header = GifBuilder().Header(4, 4, Palette(4)).bytes;
    const QByteArray image = GifBuilder().Image(0, 0, 4, 4, Gradient(4, 4), 2).bytes;
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* error;
        const char* errorClass;
    };
    const Case cases[] = {
        {"bmp", QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0", 12),
         "Ce fichier n'est pas une image GIF : sa signature manque", "GIFException"},
        {"cut header", QByteArray("GIF89a\x04\0", 8),
         "Image GIF tronquée : les données s'arrêtent trop tôt", "GIFException"},
        {"cut colour map", header.left(header.size() - 2),
         "Image GIF tronquée : les données s'arrêtent trop tôt", "GIFException"},
        {"cut descriptor", header + image.left(5),
         "Image GIF tronquée : les données s'arrêtent trop tôt", "GIFException"},
        {"unknown label", header + QByteArray("!\x02\x00", 3) + image + ";",
         "Image GIF : type d'extension inconnu", "GIFException"},
        {"application block size 9",
         header + QByteArray("!\xFF\x09", 3) + QByteArray(9, 'A') + QByteArray(1, 0) + image,
         "Image GIF : taille de bloc d'extension d'application non prise en charge",
         "GIFException"},
        {"loop sub-block too short",
         header + QByteArray("!\xFF\x0BNETSCAPE2.0\x02\x01\x05\x00", 18) + image,
         "Image GIF : données incorrectes", "GIFException"},
        {"buffer sub-block too short",
         header +
             QByteArray("!\xFF\x0B"
                        "ANIMEXTS1.0\x04\x02\x01\x02\x03\x00",
                        20) +
             image,
         "Image GIF : données incorrectes", "GIFException"},
        {"application block size 12",
         header + QByteArray("!\xFF\x0C", 3) + QByteArray(12, 'A') + QByteArray(1, 0) + image,
         "Erreur abstraite", "EAbstractError"},
        {"minimum code size 12", header + image.left(10) + QByteArray("\x0C\x01\x00\x00", 4),
         "Image GIF : données incorrectes", "GIFException"},
        {"cut comment",
         header + QByteArray("!\xFE\x05"
                             "ab",
                             5),
         "Image GIF tronquée : les données s'arrêtent trop tôt", "GIFException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded r = Load(c.bytes);
        EXPECT_EQ(r.error.toStdString(), c.error);
        EXPECT_EQ(r.errorClass.toStdString(), c.errorClass);
        EXPECT_TRUE(r.image->Empty());
    }
}

TEST(GifReader, CircularTableEntryIsAnError) {
    // Clear, literal 0, then 7 (beyond the next free code 6), which makes the
    // next entry refer to itself; code 7 then walks it.
    const QByteArray codes = test::PackCodes({{4, 3}, {0, 3}, {7, 3}, {1, 3}, {7, 4}, {5, 4}});
    const QByteArray bytes = GifBuilder()
                                 .Header(4, 4, Palette(4))
                                 .Descriptor(0, 0, 4, 4)
                                 .Raw(QByteArray(1, 2) + test::SubBlocks(codes))
                                 .Trailer()
                                 .bytes;
    Loaded r = Load(bytes);
    EXPECT_EQ(r.error.toStdString(), "Image GIF : table de décodage circulaire");
}

// The two errors that only an extension reading its own header can meet.
TEST(GifReader, ExtensionChecksItsOwnHeader) {
    struct Case {
        QByteArray bytes;
        const char* error;
    };
    const Case cases[] = {
        {QByteArray("!\xF9\x04\0\0\0\0\0", 8),
         "Image GIF : erreur interne, l'extension ne correspond pas à son étiquette"},
        {QByteArray("?\xFE\0", 3), "Image GIF : début d'extension incorrect"},
    };
    for (const Case& c : cases) {
        pictures::ByteReader reader(c.bytes);
        TGIFCommentExtension comment;
        try {
            comment.Read(reader, nullptr);
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message().toStdString(), c.error);
        }
    }
}

TEST(GifReader, WarningsLetReadingGoOn) {
    const QByteArray header = GifBuilder().Header(4, 4, Palette(4)).bytes;
    const QByteArray image = GifBuilder().Image(0, 0, 4, 4, Gradient(4, 4), 2).bytes;
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList warnings;
        int frames;
    };
    const Case cases[] = {
        {"unknown block",
         header + image + "x;",
         {"Image GIF : type de bloc inconnu", "Image GIF : marque de fin incorrecte"},
         1},
        {"frame of width 0",
         header + GifBuilder().Image(0, 0, 0, 3, Gradient(4, 4), 2).bytes + ";",
         {"Image GIF : une image sans largeur ou sans hauteur prend la taille de l'écran logique"},
         1},
        {"no trailer", header + image, {}, 1},
        {"zero bytes between blocks",
         header + QByteArray(3, 0) + image + QByteArray(2, 0) + ";",
         {},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded r = Load(c.bytes);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_EQ(r.warnings, c.warnings);
        ASSERT_EQ(r.image->FrameCount(), c.frames);
        EXPECT_EQ(r.image->Frame(0).Data, Gradient(4, 4));
    }
}

TEST(GifReader, WarnsAboutBadExtensionIntroducerAndShortControlBlock) {
    const QByteArray header = GifBuilder().Header(4, 4, Palette(4)).bytes;
    // After a comment, a stray byte stands where an extension or the image
    // should begin: the descriptor is read from it.
    const QByteArray image = GifBuilder().Image(0, 0, 4, 4, Gradient(4, 4), 2).bytes;
    Loaded stray = Load(header + GifBuilder().Comment("hi").bytes + "#" + image.mid(1) + ";");
    EXPECT_EQ(stray.warnings, QStringList{"Image GIF : début d'extension incorrect"});
    EXPECT_EQ(stray.image->FrameCount(), 1);

    Loaded cut = Load(header + QByteArray("!\xF9\x04\x01", 4));
    EXPECT_TRUE(cut.warnings.contains("Image GIF tronquée : les données s'arrêtent trop tôt"));
    EXPECT_EQ(cut.error.toStdString(), "Image GIF tronquée : les données s'arrêtent trop tôt");
}

TEST(GifReader, CutDataKeepsDecodedRowsAndFillValue) {
    const int w = 16;
    const int h = 16;
    const auto pixels = RandomPixels(w * h, 3, 7); // indices 0..2
    for (const int transparent : {-1, 3}) {
        SCOPED_TRACE(transparent);
        GifBuilder gif;
        gif.Header(w, h, Palette(4));
        if (transparent >= 0) {
            gif.Gce(1, 0, transparent);
        }
        gif.Image(0, 0, w, h, pixels, 2);
        // Cut inside the first sub-block: its length says more than there is.
        const qsizetype dataStart = gif.bytes.indexOf(',') + 10 + 1;
        const QByteArray cut = gif.bytes.left(dataStart + 1 + 20);
        Loaded r = Load(cut);
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_TRUE(r.warnings.contains("Image GIF tronquée : les données s'arrêtent trop tôt"));
        EXPECT_TRUE(
            r.warnings.contains("Image GIF : les données s'arrêtent avant le dernier pixel"));
        ASSERT_EQ(r.image->FrameCount(), 1);
        const auto& data = r.image->Frame(0).Data;
        const auto fill = static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0);
        // 20 bytes of 3-bit codes give at least 2 rows; the tail is the fill.
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + 2 * w, pixels.begin()));
        EXPECT_EQ(data.back(), fill);
        const auto decoded = std::mismatch(data.begin(), data.end(), pixels.begin()).first;
        EXPECT_TRUE(std::all_of(decoded + 8, data.end(), [&](auto p) { return p == fill; }));
    }
}

TEST(GifReader, CutInterlacedFrameFillsMissingRows) {
    const auto pixels = RandomPixels(8 * 16, 3, 3);
    GifBuilder gif;
    gif.Header(8, 16, Palette(4)).Image(0, 0, 8, 16, pixels, 2, true);
    const qsizetype dataStart = gif.bytes.indexOf(',') + 10 + 1;
    Loaded r = Load(gif.bytes.left(dataStart + 1 + 12));
    ASSERT_EQ(r.image->FrameCount(), 1);
    const auto& data = r.image->Frame(0).Data;
    // Pass 1 (rows 0 and 8) is complete, row 1 (last pass) is not.
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 8, pixels.begin()));
    EXPECT_TRUE(std::equal(data.begin() + 64, data.begin() + 72, pixels.begin() + 64));
    EXPECT_TRUE(std::all_of(data.begin() + 8, data.begin() + 16, [](auto p) { return p == 0; }));
}

TEST(GifReader, TrailingCommentMakesEmptyLastFrame) {
    const QByteArray bytes = GifBuilder()
                                 .Header(4, 4, Palette(4))
                                 .Image(0, 0, 4, 4, Gradient(4, 4), 2)
                                 .Comment("fin\0cache")
                                 .Trailer()
                                 .bytes;
    Loaded r = Load(bytes);
    ASSERT_EQ(r.image->FrameCount(), 2);
    EXPECT_TRUE(r.image->Frame(1).Empty());
    auto* comment = dynamic_cast<TGIFCommentExtension*>(r.image->Frame(1).Extensions.at(0).get());
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Lines, std::vector<QByteArray>{"fin"});
}

TEST(GifReader, ApplicationExtensionKinds) {
    const QByteArray header = GifBuilder().Header(4, 4, Palette(4)).bytes;
    const QByteArray image = GifBuilder().Image(0, 0, 4, 4, Gradient(4, 4), 2).bytes;
    Loaded r =
        Load(header + GifBuilder().Loop(3).bytes + GifBuilder().Loop(0, "ANIMEXTS1.0").bytes +
             QByteArray("!\xFF\x0BXMP DataXMP\x02hi\x00", 18) +
             QByteArray("!\xFF\x0A"
                        "abcdefghij\x01z\x00",
                        16) +
             image + ";");
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    const auto& ext = r.image->Frame(0).Extensions;
    ASSERT_EQ(ext.size(), 4U);
    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(ext[0].get());
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 3);
    EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(ext[1].get()), nullptr);
    auto* xmp = dynamic_cast<TGIFUnknownAppExtension*>(ext[2].get());
    ASSERT_NE(xmp, nullptr);
    EXPECT_EQ(xmp->Blocks, std::vector<QByteArray>{"hi"});
    auto* ten = dynamic_cast<TGIFUnknownAppExtension*>(ext[3].get());
    ASSERT_NE(ten, nullptr);
    EXPECT_EQ(ten->Blocks, std::vector<QByteArray>{"z"});
}

TEST(GifReader, MaskMarksTransparentPixelsAndOutOfMapIndicesShowBlack) {
    const std::vector<std::uint8_t> pixels = {0, 1, 2, 1, 7, 0};
    const QByteArray bytes = GifBuilder()
                                 .Header(3, 2, Palette(4))
                                 .Gce(1, 0, 1)
                                 .Image(0, 0, 3, 2, pixels, 3)
                                 .Trailer()
                                 .bytes;
    Loaded r = Load(bytes);
    ASSERT_EQ(r.image->FrameCount(), 1);
    TGIFSubImage& frame = r.image->Frame(0);
    EXPECT_TRUE(frame.Transparent);
    const QImage& mask = frame.Mask();
    ASSERT_FALSE(mask.isNull());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(mask.pixelIndex(i % 3, i / 3), pixels[i] == 1 ? 1 : 0) << i;
    }
    EXPECT_EQ(frame.Bitmap().pixel(1, 1), qRgb(0, 0, 0)); // index 7, map of 4
    EXPECT_EQ(frame.Data[4], 7);
}

TEST(GifReader, NoMaskWhenNoPixelIsTransparent) {
    const QByteArray bytes = GifBuilder()
                                 .Header(2, 1, Palette(4))
                                 .Gce(1, 0, 3)
                                 .Image(0, 0, 2, 1, {0, 1}, 2)
                                 .Trailer()
                                 .bytes;
    Loaded r = Load(bytes);
    ASSERT_EQ(r.image->FrameCount(), 1);
    EXPECT_TRUE(r.image->Frame(0).Mask().isNull());
}

TEST(GifReader, RefusesFramesBeyondSizeLimits) {
    // A few bytes may not declare a frame of 4 Gi pixels.
    Loaded r = Load(GifBuilder()
                        .Header(65535, 65535, Palette(2))
                        .Image(0, 0, 65535, 65535, {0}, 2)
                        .Trailer()
                        .bytes);
    EXPECT_EQ(r.error, TooLargeText(65535, 65535));
}

TEST(GifReader, FailedReadPutsStreamBackAndEmptiesPicture) {
    QBuffer buffer;
    buffer.setData(QByteArray("xxGIF89a\x04\0\x04\0\x80\0\0", 15));
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(2);
    TGIFImage image;
    EXPECT_THROW(image.LoadFromStream(buffer), GIFException);
    EXPECT_EQ(buffer.pos(), 2);
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
}
