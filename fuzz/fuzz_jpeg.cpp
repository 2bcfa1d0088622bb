// Feeds arbitrary bytes to the JPEG reader and draws the result.
#include "FuzzPicture.h"
#include "pictures/Jpeg.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Decoding a frame this large from a few kilobytes proves nothing new and
// only slows the search down.
constexpr qint64 kMaxFuzzPixels = 1024 * 1024;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qcm::fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qcm::pictures::TJPEGImage jpeg;
    try {
        jpeg.LoadFromStream(buffer);
        if (qint64(jpeg.Width()) * jpeg.Height() > kMaxFuzzPixels) {
            return 0;
        }
        // Exercise the other decoder set-ups on part of the inputs.
        if (size > 0) {
            const unsigned pick = data[size - 1];
            jpeg.SetScale(static_cast<qcm::pictures::TJPEGScale>(pick & 3));
            jpeg.SetPixelFormat((pick & 4) != 0 ? qcm::pictures::TJPEGPixelFormat::Bits8
                                                : qcm::pictures::TJPEGPixelFormat::Bits24);
            jpeg.SetPerformance((pick & 8) != 0 ? qcm::pictures::TJPEGPerformance::BestSpeed
                                                : qcm::pictures::TJPEGPerformance::BestQuality);
            jpeg.SetGrayscale((pick & 16) != 0);
            jpeg.SetProgressiveDisplay((pick & 32) != 0);
        }
        QImage canvas(32, 32, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        jpeg.Draw(painter, canvas.rect());
    } catch (const qcm::core::Exception&) {
        // refused: that is the expected answer to most inputs
    }
    return 0;
}
