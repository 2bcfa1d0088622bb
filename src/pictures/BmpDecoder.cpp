#include "BmpDecoder.h"

#include "ByteReader.h"
#include "ImageLimits.h"

#include <QList>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace qcm::pictures {
namespace {

// Failure reasons, one per check.
constexpr const char* kNotBmp = "no BM signature";
constexpr const char* kHeaderTruncated = "header truncated";
constexpr const char* kHeaderSize = "unsupported header size";
constexpr const char* kDimensions = "bad dimensions";
constexpr const char* kPlanes = "planes not 1";
constexpr const char* kDepth = "unsupported bit depth";
constexpr const char* kCompression = "unsupported compression";
constexpr const char* kMasks = "bad bit-field masks";
constexpr const char* kTopDownRle = "top-down run-length image";
constexpr const char* kTooLarge = kDibTooLarge;
constexpr const char* kRleTooShort = "run-length data too short for the size";
constexpr const char* kTableTruncated = "colour table truncated";
constexpr const char* kPixelsTruncated = "pixel data truncated";
constexpr const char* kNoMemory = "out of memory";

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

constexpr QRgb kOpaque = 0xFF000000U;

// Pixel rows are checked whole against the reader once, then read in place.
std::uint32_t Pixel16(const uchar* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}
std::uint32_t Pixel32(const uchar* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

struct Header {
    std::int64_t size = 0;
    bool core = false;
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute; for icons the colour image only
    bool topDown = false;
    unsigned bpp = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
    std::int64_t maskBytes = 0;           // masks stored after the header
};

bool Contiguous(std::uint32_t mask) {
    if (mask == 0) {
        return true;
    }
    const std::uint64_t run = (std::uint64_t{mask} >> std::countr_zero(mask)) + 1;
    return std::has_single_bit(run);
}

const char* ParseHeader(const ByteReader& r, DibRules rules, Header& h) {
    const auto n = static_cast<std::int64_t>(r.Size());
    if (n < 4) {
        return kHeaderTruncated;
    }
    h.size = r.U32(0);
    h.core = h.size == 12;
    if (!h.core && (h.size < 40 || (rules == DibRules::StrictDib && h.size != 40))) {
        return kHeaderSize;
    }
    if (h.size > n) {
        return kHeaderTruncated;
    }
    std::int64_t rawHeight = 0;
    std::uint32_t planes = 0;
    if (h.core) {
        h.width = r.U16(4);
        rawHeight = r.U16(6);
        planes = r.U16(8);
        h.bpp = r.U16(10);
    } else {
        h.width = r.I32(4);
        rawHeight = r.I32(8);
        planes = r.U16(12);
        h.bpp = r.U16(14);
        h.compression = r.U32(16);
        h.sizeImage = r.U32(20);
        h.colorsUsed = r.U32(32);
    }
    if (planes != 1) {
        return kPlanes;
    }
    switch (h.bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return kDepth;
    }
    const bool compressionFits = (h.compression == kRgb) ||
                                 (h.compression == kRle8 && h.bpp == 8) ||
                                 (h.compression == kRle4 && h.bpp == 4) ||
                                 (h.compression == kBitFields && (h.bpp == 16 || h.bpp == 32));
    if (!compressionFits ||
        (rules == DibRules::Icon && h.compression != kRgb && h.compression != kBitFields)) {
        return kCompression;
    }
    h.topDown = rawHeight < 0;
    h.height = h.topDown ? -rawHeight : rawHeight;
    if (rules == DibRules::Icon) {
        // The stored height covers the colour bits and the AND mask.
        if (h.topDown) {
            return kDimensions;
        }
        h.height /= 2;
    }
    if (h.width <= 0 || h.height <= 0) {
        return kDimensions;
    }
    if (h.topDown && (h.compression == kRle8 || h.compression == kRle4)) {
        return kTopDownRle;
    }
    if (!WithinLimits(h.width, h.height)) {
        return kTooLarge;
    }

    if (h.compression == kBitFields) {
        std::size_t m = 40;
        if (h.size < 52) {
            // A plain information header is followed by the three masks.
            h.maskBytes = 12;
            if (h.size + h.maskBytes > n) {
                return kHeaderTruncated;
            }
            m = static_cast<std::size_t>(h.size);
        }
        h.masks = {r.U32(m), r.U32(m + 4), r.U32(m + 8), h.size >= 56 ? r.U32(52) : 0U};
        if (!std::all_of(h.masks.begin(), h.masks.end(), Contiguous)) {
            return kMasks;
        }
    } else if (h.bpp == 16) {
        h.masks = {0x7C00U, 0x03E0U, 0x001FU, 0U};
    } else if (h.bpp == 32) {
        // Icons keep an alpha channel in the fourth byte; bitmaps ignore it.
        h.masks = {0xFF0000U, 0xFF00U, 0xFFU, rules == DibRules::Icon ? 0xFF000000U : 0U};
    }
    return nullptr;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) {
            return;
        }
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        if (max_ < 4096) {
            table_.resize(max_ + 1);
            for (std::uint32_t v = 0; v <= max_; ++v) {
                table_[v] = Scale(v);
            }
        }
    }
    bool Present() const { return mask_ != 0; }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (mask_ == 0) {
            return 0;
        }
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return table_.empty() ? Scale(v) : table_[v];
    }

