#pragma once

#include "Gif.h"

#include <cstdint>
#include <cstring>

// The byte-level reading of a GIF stream. The whole stream is read into
// memory first, so every read below is a bounds-checked copy.
namespace qcm::gif {

inline QString PrematureEnd() {
    return QStringLiteral("Premature end of data");
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::int64_t size) : data_(data), size_(size) {}

    std::int64_t Pos() const { return pos_; }
    std::int64_t Size() const { return size_; }
    std::int64_t Remaining() const { return size_ - pos_; }
    const std::uint8_t* Here() const { return data_ + pos_; }
    void Seek(std::int64_t pos) { pos_ = pos < 0 ? 0 : (pos > size_ ? size_ : pos); }
    void StepBack() { Seek(pos_ - 1); }

    // The next byte, or -1 at the end.
    int ReadByte() { return pos_ < size_ ? data_[pos_++] : -1; }
    int PeekByte() const { return pos_ < size_ ? data_[pos_] : -1; }

    // Reads up to count bytes; returns how many.
    std::int64_t ReadSome(void* dst, std::int64_t count) {
        const std::int64_t n = count < Remaining() ? count : Remaining();
        if (n > 0) {
            std::memcpy(dst, data_ + pos_, static_cast<std::size_t>(n));
            pos_ += n;
        }
        return n;
    }
    // Reads exactly count bytes or raises "Premature end of data".
    void Read(void* dst, std::int64_t count) {
        if (count > Remaining()) {
            pos_ = size_;
            throw GIFException(PrematureEnd());
        }
        ReadSome(dst, count);
    }
    std::uint8_t ReadU8() {
        std::uint8_t b = 0;
        Read(&b, 1);
        return b;
    }
    std::uint16_t ReadU16() {
        std::uint8_t b[2] = {};
        Read(b, 2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    void Skip(std::int64_t count) {
        if (count > Remaining()) {
            pos_ = size_;
            throw GIFException(PrematureEnd());
        }
        pos_ += count;
    }

private:
    const std::uint8_t* data_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
};

// Decodes one frame's pixel data (minimum code size and sub-blocks) into out,
// width * height bytes already filled with the fill value.
void DecodePixels(Reader& reader, int width, int height, bool interlaced, std::uint8_t* out,
                  const TGIFWarningHandler& warn);

} // namespace qcm::gif
