#include "Export.h"

namespace qcm::exchange {

QByteArray ExporterGift(const model::TQuestionnaire&, const QString&) {
    throw EEchange(QStringLiteral("Format pas encore disponible"));
}

} // namespace qcm::exchange