private:
    std::uint8_t Scale(std::uint32_t v) const {
        return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
    }
    std::uint32_t mask_;
    int shift_ = 0;
    std::uint32_t max_ = 0;
    std::vector<std::uint8_t> table_;
};

struct BitFields {
    explicit BitFields(const std::array<std::uint32_t, 4>& m)
        : red(m[0]), green(m[1]), blue(m[2]), alpha(m[3]) {}
    QRgb operator()(std::uint32_t px) const {
        const std::uint32_t a = alpha.Present() ? alpha(px) : 255U;
        return a << 24 | red(px) << 16 | green(px) << 8 | blue(px);
    }
    Channel red, green, blue, alpha;
};

using Palette = std::array<QRgb, 256>;

// Rows of the file in order; the image row each one lands on.
int DestRow(const Header& h, std::int64_t fileRow) {
    return static_cast<int>(h.topDown ? fileRow : h.height - 1 - fileRow);
}

void DecodeIndexed(const Header& h, const uchar* data, std::int64_t stride, QImage& img) {
    const auto width = static_cast<int>(h.width);
    for (std::int64_t r = 0; r < h.height; ++r) {
        const uchar* src = data + r * stride;
        uchar* dst = img.scanLine(DestRow(h, r));
        switch (h.bpp) {
        case 8:
            std::memcpy(dst, src, static_cast<std::size_t>(width));
            break;
        case 4:
            for (int x = 0; x + 1 < width; x += 2) {
                const uchar b = *src++;
                dst[x] = b >> 4;
                dst[x + 1] = b & 0x0F;
            }
            if (width % 2 != 0) {
                dst[width - 1] = *src >> 4;
            }
            break;
        default: // 1: Format_Mono has the same bit order
            std::memcpy(dst, src, static_cast<std::size_t>((width + 7) / 8));
            break;
        }
    }
}

void Decode24(const Header& h, const uchar* data, std::int64_t stride, QImage& img) {
    const auto width = static_cast<int>(h.width);
    for (std::int64_t r = 0; r < h.height; ++r) {
        const uchar* src = data + r * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(DestRow(h, r)));
        for (int x = 0; x < width; ++x, src += 3) {
            dst[x] = kOpaque | std::uint32_t{src[2]} << 16 | std::uint32_t{src[1]} << 8 | src[0];
        }
    }
}

