#include "DialogueFichier.h"

#include <QFileDialog>

namespace qcm::platform {

QStringList FiltresQt(const QString& filtre) {
    const QStringList parts = filtre.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out;
}

void PreparerOuverture(QFileDialog& dialog, const QString& filtre, const QString& dossier) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The list shows each description as written, not Qt's pattern list.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filtres = FiltresQt(filtre);
    dialog.setNameFilters(filtres);
    if (!filtres.isEmpty()) {
        dialog.selectNameFilter(filtres.first());
    }
    if (!dossier.isEmpty()) {
        dialog.setDirectory(dossier);
    }
}

} // namespace qcm::platform
