#include "Gif.h"

namespace qcm {

void TGIFImage::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TGIFImage::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

} // namespace qcm
