#pragma once

#include <QByteArray>

#include <cstdint>

// Little-endian writer for hand-made file headers.
struct Bytes {
    QByteArray data;
    Bytes& U8(unsigned v) {
        data.append(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& U16(unsigned v) { return U8(v).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(const QByteArray& b) {
        data.append(b);
        return *this;
    }
};
