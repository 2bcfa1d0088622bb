#include "MetafileDib.h"

#include "BmpDecoder.h"

#include <array>

namespace qcm::pictures::metafile {

namespace {

// Indices into a palette we do not keep: a grey ramp keeps shapes visible.
constexpr std::array<QRgb, 256> kGreyRamp = [] {
    std::array<QRgb, 256> ramp{};
    for (int i = 0; i < 256; ++i) {
        ramp[static_cast<std::size_t>(i)] = qRgb(i, i, i);
    }
    return ramp;
}();

DibPalette IndicesFor(ColourUsage usage) {
    return usage == ColourUsage::Palette ? DibPalette(kGreyRamp) : DibPalette();
}

// The players blit, key and tile ARGB32 whatever depth the bitmap had.
QImage ForPlayer(QImage image, const Monochrome* monochrome) {
    if (image.isNull()) {
        return {};
    }
    if (monochrome != nullptr && image.format() == QImage::Format_Mono) {
        image.setColorTable({monochrome->zero, monochrome->one});
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage DecodeDib(ByteReader info, ByteReader bits, ColourUsage usage,
                 const Monochrome* monochrome) {
    return ForPlayer(
        pictures::DecodeDib(info.View(), bits.View(), DibRules::Bitmap, IndicesFor(usage)).image,
        monochrome);
}

QImage DecodePackedDib(ByteReader dib, ColourUsage usage) {
    return ForPlayer(pictures::DecodeDib(dib.View(), DibRules::Bitmap, -1, IndicesFor(usage)).image,
                     nullptr);
}

} // namespace qcm::pictures::metafile
