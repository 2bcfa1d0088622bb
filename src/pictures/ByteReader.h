#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstring>

// Little-endian fields of bytes that came from outside. Every access is
// bounds-checked against the view: a field that does not lie wholly inside
// reads as 0 and a range as an empty reader, so a reader whose size was
// checked once can never read past it. Where a short field must fail, the
// caller asks has() first and raises its kind's own error.
//
// A cursor serves readers that walk the bytes in order: it never moves past
// the end, and its reads say how much they got.
namespace qcm::pictures {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(QByteArrayView view) : data_(view) {}

    std::size_t size() const { return static_cast<std::size_t>(data_.size()); }
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size() && length <= size() - offset;
    }

    std::uint8_t u8(std::size_t offset) const { return offset < size() ? bytes()[offset] : 0; }
    std::uint16_t u16(std::size_t offset) const {
        if (!has(offset, 2)) {
            return 0;
        }
        const std::uint8_t* p = bytes() + offset;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(std::size_t offset) const {
        if (!has(offset, 4)) {
            return 0;
        }
        const std::uint8_t* p = bytes() + offset;
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    // PNG's sizes are the one big-endian field the readers meet.
    std::uint32_t be32(std::size_t offset) const {
        if (!has(offset, 4)) {
            return 0;
        }
        const std::uint8_t* p = bytes() + offset;
        return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
               p[3];
    }
    float f32(std::size_t offset) const {
        const std::uint32_t bits = u32(offset);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The bytes [offset, offset + length), or an empty reader when out of range.
    ByteReader sub(std::size_t offset, std::size_t length) const {
        return has(offset, length) ? ByteReader(data_.sliced(static_cast<qsizetype>(offset),
                                                             static_cast<qsizetype>(length)))
                                   : ByteReader();
    }
    ByteReader from(std::size_t offset) const {
        return offset <= size() ? sub(offset, size() - offset) : ByteReader();
    }
    QByteArrayView view() const { return data_; }
    const char* data() const { return data_.data(); }
    // The first byte, for loops that run over a range checked with has().
    const std::uint8_t* bytes() const {
        return reinterpret_cast<const std::uint8_t*>(data_.data());
    }

    // ---- cursor
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return size() - pos_; }
    void seek(std::size_t offset) { pos_ = offset < size() ? offset : size(); }
    // The next byte, or -1 at the end.
    int next() { return pos_ < size() ? bytes()[pos_++] : -1; }
    int peek() const { return pos_ < size() ? bytes()[pos_] : -1; }
    // Copies up to count bytes to to; returns how many there were.
    std::size_t read(void* to, std::size_t count) {
        const std::size_t n = count < remaining() ? count : remaining();
        if (n > 0) {
            std::memcpy(to, bytes() + pos_, n);
            pos_ += n;
        }
        return n;
    }
    // Moves on by count bytes; false, and at the end, when fewer remain.
    bool skip(std::size_t count) {
        if (count > remaining()) {
            pos_ = size();
            return false;
        }
        pos_ += count;
        return true;
    }

private:
    QByteArrayView data_;
    std::size_t pos_ = 0;
};

} // namespace qcm::pictures
