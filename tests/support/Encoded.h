#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

namespace qcm::testing {

// The bytes of image saved by Qt in format ("BMP", "PNG"…): test pictures
// written by a writer other than ours.
inline QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A w x h picture of one colour, encoded in format.
inline QByteArray Plain(int w, int h, const QColor& colour, const char* format) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return Encoded(image, format);
}

} // namespace qcm::testing
