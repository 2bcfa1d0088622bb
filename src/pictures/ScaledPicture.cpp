#include "ScaledPicture.h"

#include "Gif.h"
#include "ImageLimits.h"
#include "Jpeg.h"
#include "Metafile.h"

#include <QPainter>

namespace qcm::pictures {

using namespace qcm::core;

ScaledPicture::ScaledPicture() {
    picture_.OnChange = [this] {
        if (OnFrame && Animated()) {
            OnFrame();
        }
    };
}

ScaledPicture::~ScaledPicture() {
    Clear();
}

void ScaledPicture::LoadFromFile(const QString& fileName) {
    Clear();
    picture_.LoadFromFile(fileName);
    if (auto* gif = dynamic_cast<TGIFImage*>(picture_.Graphic()); gif != nullptr && Clock) {
        gif->Clock = Clock;
    }
}

void ScaledPicture::Clear() {
    // The painters stop with their picture.
    picture_.SetGraphic(nullptr);
    scaled_ = QImage();
    size_ = QSize();
    scale_ = 1;
    failed_ = false;
}

bool ScaledPicture::Empty() const {
    return picture_.Graphic() == nullptr || picture_.Graphic()->Empty();
}

bool ScaledPicture::Animated() const {
    const auto* gif = dynamic_cast<const TGIFImage*>(picture_.Graphic());
    return gif != nullptr && gif->FrameCount() > 1 && gif->DrawOptions.Animate;
}

int JpegScaleFor(int width, int height, QSize size) {
    int scale = 3;
    while (scale > 0) {
        const int d = 1 << scale;
        if ((width + d - 1) / d >= size.width() && (height + d - 1) / d >= size.height()) {
            break;
        }
        --scale;
    }
    return scale;
}

QImage ScaledPicture::Render(QSize size) const {
    if (Empty() || size.isEmpty()) {
        return {};
    }
    TGraphic* graphic = picture_.Graphic();
    if (dynamic_cast<TMetafile*>(graphic) != nullptr) {
        // Vectors are replayed at the size asked for.
        QImage image = NewImage(size.width(), size.height(), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            return {};
        }
        image.fill(Qt::transparent);
        QPainter p(&image);
        graphic->Draw(p, image.rect());
        return image;
    }
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) {
        // No more pixels decoded than the box has, then resampled.
        TJPEGImage reduced;
        reduced.Assign(*jpeg);
        reduced.SetScale(
            static_cast<TJPEGScale>(JpegScaleFor(jpeg->Width(), jpeg->Height(), size)));
        const QImage& decoded = reduced.Bitmap();
        return Resampled(decoded.format() == QImage::Format_Indexed8
                             ? decoded.convertToFormat(QImage::Format_RGB32)
                             : decoded,
                         size);
    }
    // Pixels of their own: drawn once as they are, then resampled, so that
    // a shrinking picture averages its pixels instead of dropping them.
    QImage own = NewImage(graphic->Width(), graphic->Height(), QImage::Format_ARGB32_Premultiplied);
    if (own.isNull()) {
        return {};
    }
    own.fill(Qt::transparent);
    {
        QPainter p(&own);
        graphic->Draw(p, own.rect());
    }
    return Resampled(own, size);
}

void ScaledPicture::Prepare(QSize size, qreal scale) {
    if ((size == size_ && scale == scale_) || Animated()) {
        return;
    }
    scaled_ = QImage();
    size_ = size;
    scale_ = scale;
    // Marked first: an error is reported once, then nothing is drawn.
    failed_ = true;
    scaled_ = Render(DeviceSize(size, scale));
    scaled_.setDevicePixelRatio(scale);
    failed_ = false;
}

void ScaledPicture::Draw(QPainter& canvas, const QRect& rect) {
    if (Animated()) {
        picture_.Draw(canvas, rect);
        return;
    }
    const qreal scale = canvas.device() != nullptr ? canvas.device()->devicePixelRatio() : 1;
    if (rect.size() != size_ || scale != scale_) {
        Prepare(rect.size(), scale);
    }
    if (!failed_ && !scaled_.isNull()) {
        canvas.drawImage(rect.topLeft(), scaled_);
    }
}

QSize TaillePhoto(int largeur, int hauteur, int boite) {
    // The ratio goes through a double; the side is computed in extended
    // precision from that rounded ratio.
    const double ratio =
        static_cast<double>(static_cast<long double>(hauteur) / static_cast<long double>(largeur));
    const long double cote = boite;
    if (ratio >= 1) {
        return {static_cast<int>(cote / static_cast<long double>(ratio)), boite};
    }
    return {boite, static_cast<int>(static_cast<long double>(ratio) * cote)};
}

} // namespace qcm::pictures
