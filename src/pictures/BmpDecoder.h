#pragma once

#include <QByteArrayView>
#include <QImage>

#include <cstdint>
#include <span>

// The one device-independent-bitmap decoder behind TBitmap, TDIB and the
// classic images of icons. No widgets, no exceptions: a failure comes back as
// a named reason and each picture kind raises its own error text.
namespace qcm::pictures {

enum class DibRules {
    Bitmap,    // .bmp: core header or information header of 40 bytes or more
    StrictDib, // .dib: header of exactly 12 or 40 bytes
    Icon,      // icon image: doubled height, AND mask after the colour bits
};

// The failure of a picture beyond kMaxPixels, which callers tell apart.
// An array, not a pointer: it has one address in every file, so callers may
// compare a failure with it.
inline constexpr char kDibTooLarge[] = "image too large";

struct DibResult {
    // Mono for 1 bit per pixel, Indexed8 for 4 and 8; RGB32 for opaque
    // true colour; ARGB32 with an alpha channel or a mask; pixels left unset
    // by run-length deltas and early ends are transparent.
    QImage image;
    const char* failure = nullptr; // null on success
};

// A whole BMP file: 14-byte "BM" file header then a packed DIB.
DibResult DecodeBmpFile(QByteArrayView file, DibRules rules);

// A logical palette for colour tables that hold 16-bit indices instead of
// colours (metafiles' DIB_PAL_COLORS): an index picks entry index % size.
// Empty for ordinary tables of colours.
using DibPalette = std::span<const QRgb>;

// A packed DIB: information header, masks, colour table, pixels.
// pixelOffset, when >= 0, is where the pixels start relative to dib (the file
// header's offset field); it is trusted only when it lies past the colour table.
DibResult DecodeDib(QByteArrayView dib, DibRules rules, std::int64_t pixelOffset = -1,
                    DibPalette indices = {});

// Header, masks and colour table in info, pixels apart in bits, as metafile
// records carry them. The colour table ends with info: a shorter one is
// allowed, the missing entries being black.
DibResult DecodeDib(QByteArrayView info, QByteArrayView bits, DibRules rules,
                    DibPalette indices = {});

// Run-length images above this many pixels must have compressed data that
// could cover them (a run of 255 pixels takes 2 bytes), so that a few bytes
// cannot claim hundreds of megabytes of transparent pixels.
inline constexpr std::int64_t kRleFreePixels = std::int64_t{1} << 20;
inline constexpr std::int64_t kRlePixelsPerByte = 256;

} // namespace qcm::pictures
