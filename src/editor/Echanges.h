#pragma once

#include "exchange/Impression.h"
#include "model/Questionnaire.h"

#include <QObject>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QWidget;

namespace qcm::editor {

using namespace qcm::model;

// The ways to take the open questionnaire out of the editor, as it stands
// (unsaved changes included, nothing saved), and to bring a question bank
// in; the keyboard reaches them (Clavier.h).
class RaccourcisEchange : public QObject {
    Q_OBJECT
public:
    RaccourcisEchange(QWidget& fenetre, const EtatEditeur& etat);

    // Each does nothing while no questionnaire is open.
    void ApercuImpression(exchange::Corrige corrige);
    void ExporterClick();
    void EssayerPage();

    // A GIFT or Moodle XML file, picked by the teacher, becomes a new
    // questionnaire folder of the start folder; what did not fit is shown,
    // then OuvrirImporte opens the folder (given by its name).
    void ImporterClick();
    std::function<void(const QString& dossier)> OuvrirImporte;

    // Where F5 writes the page: a folder of this run that only its user can
    // read (the page holds the answers), removed when the editor ends
    // unless no browser took the page.
    QString FichierPage();

private:
    bool Ouvert() const;
    // Where the export dialog opens: the folder of this run's last export,
    // else the documents folder; never a questionnaire's folder.
    QString DossierExport() const;

    QWidget& fenetre_;
    const EtatEditeur& etat_;
    std::unique_ptr<QTemporaryDir> dossierEssai_;
    QString dernierExport_;
    QString dernierImport_;
};

} // namespace qcm::editor
