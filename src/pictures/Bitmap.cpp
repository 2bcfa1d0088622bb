#include "Bitmap.h"

namespace qcm {

void TBitmap::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TBitmap::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

void TDIB::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TDIB::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

} // namespace qcm
