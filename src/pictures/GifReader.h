#pragma once

#include "ByteReader.h"
#include "Gif.h"

#include <cstdint>
#include <cstring>

// The byte-level reading of a GIF stream, held whole in memory. Fixed-size
// fields that come up short raise the premature-end failure.
namespace qcm::pictures::gif {

using pictures::ByteReader;

inline QString PrematureEnd() {
    return GIFText(TGIFFault::PrematureEnd);
}

// Reads exactly count bytes or raises; the reader is then at its end.
inline void Read(ByteReader& reader, void* to, std::size_t count) {
    if (reader.Read(to, count) < count) {
        throw GIFException(PrematureEnd());
    }
}
inline std::uint8_t ReadU8(ByteReader& reader) {
    const int b = reader.Next();
    if (b < 0) {
        throw GIFException(PrematureEnd());
    }
    return static_cast<std::uint8_t>(b);
}
inline std::uint16_t ReadU16(ByteReader& reader) {
    const std::uint16_t value = reader.U16(reader.Pos());
    if (!reader.Skip(2)) {
        throw GIFException(PrematureEnd());
    }
    return value;
}
inline void Skip(ByteReader& reader, std::size_t count) {
    if (!reader.Skip(count)) {
        throw GIFException(PrematureEnd());
    }
}

// Decodes one frame's pixel data (minimum code size and sub-blocks) into out,
// width * height bytes already filled with the fill value.
void DecodePixels(ByteReader& reader, int width, int height, bool interlaced, std::uint8_t* out,
                  const TGIFWarningHandler& warn);

} // namespace qcm::pictures::gif
