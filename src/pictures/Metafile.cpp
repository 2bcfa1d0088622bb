#include "Metafile.h"

namespace qcm {

void TMetafile::LoadFromStream(QIODevice& /*stream*/) {
    throw EInvalidGraphic(QStringLiteral("Format non pris en charge"));
}

void TMetafile::Draw(QPainter& /*canvas*/, const QRect& /*rect*/) {}

} // namespace qcm
