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

    std::size_t Size() const { return static_cast<std::size_t>(data_.size()); }
    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= Size() && length <= Size() - offset;
    }

    std::uint8_t U8(std::size_t offset) const { return offset < Size() ? Bytes()[offset] : 0; }
    std::uint16_t U16(std::size_t offset) const {
        if (!Has(offset, 2)) {
            return 0;
        }
        const std::uint8_t* p = Bytes() + offset;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const {
        if (!Has(offset, 4)) {
            return 0;
        }
        const std::uint8_t* p = Bytes() + offset;
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    // PNG's sizes are the one big-endian field the readers meet.
    std::uint32_t Be32(std::size_t offset) const {
        if (!Has(offset, 4)) {
            return 0;
        }
        const std::uint8_t* p = Bytes() + offset;
        return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
               p[3];
    }
    float F32(std::size_t offset) const {
        const std::uint32_t bits = U32(offset);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The bytes [offset, offset + length), or an empty reader when out of range.
    ByteReader Sub(std::size_t offset, std::size_t length) const {
        return Has(offset, length) ? ByteReader(data_.sliced(static_cast<qsizetype>(offset),
                                                             static_cast<qsizetype>(length)))
                                   : ByteReader();
    }
    ByteReader From(std::size_t offset) const {
        return offset <= Size() ? Sub(offset, Size() - offset) : ByteReader();
    }
    QByteArrayView View() const { return data_; }
    const char* Data() const { return data_.data(); }
    // The first byte, for loops that run over a range checked with has().
    const std::uint8_t* Bytes() const {
        return reinterpret_cast<const std::uint8_t*>(data_.data());
    }

    // ---- cursor
    std::size_t Pos() const { return pos_; }
    std::size_t Remaining() const { return Size() - pos_; }
    void Seek(std::size_t offset) { pos_ = offset < Size() ? offset : Size(); }
    // The next byte, or -1 at the end.
    int Next() { return pos_ < Size() ? Bytes()[pos_++] : -1; }
    int Peek() const { return pos_ < Size() ? Bytes()[pos_] : -1; }
    // Copies up to count bytes to to; returns how many there were.
    std::size_t Read(void* to, std::size_t count) {
        const std::size_t n = count < Remaining() ? count : Remaining();
        if (n > 0) {
            std::memcpy(to, Bytes() + pos_, n);
            pos_ += n;
        }
        return n;
    }
    // Moves on by count bytes; false, and at the end, when fewer remain.
    bool Skip(std::size_t count) {
        if (count > Remaining()) {
            pos_ = Size();
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
