#pragma once

#include <QImage>

#include <cstdint>

// Every reader asks here before allocating pixels, so that a tiny file
// declaring enormous dimensions is refused instead of exhausting memory.
namespace qcm::pictures {

inline constexpr std::int64_t kMaxDimension = 32767;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27; // 128 Mi pixels

inline bool withinLimits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension &&
           width * height <= kMaxPixels;
}

// A new image, or a null one when the size is out of limits or memory runs
// out; the caller raises its own error then.
inline QImage newImage(std::int64_t width, std::int64_t height, QImage::Format format) {
    if (!withinLimits(width, height)) {
        return {};
    }
    return QImage(static_cast<int>(width), static_cast<int>(height), format);
}

} // namespace qcm::pictures
