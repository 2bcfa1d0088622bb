#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstring>

// Little-endian fields of a metafile record. Every access is bounds-checked
// and reads 0 outside the view, so a record whose size was checked once can
// still never read past it.
namespace qcm::pictures::metafile {

class Bytes {
public:
    Bytes() = default;
    explicit Bytes(QByteArrayView view) : data_(view) {}

    std::size_t size() const { return static_cast<std::size_t>(data_.size()); }
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    std::uint8_t u8(std::size_t offset) const {
        return has(offset, 1) ? static_cast<std::uint8_t>(data_[static_cast<qsizetype>(offset)])
                              : 0;
    }
    std::uint16_t u16(std::size_t offset) const {
        return has(offset, 2) ? static_cast<std::uint16_t>(u8(offset) | (u8(offset + 1) << 8)) : 0;
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(std::size_t offset) const {
        return has(offset, 4) ? static_cast<std::uint32_t>(u16(offset)) |
                                    (static_cast<std::uint32_t>(u16(offset + 2)) << 16)
                              : 0;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    float f32(std::size_t offset) const {
        const std::uint32_t bits = u32(offset);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The bytes [offset, offset + length), or an empty view when out of range.
    Bytes sub(std::size_t offset, std::size_t length) const {
        return has(offset, length) ? Bytes(data_.sliced(static_cast<qsizetype>(offset),
                                                        static_cast<qsizetype>(length)))
                                   : Bytes();
    }
    Bytes from(std::size_t offset) const {
        return offset <= size() ? sub(offset, size() - offset) : Bytes();
    }
    QByteArrayView view() const { return data_; }
    const char* data() const { return data_.data(); }

private:
    QByteArrayView data_;
};

} // namespace qcm::pictures::metafile
