// The TDIB reader on arbitrary bytes: it must accept or raise its own
// error, and whatever it accepts must draw.
#include "pictures/Bitmap.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    buffer.open(QIODevice::ReadOnly);
    qcm::TDIB picture;
    try {
        picture.LoadFromStream(buffer);
    } catch (const qcm::EInvalidGraphic&) {
        return 0;
    }
    if (picture.Width() < 0 || picture.Height() < 0 || picture.Empty() != (picture.Width() == 0)) {
        std::abort();
    }
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    QPainter painter(&canvas);
    picture.Draw(painter, QRect(0, 0, 16, 16));
    return 0;
}
