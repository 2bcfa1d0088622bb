#include "Export.h"

namespace qcm::exchange {

QByteArray ExporterHtml(const model::TQuestionnaire&, const QString&) {
    throw EEchange(QStringLiteral("Format pas encore disponible"));
}

} // namespace qcm::exchange