// Returns the OR of every alpha value written (0 when there is no alpha).
std::uint32_t Decode16(const Header& h, const uchar* data, std::int64_t stride, QImage& img) {
    const BitFields fields(h.masks);
    std::vector<QRgb> lut(65536);
    for (std::uint32_t v = 0; v < lut.size(); ++v) {
        lut[v] = fields(v);
    }
    const auto width = static_cast<int>(h.width);
    std::uint32_t alphaSeen = 0;
    for (std::int64_t r = 0; r < h.height; ++r) {
        const uchar* src = data + r * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(DestRow(h, r)));
        for (int x = 0; x < width; ++x, src += 2) {
            dst[x] = lut[Pixel16(src)];
        }
        if (fields.alpha.Present()) {
            for (int x = 0; x < width; ++x) {
                alphaSeen |= dst[x] >> 24;
            }
        }
    }
    return alphaSeen;
}

std::uint32_t Decode32(const Header& h, const uchar* data, std::int64_t stride, QImage& img) {
    const auto width = static_cast<int>(h.width);
    const bool standard = h.masks[0] == 0xFF0000U && h.masks[1] == 0xFF00U && h.masks[2] == 0xFFU;
    const bool alpha = h.masks[3] != 0;
    std::uint32_t alphaSeen = 0;
    if (standard && (h.masks[3] == 0 || h.masks[3] == 0xFF000000U)) {
        // Already the in-memory layout of RGB32/ARGB32 on little-endian
        // machines; byte reads keep it right on others.
        for (std::int64_t r = 0; r < h.height; ++r) {
            const uchar* src = data + r * stride;
            auto* dst = reinterpret_cast<QRgb*>(img.scanLine(DestRow(h, r)));
            if (alpha) {
                for (int x = 0; x < width; ++x) {
                    dst[x] = Pixel32(src + 4 * x);
                    alphaSeen |= dst[x] >> 24;
                }
            } else {
                for (int x = 0; x < width; ++x) {
                    dst[x] = Pixel32(src + 4 * x) | kOpaque;
                }
            }
        }
        return alphaSeen;
    }
    const BitFields fields(h.masks);
    for (std::int64_t r = 0; r < h.height; ++r) {
        const uchar* src = data + r * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(DestRow(h, r)));
        for (int x = 0; x < width; ++x) {
            dst[x] = fields(Pixel32(src + 4 * x));
            alphaSeen |= alpha ? dst[x] >> 24 : 0U;
        }
    }
    return alphaSeen;
}

// Run-length data, 8 or 4 bits per pixel, rows from the bottom. Output is
// clipped to the image; pixels never written stay transparent.
void DecodeRle(const Header& h, const ByteReader& p, const Palette& pal, QImage& img) {
    const auto n = static_cast<std::int64_t>(p.Size());
    const bool four = h.compression == kRle4;
    const std::int64_t width = h.width;
    const std::int64_t height = h.height;
    uchar* const bits = img.bits();
    const std::int64_t bytesPerLine = img.bytesPerLine();
    std::int64_t x = 0;
    std::int64_t y = 0; // counted from the bottom row
    auto row = [&] { return reinterpret_cast<QRgb*>(bits + (height - 1 - y) * bytesPerLine); };
    QRgb* dst = row();
    std::int64_t i = 0;
    while (i + 1 < n) {
        const unsigned count = p.U8(i);
        const unsigned value = p.U8(i + 1);
        i += 2;
        if (count > 0) {
            const std::int64_t end = std::min<std::int64_t>(x + count, width);
            if (four) {
                const QRgb colours[2] = {pal[value >> 4], pal[value & 0x0F]};
                for (std::int64_t k = 0; x < end; ++x, ++k) {
                    dst[x] = colours[k & 1];
                }
            } else {
                std::fill(dst + x, dst + end, pal[value]);
                x = end;
            }
            continue;
        }
        if (value == 0 || value == 2) { // end of line, delta
            if (value == 0) {
                x = 0;
                ++y;
            } else {
                if (i + 1 >= n) {
                    return;
                }
                x = std::min<std::int64_t>(x + p.U8(i), width);
                y += p.U8(i + 1);
                i += 2;
            }
            if (y >= height) {
                return;
            }
            dst = row();
            continue;
        }
        if (value == 1) { // end of bitmap
            return;
        }
        // Absolute run, padded to a 16-bit boundary.
        const std::int64_t bytes = four ? (value + 1) / 2 : value;
        const std::int64_t have = std::min(bytes, n - i);
        const std::int64_t pixels = four ? std::min<std::int64_t>(value, have * 2) : have;
        const std::int64_t end = std::min(x + pixels, width);
        for (std::int64_t k = 0; x < end; ++x, ++k) {
            const uchar b = p.U8(static_cast<std::size_t>(i + (four ? k / 2 : k)));
            dst[x] = pal[four ? ((k & 1) != 0 ? b & 0x0F : b >> 4) : b];
        }
        i += bytes + (bytes & 1);
    }
}

