#pragma once

#include <QByteArray>
#include <QRect>

#include <cstdint>
#include <initializer_list>

// Writers of small WMF and EMF files for the tests.
namespace metafile_test {

inline void put16(QByteArray& b, std::uint16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}
inline void put32(QByteArray& b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

// A placeable WMF: records of 16-bit parameters after the standard header.
class Wmf {
public:
    Wmf& record(std::uint16_t function, std::initializer_list<std::int32_t> words) {
        return raw(function, [&] {
            QByteArray p;
            for (std::int32_t w : words) {
                put16(p, static_cast<std::uint16_t>(w));
            }
            return p;
        }());
    }
    Wmf& raw(std::uint16_t function, const QByteArray& params) {
        QByteArray p = params;
        if (p.size() % 2 != 0) {
            p.append('\0');
        }
        put32(records_, static_cast<std::uint32_t>(3 + p.size() / 2));
        put16(records_, function);
        records_.append(p);
        return *this;
    }
    // The file: placeable header (bbox, units per inch), standard header,
    // records and the end record.
    QByteArray bytes(QRect box, std::uint16_t inch, bool goodChecksum = true,
                     bool withEof = true) const {
        QByteArray h;
        put32(h, 0x9AC6CDD7);
        put16(h, 0);
        put16(h, static_cast<std::uint16_t>(box.left()));
        put16(h, static_cast<std::uint16_t>(box.top()));
        put16(h, static_cast<std::uint16_t>(box.left() + box.width()));
        put16(h, static_cast<std::uint16_t>(box.top() + box.height()));
        put16(h, inch);
        put32(h, 0);
        std::uint16_t sum = 0;
        for (int k = 0; k < 10; ++k) {
            sum ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(h[2 * k]) |
                                              (static_cast<std::uint8_t>(h[2 * k + 1]) << 8));
        }
        put16(h, goodChecksum ? sum : static_cast<std::uint16_t>(sum ^ 1));
        QByteArray body = records_;
        if (withEof) {
            put32(body, 3);
            put16(body, 0);
        }
        put16(h, 1);
        put16(h, 9);
        put16(h, 0x300);
        put32(h, static_cast<std::uint32_t>((18 + body.size()) / 2));
        put16(h, 8);
        put32(h, 16);
        put16(h, 0);
        return h + body;
    }

private:
    QByteArray records_;
};

// An EMF: header with bounds, frame (0.01 mm), device size in pixels and mm.
class Emf {
public:
    Emf& record(std::uint32_t type, std::initializer_list<std::int32_t> fields) {
        QByteArray p;
        for (std::int32_t f : fields) {
            put32(p, static_cast<std::uint32_t>(f));
        }
        return raw(type, p);
    }
    Emf& raw(std::uint32_t type, QByteArray params) {
        while (params.size() % 4 != 0) {
            params.append('\0');
        }
        put32(records_, type);
        put32(records_, static_cast<std::uint32_t>(8 + params.size()));
        records_.append(params);
        ++count_;
        return *this;
    }
    QByteArray bytes(QRect frame = QRect(0, 0, 10000, 10000), QSize device = QSize(1000, 1000),
                     QSize mm = QSize(100, 100)) const {
        QByteArray body = records_;
        put32(body, 14); // EMR_EOF
        put32(body, 20);
        put32(body, 0);
        put32(body, 0);
        put32(body, 20);
        QByteArray h;
        put32(h, 1);
        put32(h, 108);
        for (int v : {0, 0, device.width() - 1, device.height() - 1}) {
            put32(h, static_cast<std::uint32_t>(v));
        }
        for (int v : {frame.left(), frame.top(), frame.left() + frame.width(),
                      frame.top() + frame.height()}) {
            put32(h, static_cast<std::uint32_t>(v));
        }
        put32(h, 0x464D4520);
        put32(h, 0x10000);
        put32(h, static_cast<std::uint32_t>(108 + body.size()));
        put32(h, static_cast<std::uint32_t>(count_ + 2));
        put16(h, 16);
        put16(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, static_cast<std::uint32_t>(device.width()));
        put32(h, static_cast<std::uint32_t>(device.height()));
        put32(h, static_cast<std::uint32_t>(mm.width()));
        put32(h, static_cast<std::uint32_t>(mm.height()));
        put32(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, static_cast<std::uint32_t>(mm.width() * 1000));
        put32(h, static_cast<std::uint32_t>(mm.height() * 1000));
        return h + body;
    }

private:
    QByteArray records_;
    int count_ = 0;
};

// A bottom-up 24-bit BITMAPINFOHEADER and its pixels, rows given top first.
inline QByteArray dib24(int width, int height, std::initializer_list<std::uint32_t> topFirstRgb,
                        QByteArray* bitsOut = nullptr) {
    QByteArray info;
    put32(info, 40);
    put32(info, static_cast<std::uint32_t>(width));
    put32(info, static_cast<std::uint32_t>(height));
    put16(info, 1);
    put16(info, 24);
    for (int k = 0; k < 6; ++k) {
        put32(info, 0);
    }
    const std::vector<std::uint32_t> px(topFirstRgb);
    QByteArray bits;
    for (int row = height - 1; row >= 0; --row) {
        QByteArray line;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = px[static_cast<std::size_t>(row * width + x)];
            line.append(static_cast<char>(c & 0xFF));
            line.append(static_cast<char>((c >> 8) & 0xFF));
            line.append(static_cast<char>((c >> 16) & 0xFF));
        }
        while (line.size() % 4 != 0) {
            line.append('\0');
        }
        bits.append(line);
    }
    if (bitsOut != nullptr) {
        *bitsOut = bits;
        return info;
    }
    return info + bits;
}

} // namespace metafile_test
