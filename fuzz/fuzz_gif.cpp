// GIF bytes -> reader; then the first frame drawn and a few compositions of
// the animation, all in this thread.
#include "FuzzPicture.h"
#include "pictures/Gif.h"
#include "pictures/GifPainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qcm::fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qcm::pictures::TGIFImage image;
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    buffer.open(QIODevice::ReadOnly);
    try {
        image.LoadFromStream(buffer);
    } catch (const qcm::core::Exception&) {
        return 0;
    }
    if (image.Empty()) {
        return 0;
    }
    QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        image.DrawFrame(painter, image.Frame(0), canvas.rect());
    }
    // The composition buffers take the screen's size, which the reader keeps
    // within the pixel limit.
    qcm::pictures::TManualClock clock;
    int shown = 0;
    image.PainterHooks.OnAfterFrame = [&shown](qcm::pictures::TGIFPainter& painter) {
        if (++shown >= 8) {
            painter.Stop();
        }
    };
    try {
        qcm::pictures::PlayFrames(image, clock, 2, [](const QImage&, std::int64_t) {});
    } catch (const qcm::core::Exception&) {
    }
    return 0;
}
