#pragma once

#include "ByteReader.h"

#include <QImage>

// Bitmaps embedded in metafile records (blits, pattern brushes), decoded by
// the one DIB decoder. What stays here is the records' own: header and pixels
// handed over separately, palette indices instead of colours, and the text and
// background colours of monochrome brushes.
namespace qcm::pictures::metafile {

// DIB_RGB_COLORS or DIB_PAL_COLORS, as the records' colour-usage field says.
enum class ColourUsage { Rgb, Palette };

// Two-colour bitmaps of monochrome brushes take the text and background colours.
struct Monochrome {
    QRgb zero;
    QRgb one;
};

// Decodes header + colour table (info) and pixels (bits) into ARGB32. A null
// image when the bitmap is damaged or larger than its data can justify.
QImage DecodeDib(ByteReader info, ByteReader bits, ColourUsage usage = ColourUsage::Rgb,
                 const Monochrome* monochrome = nullptr);

// A packed DIB: header, colour table and pixels one after the other.
QImage DecodePackedDib(ByteReader dib, ColourUsage usage = ColourUsage::Rgb);

} // namespace qcm::pictures::metafile
