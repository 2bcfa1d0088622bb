#include "Icon.h"

#include "BmpDecoder.h"
#include "ImageLimits.h"

#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace qcm {
namespace {

const QString& iconError() {
    static const QString text = QStringLiteral("Image icône incorrecte");
    return text;
}

std::uint32_t u16(const uchar* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}
std::uint32_t u32(const uchar* p) {
    return u16(p) | u16(p + 2) << 16;
}
std::uint32_t be32(const uchar* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

constexpr qsizetype kDirHeader = 6;
constexpr std::size_t kMaxImagesTried = 8;
constexpr qsizetype kDirEntry = 16;

bool isPng(QByteArrayView bytes) {
    return bytes.size() >= 8 && bytes.first(8) == QByteArrayView("\x89PNG\r\n\x1a\n", 8);
}

// Deflate expands at most about 1032 times, and a 1-bit PNG packs 8 pixels a
// byte: more pixels than that in so few bytes cannot be a real picture.
constexpr std::int64_t kPngPixelsPerByte = 1032 * 8;
constexpr std::int64_t kPngFreePixels = std::int64_t{1} << 20;

// PNG entries: the IHDR size is checked before Qt allocates anything.
QImage decodePng(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    if (bytes.size() < 24 || bytes.sliced(12, 4) != QByteArrayView("IHDR")) {
        return {};
    }
    const std::int64_t width = be32(p + 16);
    const std::int64_t height = be32(p + 20);
    if (!pictures::withinLimits(width, height) ||
        (width * height > kPngFreePixels && width * height > bytes.size() * kPngPixelsPerByte)) {
        return {};
    }
    QImage image = QImage::fromData(bytes, "PNG");
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

void TIcon::LoadFromStream(QIODevice& stream) {
    QByteArray data = ReadRest(stream);
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    if (data.size() < kDirHeader || u16(p) != 0 || u16(p + 2) > 1) {
        throw EInvalidGraphic(iconError());
    }
    const qsizetype count = u16(p + 4);
    if (count == 0 || kDirHeader + count * kDirEntry > data.size()) {
        throw EInvalidGraphic(iconError());
    }
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        const uchar* e = p + kDirHeader + i * kDirEntry;
        Entry entry;
        entry.width = e[0] == 0 ? 256 : e[0];
        entry.height = e[1] == 0 ? 256 : e[1];
        entry.bitCount = static_cast<int>(u16(e + 6));
        if (entry.bitCount == 0) {
            // Old files give only a colour count; 0 there means 256 or more.
            entry.bitCount = e[2] == 0 ? 8 : e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
        }
        // The size field is not trusted: some writers make it too small, and
        // both PNG and the DIB decoder know where their data ends.
        entry.offset = u32(e + 12);
        entries.push_back(entry);
    }

    // Closest to the preferred size first, then deeper colour, then file order.
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto distance = [](const Entry& e) {
        return std::abs(e.width - kPreferredSize) + std::abs(e.height - kPreferredSize);
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Entry& ea = entries[a];
        const Entry& eb = entries[b];
        if (distance(ea) != distance(eb)) {
            return distance(ea) < distance(eb);
        }
        return ea.bitCount > eb.bitCount;
    });

    // The next best image stands in for one that cannot be decoded. Entries
    // often share an image: each offset is tried once, and only the first
    // few distinct images, so that a small file cannot ask for thousands of
    // costly failures.
    std::vector<qsizetype> tried;
    for (std::size_t index : order) {
        const qsizetype offset = entries[index].offset;
        if (std::find(tried.begin(), tried.end(), offset) != tried.end()) {
            continue;
        }
        if (tried.size() == kMaxImagesTried) {
            break;
        }
        tried.push_back(offset);
        QImage image = decodeEntry(data, entries[index]);
        if (!image.isNull()) {
            data_ = std::move(data);
            entries_ = std::move(entries);
            image_ = std::move(image);
            Changed();
            return;
        }
    }
    throw EInvalidGraphic(iconError());
}

QImage TIcon::decodeEntry(const QByteArray& data, const Entry& entry) {
    if (entry.offset >= data.size()) {
        return {};
    }
    const QByteArrayView bytes = QByteArrayView(data).sliced(entry.offset);
    if (isPng(bytes)) {
        return decodePng(bytes);
    }
    return pictures::decodeDib(bytes, pictures::DibRules::Icon).image;
}

QImage TIcon::ImageAt(int index) const {
    QImage image;
    if (index >= 0 && index < ImageCount()) {
        image = decodeEntry(data_, entries_[static_cast<std::size_t>(index)]);
    }
    if (image.isNull()) {
        throw EInvalidGraphic(iconError());
    }
    return image;
}

void TIcon::Draw(QPainter& canvas, const QRect& rect) {
    if (!image_.isNull()) {
        canvas.drawImage(rect, image_);
    }
}

} // namespace qcm
