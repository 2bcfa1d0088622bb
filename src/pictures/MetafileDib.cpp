#include "MetafileDib.h"

#include "ImageLimits.h"

#include <array>

namespace qcm::pictures::metafile {

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::size_t tableOffset = 0;
    std::size_t tableEntrySize = 4;
    std::size_t tableEntries = 0; // entries present in the table
    std::array<std::uint32_t, 4> masks{};
};

bool readHeader(Bytes info, Header& h) {
    const std::uint32_t size = info.u32(0);
    if (size == 12 && info.has(0, 12)) {
        h.width = info.u16(4);
        h.height = info.u16(6);
        h.bitCount = info.u16(10);
        h.tableOffset = 12;
        h.tableEntrySize = 3;
    } else if (size >= 40 && info.has(0, size)) {
        h.width = info.i32(4);
        const std::int32_t height = info.i32(8);
        h.topDown = height < 0;
        h.height = height < 0 ? -static_cast<std::int64_t>(height) : height;
        h.bitCount = info.u16(14);
        h.compression = info.u32(16);
        h.tableOffset = size;
        if (h.compression == kBitFields) {
            if (size >= 52) {
                h.masks = {info.u32(40), info.u32(44), info.u32(48), size >= 56 ? info.u32(52) : 0};
            } else {
                h.masks = {info.u32(40), info.u32(44), info.u32(48), 0};
                h.tableOffset += 12;
            }
        }
        const std::uint32_t used = info.u32(32);
        if (h.bitCount <= 8) {
            h.tableEntries = used != 0 ? used : (std::size_t{1} << h.bitCount);
        } else {
            h.tableEntries = used;
        }
    } else {
        return false;
    }
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 &&
        h.bitCount != 24 && h.bitCount != 32) {
        return false;
    }
    if (h.tableEntries > (std::size_t{1} << 16)) {
        return false;
    }
    if (h.compression == kRle8 && h.bitCount != 8) {
        return false;
    }
    if (h.compression == kRle4 && h.bitCount != 4) {
        return false;
    }
    if (h.compression > kBitFields) {
        return false; // embedded JPEG and PNG are not drawn
    }
    return withinLimits(h.width, h.height);
}

std::vector<QRgb> readTable(Bytes info, const Header& h, ColourUsage usage) {
    std::vector<QRgb> table(h.bitCount <= 8 ? (std::size_t{1} << h.bitCount) : 0, qRgb(0, 0, 0));
    for (std::size_t i = 0; i < table.size() && i < h.tableEntries; ++i) {
        if (usage == ColourUsage::Palette) {
            // Indices into a palette we do not keep: a grey ramp keeps shapes visible.
            const int index = info.u16(h.tableOffset + 2 * i) & 0xFF;
            table[i] = qRgb(index, index, index);
            continue;
        }
        const std::size_t at = h.tableOffset + h.tableEntrySize * i;
        table[i] = qRgb(info.u8(at + 2), info.u8(at + 1), info.u8(at));
    }
    return table;
}

int shiftOf(std::uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1U) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int scaled(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const std::uint32_t max = mask >> shiftOf(mask);
    return static_cast<int>(((value & mask) >> shiftOf(mask)) * 255U / max);
}

QRgb maskedPixel(std::uint32_t v, const Header& h) {
    return qRgb(scaled(v, h.masks[0]), scaled(v, h.masks[1]), scaled(v, h.masks[2]));
}

