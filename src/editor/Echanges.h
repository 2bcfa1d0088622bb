#pragma once

#include "exchange/Impression.h"
#include "model/Questionnaire.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>

class QWidget;

namespace qcm::editor {

using namespace qcm::model;

// The keyboard's ways to take the open questionnaire out of the editor, as
// it stands (unsaved changes included, nothing saved), without a visible
// control: Ctrl+P the print preview, Ctrl+Shift+P the same with the answer
// key, Ctrl+E an export to a file, F5 the pupil's page in the browser.
class RaccourcisEchange : public QObject {
    Q_OBJECT
public:
    RaccourcisEchange(QWidget& fenetre, const EtatEditeur& etat);

    // Each does nothing while no questionnaire is open.
    void ApercuImpression(exchange::Corrige corrige);
    void ExporterClick();
    void EssayerPage();

    // Where F5 writes the page: a folder of this run that only its user can
    // read (the page holds the answers), removed when the editor ends
    // unless no browser took the page.
    QString FichierPage();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    bool Ouvert() const;
    // Where the export dialog opens: never a questionnaire's folder.
    QString DossierExport() const;

    QWidget& fenetre_;
    const EtatEditeur& etat_;
    std::unique_ptr<QTemporaryDir> dossierEssai_;
};

} // namespace qcm::editor
