#include "Jpeg.h"

namespace qcm {

void TJPEGImage::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TJPEGImage::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

} // namespace qcm
