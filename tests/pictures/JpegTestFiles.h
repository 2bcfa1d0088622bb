#pragma once

// Writes JPEG files for tests and benchmarks with libjpeg's own compressor,
// so that nothing depends on Qt's optional JPEG plugin.

#include <QByteArray>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace qcm::testing {

struct JpegOptions {
    int quality = 95;
    bool progressive = false;
    bool grayscale = false;
    // Adobe-style inverted CMYK, stored as CMYK or YCCK.
    bool cmyk = false;
    bool ycck = false;
};

inline QByteArray EncodeJpeg(const QImage& source, const JpegOptions& options = {}) {
    // Inverted CMYK of an RGB pixel: C' = R, M' = G, Y' = B, K' = 255.
    const QImage rgb = source.convertToFormat(options.grayscale ? QImage::Format_Grayscale8
                                              : options.cmyk    ? QImage::Format_RGBA8888
                                                                : QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr); // the default exits on error: fine for known input
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = options.grayscale ? 1 : options.cmyk ? 4 : 3;
    cinfo.in_color_space = options.grayscale ? JCS_GRAYSCALE : options.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (options.cmyk) {
        jpeg_set_colorspace(&cinfo, options.ycck ? JCS_YCCK : JCS_CMYK);
    }
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

// A smooth, photograph-like picture: gradients with some texture.
inline QImage PhotoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255) / std::max(1, width - 1);
            const int g = (y * 255) / std::max(1, height - 1);
            const int b = ((x ^ y) & 0x3f) * 2 + ((x + y) & 0x7f);
            row[x] = qRgb(r, g, b & 0xff);
        }
    }
    return image;
}

// jpeg with its frame header patched to declare width x height: the pixels
// stay those of jpeg, for readers that must refuse before decoding.
inline QByteArray DeclaringSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width);
    return jpeg;
}

} // namespace qcm::testing
