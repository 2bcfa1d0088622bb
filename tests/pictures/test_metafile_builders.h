#pragma once

#include <QByteArray>
#include <QRect>

#include <cstdint>
#include <initializer_list>

// Writers of small WMF and EMF files for the tests.
namespace metafile_test {

inline void Put16(QByteArray& b, std::uint16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}
inline void Put32(QByteArray& b, std::uint32_t v) {
    Put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(b, static_cast<std::uint16_t>(v >> 16));
}

// A placeable WMF: records of 16-bit parameters after the standard header.
class Wmf {
public:
    Wmf& Record(std::uint16_t function, std::initializer_list<std::int32_t> words) {
        return Raw(function, [&] {
            QByteArray p;
            for (std::int32_t w : words) {
                Put16(p, static_cast<std::uint16_t>(w));
            }
            return p;
        }());
    }
    Wmf& Raw(std::uint16_t function, const QByteArray& params) {
        QByteArray p = params;
        if (p.size() % 2 != 0) {
            p.append('\0');
        }
        Put32(records_, static_cast<std::uint32_t>(3 + p.size() / 2));
        Put16(records_, function);
        records_.append(p);
        return *this;
    }
    // The file: placeable header (bbox, units per inch), standard header,
    // records and the end record.
    QByteArray Bytes(QRect box, std::uint16_t inch, bool goodChecksum = true,
                     bool withEof = true) const {
        QByteArray h;
        Put32(h, 0x9AC6CDD7);
        Put16(h, 0);
        Put16(h, static_cast<std::uint16_t>(box.left()));
        Put16(h, static_cast<std::uint16_t>(box.top()));
        Put16(h, static_cast<std::uint16_t>(box.left() + box.width()));
        Put16(h, static_cast<std::uint16_t>(box.top() + box.height()));
        Put16(h, inch);
        Put32(h, 0);
        std::uint16_t sum = 0;
        for (int k = 0; k < 10; ++k) {
            sum ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(h[2 * k]) |
                                              (static_cast<std::uint8_t>(h[2 * k + 1]) << 8));
        }
        Put16(h, goodChecksum ? sum : static_cast<std::uint16_t>(sum ^ 1));
        QByteArray body = records_;
        if (withEof) {
            Put32(body, 3);
            Put16(body, 0);
        }
        Put16(h, 1);
        Put16(h, 9);
        Put16(h, 0x300);
        Put32(h, static_cast<std::uint32_t>((18 + body.size()) / 2));
        Put16(h, 8);
        Put32(h, 16);
        Put16(h, 0);
        return h + body;
    }

private:
    QByteArray records_;
};

// An EMF: header with bounds, frame (0.01 mm), device size in pixels and mm.
class Emf {
public:
    Emf& Record(std::uint32_t type, std::initializer_list<std::int32_t> fields) {
        QByteArray p;
        for (std::int32_t f : fields) {
            Put32(p, static_cast<std::uint32_t>(f));
        }
        return Raw(type, p);
    }
    Emf& Raw(std::uint32_t type, QByteArray params) {
        while (params.size() % 4 != 0) {
            params.append('\0');
        }
        Put32(records_, type);
        Put32(records_, static_cast<std::uint32_t>(8 + params.size()));
        records_.append(params);
        ++count_;
        return *this;
    }
    QByteArray Bytes(QRect frame = QRect(0, 0, 10000, 10000), QSize device = QSize(1000, 1000),
                     QSize mm = QSize(100, 100)) const {
        QByteArray body = records_;
        Put32(body, 14); // EMR_EOF
        Put32(body, 20);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 20);
        QByteArray h;
        Put32(h, 1);
        Put32(h, 108);
        for (int v : {0, 0, device.width() - 1, device.height() - 1}) {
            Put32(h, static_cast<std::uint32_t>(v));
        }
        for (int v : {frame.left(), frame.top(), frame.left() + frame.width(),
                      frame.top() + frame.height()}) {
            Put32(h, static_cast<std::uint32_t>(v));
        }
        Put32(h, 0x464D4520);
        Put32(h, 0x10000);
        Put32(h, static_cast<std::uint32_t>(108 + body.size()));
        Put32(h, static_cast<std::uint32_t>(count_ + 2));
        Put16(h, 16);
        Put16(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, static_cast<std::uint32_t>(device.width()));
        Put32(h, static_cast<std::uint32_t>(device.height()));
        Put32(h, static_cast<std::uint32_t>(mm.width()));
        Put32(h, static_cast<std::uint32_t>(mm.height()));
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, static_cast<std::uint32_t>(mm.width() * 1000));
        Put32(h, static_cast<std::uint32_t>(mm.height() * 1000));
        return h + body;
    }

private:
    QByteArray records_;
    int count_ = 0;
};

// A bottom-up 24-bit BITMAPINFOHEADER and its pixels, rows given top first.
inline QByteArray Dib24(int width, int height, std::initializer_list<std::uint32_t> topFirstRgb,
                        QByteArray* bitsOut = nullptr) {
    QByteArray info;
    Put32(info, 40);
    Put32(info, static_cast<std::uint32_t>(width));
    Put32(info, static_cast<std::uint32_t>(height));
    Put16(info, 1);
    Put16(info, 24);
    for (int k = 0; k < 6; ++k) {
        Put32(info, 0);
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