QImage decodeRgb(Bytes bits, const Header& h, const std::vector<QRgb>& table) {
    const std::int64_t stride = ((h.width * h.bitCount + 31) / 32) * 4;
    // Short pixel data is padded with black rather than refused: such files exist.
    if (stride * h.height > static_cast<std::int64_t>(bits.size()) + stride * 4 + 65536) {
        return {};
    }
    QImage image = newImage(h.width, h.height, QImage::Format_ARGB32);
    if (image.isNull()) {
        return {};
    }
    image.fill(qRgb(0, 0, 0));
    Header hf = h;
    if (h.compression != kBitFields && h.bitCount == 16) {
        hf.masks = {0x7C00, 0x03E0, 0x001F, 0};
    }
    for (std::int64_t row = 0; row < h.height; ++row) {
        const std::size_t start = static_cast<std::size_t>(row * stride);
        if (!bits.has(start, static_cast<std::size_t>(stride))) {
            break;
        }
        const std::int64_t y = h.topDown ? row : h.height - 1 - row;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < h.width; ++x) {
            const auto bx = static_cast<std::size_t>(x);
            switch (h.bitCount) {
            case 1:
                line[x] = table[(bits.u8(start + bx / 8) >> (7 - bx % 8)) & 1];
                break;
            case 4:
                line[x] = table[(bits.u8(start + bx / 2) >> (bx % 2 == 0 ? 4 : 0)) & 0xF];
                break;
            case 8:
                line[x] = table[bits.u8(start + bx)];
                break;
            case 16:
                line[x] = maskedPixel(bits.u16(start + 2 * bx), hf);
                break;
            case 24: {
                const std::size_t at = start + 3 * bx;
                line[x] = qRgb(bits.u8(at + 2), bits.u8(at + 1), bits.u8(at));
                break;
            }
            default: {
                const std::uint32_t v = bits.u32(start + 4 * bx);
                line[x] = h.compression == kBitFields ? maskedPixel(v, hf) : (v | 0xFF000000U);
                break;
            }
            }
        }
    }
    return image;
}

QImage decodeRle(Bytes bits, const Header& h, const std::vector<QRgb>& table) {
    // Each pair of bytes can cover at most 255 pixels, plus skips; beyond a
    // free allowance the data must be large enough to plausibly fill the image.
    constexpr std::int64_t kFreePixels = std::int64_t{1} << 22;
    if (h.width * h.height > kFreePixels &&
        h.width * h.height / 255 > static_cast<std::int64_t>(bits.size())) {
        return {};
    }
    QImage image = newImage(h.width, h.height, QImage::Format_ARGB32);
    if (image.isNull()) {
        return {};
    }
    image.fill(qRgba(0, 0, 0, 0));
    const bool four = h.compression == kRle4;
    std::int64_t x = 0;
    std::int64_t row = 0;
    auto put = [&](int index) {
        if (x < h.width && row < h.height) {
            const std::int64_t y = h.topDown ? row : h.height - 1 - row;
            image.setPixel(static_cast<int>(x), static_cast<int>(y), table[index & 0xFF]);
        }
        ++x;
    };
    std::size_t at = 0;
    while (bits.has(at, 2) && row < h.height) {
        const int count = bits.u8(at);
        const int value = bits.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < h.width; ++i) {
                put(four ? ((i % 2 == 0) ? value >> 4 : value & 0xF) : value);
            }
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += bits.u8(at);
            row += bits.u8(at + 1);
            at += 2;
        } else { // absolute run
            const std::size_t bytes =
                four ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
            for (int i = 0; i < value; ++i) {
                const int byte = bits.u8(
                    at + (four ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i)));
                put(four ? ((i % 2 == 0) ? byte >> 4 : byte & 0xF) : byte);
            }
            at += (bytes + 1) & ~std::size_t{1};
        }
    }
    return image;
}

} // namespace

QImage decodeDib(Bytes info, Bytes bits, ColourUsage usage, const Monochrome* monochrome) {
    Header h;
    if (!readHeader(info, h)) {
        return {};
    }
    std::vector<QRgb> table = readTable(info, h, usage);
    if (monochrome != nullptr && h.bitCount == 1) {
        table = {monochrome->zero, monochrome->one};
    }
    if (h.compression == kRle8 || h.compression == kRle4) {
        return decodeRle(bits, h, table);
    }
    return decodeRgb(bits, h, table);
}

QImage decodePackedDib(Bytes dib, ColourUsage usage) {
    Header h;
    if (!readHeader(dib, h)) {
        return {};
    }
    const std::size_t entrySize = usage == ColourUsage::Palette ? 2 : h.tableEntrySize;
    const std::size_t bitsOffset = h.tableOffset + entrySize * h.tableEntries;
    if (!dib.has(bitsOffset, 0)) {
        return {};
    }
    return decodeDib(dib.sub(0, bitsOffset), dib.from(bitsOffset), usage);
}

} // namespace qcm::pictures::metafile
