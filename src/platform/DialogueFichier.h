#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace qcm::platform {

// The filters of an open dialog as the editor writes them, pairs of
// description and patterns separated by "|" ("Bitmaps (*.bmp)|*.bmp"),
// as Qt's name filters: "Bitmaps (*.bmp) (*.bmp)", the description as
// written, which the dialog shows, then the patterns Qt matches.
QStringList FiltresQt(const QString& filtre);

// Sets dialog up as the editor's open-file dialogs are: Qt's own dialog
// (not the desktop's, so that panels may be added and tests may drive it),
// an existing file to pick, the filters, the first one selected, and the
// initial folder. Run it with ExecuterModal.
void PreparerOuverture(QFileDialog& dialog, const QString& filtre, const QString& dossier);

} // namespace qcm::platform
