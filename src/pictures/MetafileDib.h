#pragma once

#include "MetafileBytes.h"

#include <QImage>

// Bitmaps embedded in metafile records (blits, pattern brushes). Kept apart
// from the BMP file reader because records hand the header and the pixels
// over separately and may refer to palette indices instead of colours.
namespace qcm::pictures::metafile {

// DIB_RGB_COLORS or DIB_PAL_COLORS, as the records' colour-usage field says.
enum class ColourUsage { Rgb, Palette };

// Two-colour bitmaps of monochrome brushes take the text and background colours.
struct Monochrome {
    QRgb zero;
    QRgb one;
};

// Decodes header + colour table (info) and pixels (bits). A null image when
// the bitmap is damaged or larger than its data can justify.
QImage decodeDib(Bytes info, Bytes bits, ColourUsage usage = ColourUsage::Rgb,
                 const Monochrome* monochrome = nullptr);

// A packed DIB: header, colour table and pixels one after the other.
QImage decodePackedDib(Bytes dib, ColourUsage usage = ColourUsage::Rgb);

} // namespace qcm::pictures::metafile