// Icons: an AND bit of 1 makes the pixel transparent. Rows missing from a
// short file stay opaque.
void ApplyMask(const Header& h, const ByteReader& mask, QImage& img) {
    const std::int64_t stride = ((h.width + 31) / 32) * 4;
    const auto width = static_cast<int>(h.width);
    for (std::int64_t r = 0; r < h.height && mask.Has(r * stride, stride); ++r) {
        const uchar* src = mask.Bytes() + r * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(h.height - 1 - r)));
        for (int x = 0; x < width; ++x) {
            if (((src[x >> 3] >> (7 - (x & 7))) & 1) != 0) {
                dst[x] = 0;
            }
        }
    }
}

void MakeOpaque(QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            row[x] |= kOpaque;
        }
    }
}

// Colour table: 3-byte entries after a core header, 4-byte otherwise, 2-byte
// indices into the caller's palette when it gives one. dataStart is where the
// pixels would follow the table.
const char* ReadTable(const ByteReader& r, const Header& h, std::int64_t pixelOffset,
                      DibPalette indices, Palette& pal, std::int64_t& dataStart) {
    const auto n = static_cast<std::int64_t>(r.Size());
    const std::int64_t entrySize = !indices.empty() ? 2 : h.core ? 3 : 4;
    const std::int64_t tableStart = h.size + h.maskBytes;
    std::int64_t count = 0;
    if (h.bpp <= 8) {
        count = (h.core || h.colorsUsed == 0) ? (std::int64_t{1} << h.bpp) : h.colorsUsed;
    } else if (!h.core) {
        count = h.colorsUsed; // an optional table that only gets skipped
    }
    std::int64_t used = h.bpp <= 8 ? std::min<std::int64_t>(count, 256) : 0;
    dataStart = tableStart + count * entrySize;
    if (pixelOffset >= tableStart && pixelOffset <= n) {
        // Trust the file header: it skips gaps and allows short tables.
        dataStart = pixelOffset;
        used = std::min(used, (pixelOffset - tableStart) / entrySize);
    }
    if (tableStart + used * entrySize > n) {
        return kTableTruncated;
    }
    if (dataStart > n) {
        return kPixelsTruncated;
    }
    pal.fill(kOpaque);
    for (std::int64_t i = 0; i < used; ++i) {
        const auto e = static_cast<std::size_t>(tableStart + i * entrySize);
        pal[i] = !indices.empty() ? indices[r.U16(e) % indices.size()]
                                  : kOpaque | std::uint32_t{r.U8(e + 2)} << 16 |
                                        std::uint32_t{r.U8(e + 1)} << 8 | r.U8(e);
    }
    return nullptr;
}

