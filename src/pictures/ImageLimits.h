#pragma once

#include <QImage>
#include <QString>

#include <cmath>
#include <cstdint>

// Every reader asks here before allocating pixels, so that a tiny file
// declaring enormous dimensions is refused instead of exhausting memory.
namespace qcm::pictures {

// 32 Mi pixels: 128 MiB at 4 bytes a pixel. Loading a picture and drawing it
// at its size (the editor's buffers, `qcm-tool picture --png`) holds a few
// such images at once, well under 2 GB. No side has a limit of its own: a
// 65 535 x 1 strip is as fine as 8 000 x 4 000, and the widest image allowed
// stays far below what QImage's bytes-per-line can hold.
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 25;

// The most bytes a picture file may hold: a bitmap of kMaxPixels at 32 bits
// with room for its headers, and far more than any metafile, icon, GIF or
// JPEG of that many pixels needs. A wrong pick (a disk image) is refused
// before it is read.
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 28;

inline bool WithinLimits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels &&
           width * height <= kMaxPixels;
}

// What every reader says of a picture beyond the limit, with its size when
// the reader knows it.
inline QString TooLargeText(std::int64_t width = 0, std::int64_t height = 0) {
    static_assert(kMaxPixels == 33'554'432, "the text gives the limit");
    const QString size = width > 0 && height > 0
                             ? QStringLiteral(" (%1 × %2 pixels)").arg(width).arg(height)
                             : QString();
    return QStringLiteral("Image trop grande%1 : QCM n'accepte que les images d'au plus "
                          "33,5 millions de pixels.")
        .arg(size);
}

// A new image, or a null one when the size is out of limits or memory runs
// out; the caller raises its own error then.
inline QImage NewImage(std::int64_t width, std::int64_t height, QImage::Format format) {
    if (!WithinLimits(width, height)) {
        return {};
    }
    return QImage(static_cast<int>(width), static_cast<int>(height), format);
}

// The pixels that cover size logical pixels at scale pixels per logical
// one; a hair under a whole pixel is that pixel (320 at 2.25 is 720).
inline QSize DeviceSize(QSize size, double scale) {
    const auto side = [scale](int n) { return static_cast<int>(std::ceil(n * scale - 1e-6)); };
    return {side(size.width()), side(size.height())};
}

// source resampled smoothly to size, its pixels averaged when it shrinks;
// source itself when it has that size already.
inline QImage Resampled(const QImage& source, QSize size) {
    if (source.isNull() || source.size() == size) {
        return source;
    }
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace qcm::pictures
