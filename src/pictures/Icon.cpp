#include "Icon.h"

#include "BmpDecoder.h"
#include "ByteReader.h"
#include "ImageLimits.h"

#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace qcm::pictures {

using namespace qcm::core;
namespace {

const QString& IconError() {
    static const QString text = QStringLiteral("Image icône incorrecte");
    return text;
}

constexpr std::size_t kDirHeader = 6;
constexpr std::size_t kMaxImagesTried = 8;
constexpr std::size_t kDirEntry = 16;

bool IsPng(QByteArrayView bytes) {
    return bytes.size() >= 8 && bytes.first(8) == QByteArrayView("\x89PNG\r\n\x1a\n", 8);
}

// Deflate expands at most about 1032 times, and a 1-bit PNG packs 8 pixels a
// byte: more pixels than that in so few bytes cannot be a real picture.
constexpr std::int64_t kPngPixelsPerByte = 1032 * 8;
constexpr std::int64_t kPngFreePixels = std::int64_t{1} << 20;

// PNG entries: the IHDR size is checked before Qt allocates anything.
QImage DecodePng(QByteArrayView bytes) {
    const pictures::ByteReader r(bytes);
    if (!r.Has(0, 24) || bytes.sliced(12, 4) != QByteArrayView("IHDR")) {
        return {};
    }
    const std::int64_t width = r.Be32(16);
    const std::int64_t height = r.Be32(20);
    if (!pictures::WithinLimits(width, height) ||
        (width * height > kPngFreePixels && width * height > bytes.size() * kPngPixelsPerByte)) {
        return {};
    }
    QImage image = QImage::fromData(bytes, "PNG");
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

void TIcon::LoadFromStream(QIODevice& stream) {
    QByteArray data = ReadRest(stream);
    const pictures::ByteReader r(data);
    if (!r.Has(0, kDirHeader) || r.U16(0) != 0 || r.U16(2) > 1) {
        throw EInvalidGraphic(IconError());
    }
    const std::size_t count = r.U16(4);
    if (count == 0 || !r.Has(kDirHeader, count * kDirEntry)) {
        throw EInvalidGraphic(IconError());
    }
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const pictures::ByteReader e = r.Sub(kDirHeader + i * kDirEntry, kDirEntry);
        Entry entry;
        entry.width = e.U8(0) == 0 ? 256 : e.U8(0);
        entry.height = e.U8(1) == 0 ? 256 : e.U8(1);
        entry.bitCount = e.U16(6);
        if (entry.bitCount == 0) {
            // Old files give only a colour count; 0 there means 256 or more.
            const int colours = e.U8(2);
            entry.bitCount = colours == 0 ? 8 : colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
        }
        // The size field is not trusted: some writers make it too small, and
        // both PNG and the DIB decoder know where their data ends.
        entry.offset = e.U32(12);
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
        QImage image = DecodeEntry(data, entries[index]);
        if (!image.isNull()) {
            data_ = std::move(data);
            entries_ = std::move(entries);
            image_ = std::move(image);
            Changed();
            return;
        }
    }
    throw EInvalidGraphic(IconError());
}

QImage TIcon::DecodeEntry(const QByteArray& data, const Entry& entry) {
    if (entry.offset >= data.size()) {
        return {};
    }
    const QByteArrayView bytes = QByteArrayView(data).sliced(entry.offset);
    if (IsPng(bytes)) {
        return DecodePng(bytes);
    }
    return pictures::DecodeDib(bytes, pictures::DibRules::Icon).image;
}

QImage TIcon::ImageAt(int index) const {
    QImage image;
    if (index >= 0 && index < ImageCount()) {
        image = DecodeEntry(data_, entries_[static_cast<std::size_t>(index)]);
    }
    if (image.isNull()) {
        throw EInvalidGraphic(IconError());
    }
    return image;
}

void TIcon::Draw(QPainter& canvas, const QRect& rect) {
    if (!image_.isNull()) {
        canvas.drawImage(rect, image_);
    }
}

} // namespace qcm::pictures
