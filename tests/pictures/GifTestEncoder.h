#pragma once

// A small GIF writer for tests: streams are built piece by piece so that each
// test can break exactly the part it is about. The about box's logo generator
// (src/dialogs/resources) writes its GIF with it too.

#include <QByteArray>
#include <QRgb>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace qcm::test {

// Packs (code, bit count) pairs least significant bit first.
inline QByteArray PackCodes(const std::vector<std::pair<int, int>>& codes) {
    QByteArray out;
    std::uint32_t acc = 0;
    int bits = 0;
    for (const auto& [code, size] : codes) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += size;
        while (bits >= 8) {
            out.append(static_cast<char>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) {
        out.append(static_cast<char>(acc & 0xFF));
    }
    return out;
}

// LZW as GIF writes it. With clearWhenFull false the table stays full and the
// codes stay at 12 bits (a deferred clear).
inline QByteArray LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize,
                            bool clearWhenFull = true) {
    const int clear = 1 << minCodeSize;
    std::vector<std::pair<int, int>> codes;
    std::map<std::pair<int, int>, int> table;
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    codes.emplace_back(clear, codeSize);
    int current = -1;
    for (std::uint8_t p : pixels) {
        if (current < 0) {
            current = p;
            continue;
        }
        auto it = table.find({current, p});
        if (it != table.end()) {
            current = it->second;
            continue;
        }
        codes.emplace_back(current, codeSize);
        if (next < 4096) {
            table[{current, p}] = next++;
            if (next > (1 << codeSize) && codeSize < 12) {
                ++codeSize;
            }
        }
        if (next == 4096 && clearWhenFull) {
            codes.emplace_back(clear, codeSize);
            table.clear();
            codeSize = minCodeSize + 1;
            next = clear + 2;
        }
        current = p;
    }
    if (current >= 0) {
        codes.emplace_back(current, codeSize);
    }
    codes.emplace_back(clear + 1, codeSize);
    return PackCodes(codes);
}

// Data cut into sub-blocks of at most 255 bytes, with the zero-length end.
inline QByteArray SubBlocks(const QByteArray& data, bool terminate = true) {
    QByteArray out;
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray part = data.mid(i, 255);
        out.append(static_cast<char>(part.size()));
        out.append(part);
    }
    if (terminate) {
        out.append('\0');
    }
    return out;
}

inline void PutU16(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

inline QByteArray ColorTable(const std::vector<QRgb>& colors) {
    QByteArray out;
    for (QRgb c : colors) {
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    return out;
}

// Size exponent for a table of count entries (count a power of two, 2..256).
inline int SizeBits(std::size_t count) {
    int bits = 0;
    while ((std::size_t{2} << bits) < count) {
        ++bits;
    }
    return bits;
}

class GifBuilder {
public:
    GifBuilder& Header(int width, int height, const std::vector<QRgb>& global = {},
                       int background = 0, const char* signature = "GIF89a") {
        bytes.append(signature);
        PutU16(bytes, width);
        PutU16(bytes, height);
        const int packed = global.empty() ? 0 : (0x80 | SizeBits(global.size()));
        bytes.append(static_cast<char>(packed));
        bytes.append(static_cast<char>(background));
        bytes.append('\0');
        bytes.append(ColorTable(global));
        return *this;
    }
    GifBuilder& Gce(int disposal, int delay, int transparent = -1) {
        bytes.append("\x21\xF9\x04", 3);
        bytes.append(static_cast<char>((disposal << 2) | (transparent >= 0 ? 1 : 0)));
        PutU16(bytes, delay);
        bytes.append(static_cast<char>(transparent >= 0 ? transparent : 0));
        bytes.append('\0');
        return *this;
    }
    GifBuilder& Loop(int count, const char* identifier = "NETSCAPE2.0") {
        bytes.append("\x21\xFF\x0B", 3);
        bytes.append(identifier, 11);
        bytes.append("\x03\x01", 2);
        PutU16(bytes, count);
        bytes.append('\0');
        return *this;
    }
    GifBuilder& Comment(const QByteArray& text) {
        bytes.append("\x21\xFE", 2);
        bytes.append(SubBlocks(text));
        return *this;
    }
    GifBuilder& Descriptor(int left, int top, int width, int height, bool interlaced = false,
                           const std::vector<QRgb>& local = {}) {
        bytes.append(',');
        PutU16(bytes, left);
        PutU16(bytes, top);
        PutU16(bytes, width);
        PutU16(bytes, height);
        int packed = interlaced ? 0x40 : 0;
        if (!local.empty()) {
            packed |= 0x80 | SizeBits(local.size());
        }
        bytes.append(static_cast<char>(packed));
        bytes.append(ColorTable(local));
        return *this;
    }
    // pixels in display order; interlaced ones are reordered for the stream.
    GifBuilder& Image(int left, int top, int width, int height, std::vector<std::uint8_t> pixels,
                      int minCodeSize = 8, bool interlaced = false,
                      const std::vector<QRgb>& local = {}, bool clearWhenFull = true) {
        Descriptor(left, top, width, height, interlaced, local);
        if (interlaced) {
            std::vector<std::uint8_t> ordered;
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int row = start[pass]; row < height; row += step[pass]) {
                    ordered.insert(ordered.end(), pixels.begin() + row * width,
                                   pixels.begin() + (row + 1) * width);
                }
            }
            pixels = ordered;
        }
        bytes.append(static_cast<char>(minCodeSize));
        bytes.append(SubBlocks(LzwEncode(pixels, minCodeSize, clearWhenFull)));
        return *this;
    }
    GifBuilder& Raw(const QByteArray& raw) {
        bytes.append(raw);
        return *this;
    }
    GifBuilder& Trailer() {
        bytes.append(';');
        return *this;
    }

    QByteArray bytes;
};

inline std::vector<QRgb> Palette(std::size_t count) {
    std::vector<QRgb> colors;
    for (std::size_t i = 0; i < count; ++i) {
        colors.push_back(qRgb(static_cast<int>(i * 37 % 256), static_cast<int>(i * 91 % 256),
                              static_cast<int>(i * 151 % 256)));
    }
    return colors;
}

} // namespace qcm::test
