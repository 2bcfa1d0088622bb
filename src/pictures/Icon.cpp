#include "Icon.h"

namespace qcm {

void TIcon::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TIcon::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

} // namespace qcm
