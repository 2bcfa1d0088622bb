#pragma once

#include "model/Questionnaire.h"

#include <QHash>
#include <QObject>

namespace qcm::editor {

class TDepart;

// What a screen reader learns of the editor window: a French name for
// every control, the right-answer buttons as check boxes (several answers)
// or radio buttons (one answer) with their state, the strip's cells as
// buttons "Question n" with the current one selected, the picture by its
// file name. Names follow the record; what changes is announced.
class AccessibiliteDepart : public QObject {
    Q_OBJECT
public:
    AccessibiliteDepart(TDepart& fenetre, const model::EtatEditeur& etat);

    // Brings names and states up to date with the record and the window,
    // announcing each change; cheap when nothing changed.
    void Actualiser();

private:
    TDepart& fenetre_;
    const model::EtatEditeur& etat_;
    int courante_ = -1;
    // The tags last announced of the buttons that have a checked state.
    QHash<const QObject*, int> etats_;
};

// The interfaces of the program's own controls (the glyph buttons and the
// strip's cells), for every window; installed once.
void InstallerAccessibilite();

} // namespace qcm::editor