// The pixels of a parsed header, avail bytes of them at data.
DibResult DecodePixels(const Header& h, const Palette& pal, DibRules rules,
                       const ByteReader& pixels) {
    const auto avail = static_cast<std::int64_t>(pixels.Size());
    DibResult result;
    QImage& img = result.image;

    if (h.compression == kRle8 || h.compression == kRle4) {
        const std::int64_t len =
            (h.sizeImage != 0 && h.sizeImage < avail) ? std::int64_t{h.sizeImage} : avail;
        const std::int64_t count = h.width * h.height;
        if (count > kRleFreePixels && count > len * kRlePixelsPerByte) {
            return {{}, kRleTooShort};
        }
        img = NewImage(h.width, h.height, QImage::Format_ARGB32_Premultiplied);
        if (img.isNull()) {
            return {{}, kNoMemory};
        }
        img.fill(0);
        DecodeRle(h, pixels.Sub(0, static_cast<std::size_t>(len)), pal, img);
        return result;
    }

    const std::int64_t stride = ((h.width * h.bpp + 31) / 32) * 4;
    // The last row may lack its padding.
    const std::int64_t needed = stride * (h.height - 1) + (h.width * h.bpp + 7) / 8;
    if (needed > avail) {
        return {{}, kPixelsTruncated};
    }
    const uchar* data = pixels.Bytes();
    const bool alpha = h.masks[3] != 0;
    // Icons get their mask applied, so true colour goes straight to ARGB32.
    const bool icon = rules == DibRules::Icon;
    const QImage::Format format = h.bpp == 1        ? QImage::Format_Mono
                                  : h.bpp <= 8      ? QImage::Format_Indexed8
                                  : (alpha || icon) ? QImage::Format_ARGB32
                                                    : QImage::Format_RGB32;
    img = NewImage(h.width, h.height, format);
    if (img.isNull()) {
        return {{}, kNoMemory};
    }
    std::uint32_t alphaSeen = 0;
    switch (h.bpp) {
    case 1:
    case 4:
    case 8:
        img.setColorTable(QList<QRgb>(pal.begin(), pal.begin() + (1 << h.bpp)));
        DecodeIndexed(h, data, stride, img);
        break;
    case 16:
        alphaSeen = Decode16(h, data, stride, img);
        break;
    case 24:
        Decode24(h, data, stride, img);
        break;
    default:
        alphaSeen = Decode32(h, data, stride, img);
        break;
    }

    const bool alphaUsed = alpha && alphaSeen != 0;
    if (alpha && !alphaUsed) {
        // An alpha channel of zeros is unused, not an invisible picture.
        MakeOpaque(img);
        if (!icon) {
            img.reinterpretAsFormat(QImage::Format_RGB32);
        }
    }
    if (icon) {
        if (h.bpp <= 8) {
            img = img.convertToFormat(QImage::Format_ARGB32);
        }
        if (!alphaUsed) {
            ApplyMask(h, pixels.From(static_cast<std::size_t>(stride * h.height)), img);
        }
    }
    return result;
}

} // namespace

DibResult DecodeBmpFile(QByteArrayView file, DibRules rules) {
    const ByteReader r(file);
    if (!r.Has(0, 14) || r.U8(0) != 'B' || r.U8(1) != 'M') {
        return {{}, kNotBmp};
    }
    return DecodeDib(file.sliced(14), rules, std::int64_t{r.U32(10)} - 14);
}

DibResult DecodeDib(QByteArrayView dib, DibRules rules, std::int64_t pixelOffset,
                    DibPalette indices) {
    const ByteReader r(dib);
    Header h;
    if (const char* failure = ParseHeader(r, rules, h)) {
        return {{}, failure};
    }
    Palette pal;
    std::int64_t dataStart = 0;
    if (const char* failure = ReadTable(r, h, pixelOffset, indices, pal, dataStart)) {
        return {{}, failure};
    }
    return DecodePixels(h, pal, rules, r.From(static_cast<std::size_t>(dataStart)));
}

DibResult DecodeDib(QByteArrayView info, QByteArrayView bits, DibRules rules, DibPalette indices) {
    const ByteReader r(info);
    Header h;
    if (const char* failure = ParseHeader(r, rules, h)) {
        return {{}, failure};
    }
    Palette pal;
    std::int64_t dataStart = 0;
    // The table ends where info does, as if a file header's offset said so.
    if (const char* failure = ReadTable(r, h, info.size(), indices, pal, dataStart)) {
        return {{}, failure};
    }
    return DecodePixels(h, pal, rules, ByteReader(bits));
}

} // namespace qcm::pictures
