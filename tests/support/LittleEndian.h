#pragma once

#include <QByteArray>

#include <cstdint>

// Little-endian writer for hand-made file headers.
struct Bytes {
    QByteArray data;
    Bytes& u8(unsigned v) {
        data.append(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(const QByteArray& b) {
        data.append(b);
        return *this;
    }
};
