// Pictures made for a box at the screen's own resolution.
#include "pictures/ImageLimits.h"
#include "pictures/Jpeg.h"
#include "pictures/ScaledPicture.h"

#include "../support/Encoded.h"
#include "../support/TempFolder.h"
#include "JpegTestFiles.h"
#include "test_metafile_builders.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qcm;
using namespace qcm::pictures;

namespace {

// The mean difference of two images' channels, 0 to 255.
double Ecart(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) {
        return 255;
    }
    double somme = 0;
    for (int j = 0; j < x.height(); ++j) {
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j);
            const QRgb q = y.pixel(i, j);
            somme += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    }
    return somme / (3.0 * x.width() * x.height());
}

QImage Smooth(const QImage& source, QSize size) {
    return source.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A red ellipse without outline over a 1600 x 1200 frame.
QByteArray Ellipse() {
    metafile_test::Emf e;
    e.Record(39, {1, 0, 0x0000FF, 0}) // brush 1: solid red
        .Record(37, {1})
        .Record(37, {static_cast<std::int32_t>(0x80000008)}) // no pen
        .Record(42, {100, 100, 1500, 1100});
    return e.Bytes(QRect(0, 0, 16000, 12000), QSize(1600, 1200), QSize(160, 120));
}

} // namespace

TEST(ScaledPicture, DrawnFromTheFilesPixelsAtTheDevicesSize) {
    TempDir d;
    const QImage photo = qcm::testing::PhotoLike(1600, 1200);
    d.Write(QStringLiteral("photo.jpg"), qcm::testing::EncodeJpeg(photo));
    const QImage bitmap = qcm::testing::PhotoLike(400, 300);
    d.Write(QStringLiteral("image.bmp"), qcm::testing::Encoded(bitmap, "BMP"));
    d.Write(QStringLiteral("dessin.emf"), Ellipse());
    TJPEGImage decoded;
    decoded.LoadFromFile(d.File(QStringLiteral("photo.jpg")));

    const QSize device(720, 540); // 320 x 240 at 2.25
    const struct {
        const char* file;
        QImage reference;
    } cas[] = {
        {"photo.jpg", Smooth(decoded.Bitmap(), device)},
        {"image.bmp", Smooth(bitmap, device)},
        {"dessin.emf", {}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.file);
        ScaledPicture picture;
        picture.LoadFromFile(d.File(QString::fromLatin1(c.file)));
        picture.Prepare(TaillePhoto(picture.Width(), picture.Height()), 2.25);
        const QImage& made = picture.Scaled();
        ASSERT_EQ(made.size(), device);
        EXPECT_DOUBLE_EQ(made.devicePixelRatio(), 2.25);
        QImage reference = c.reference;
        if (reference.isNull()) {
            // Vectors replayed at the device's size, not pixels enlarged.
            reference = QImage(device, QImage::Format_ARGB32_Premultiplied);
            reference.fill(Qt::transparent);
            QPainter p(&reference);
            picture.Picture().Draw(p, reference.rect());
        }
        EXPECT_LT(Ecart(made, reference), 1.0);
        // Drawn on a canvas of that scale, the picture is copied pixel for pixel.
        QImage canvas(device, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2.25);
        canvas.fill(Qt::transparent);
        QPainter p(&canvas);
        picture.Draw(p, QRect(0, 0, 320, 240));
        p.end();
        EXPECT_EQ(canvas.convertToFormat(QImage::Format_RGB32),
                  made.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(ScaledPicture, DeviceSizeCoversTheLogicalSize) {
    const struct {
        QSize logical;
        double scale;
        QSize device;
    } cas[] = {
        {{320, 240}, 2.25, {720, 540}},
        {{320, 213}, 2.25, {720, 480}},
        {{191, 320}, 1.6, {306, 512}},
        {{320, 240}, 1, {320, 240}},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(DeviceSize(c.logical, c.scale), c.device) << c.logical.width();
    }
}
