#include "Bitmap.h"

#include "BmpDecoder.h"
#include "ImageLimits.h"

#include <QIODevice>
#include <QPainter>

namespace qcm::pictures {

using namespace qcm::core;

void TDibGraphic::Load(QIODevice& stream, pictures::DibRules rules, const QString& error) {
    const QByteArray bytes = ReadRest(stream);
    QImage image;
    if (!bytes.isEmpty()) {
        pictures::DibResult result = pictures::DecodeBmpFile(bytes, rules);
        if (result.failure == pictures::kDibTooLarge) {
            throw EInvalidGraphic(pictures::TooLargeText());
        }
        if (result.failure != nullptr) {
            throw EInvalidGraphic(error);
        }
        image = std::move(result.image);
    }
    image_ = std::move(image);
    paintable_ = QImage();
    Changed();
}

void TDibGraphic::Draw(QPainter& canvas, const QRect& rect) {
    if (image_.isNull()) {
        return;
    }
    if (image_.format() != QImage::Format_Indexed8 && image_.format() != QImage::Format_Mono) {
        canvas.drawImage(rect, image_);
        return;
    }
    if (paintable_.isNull()) {
        paintable_ = image_.convertToFormat(QImage::Format_RGB32);
    }
    canvas.drawImage(rect, paintable_);
}

void TBitmap::LoadFromStream(QIODevice& stream) {
    Load(stream, pictures::DibRules::Bitmap, QStringLiteral("Image bitmap incorrecte"));
}

void TDIB::LoadFromStream(QIODevice& stream) {
    Load(stream, pictures::DibRules::StrictDib, QStringLiteral("不正な DIB です"));
}

} // namespace qcm::pictures
