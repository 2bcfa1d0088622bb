#include "ScaledPicture.h"

#include "Gif.h"
#include "ImageLimits.h"
#include "Jpeg.h"

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
    QImage image = NewImage(size.width(), size.height(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture_.Graphic())) {
        // A shown picture needs no more pixels than the box has.
        TJPEGImage reduced;
        reduced.Assign(*jpeg);
        reduced.SetScale(
            static_cast<TJPEGScale>(JpegScaleFor(jpeg->Width(), jpeg->Height(), size)));
        reduced.Draw(p, image.rect());
    } else {
        picture_.Draw(p, image.rect());
    }
    p.end();
    return image;
}

void ScaledPicture::Prepare(QSize size) {
    if (size == size_ || Animated()) {
        return;
    }
    scaled_ = QImage();
    size_ = size;
    // Marked first: an error is reported once, then nothing is drawn.
    failed_ = true;
    scaled_ = Render(size);
    failed_ = false;
}

void ScaledPicture::Draw(QPainter& canvas, const QRect& rect) {
    if (Animated()) {
        picture_.Draw(canvas, rect);
        return;
    }
    if (rect.size() != size_) {
        Prepare(rect.size());
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
