#pragma once

#include "model/Historique.h"
#include "model/Operations.h"

#include <QObject>

class QAction;
class QMenu;

namespace qcm::editor {

using namespace qcm::model;

class TDepart;

// What shapes the open questionnaire, by key and by right click (on the
// question strip, on the picture or the background): insert, duplicate,
// delete and move the current question, take away its picture or the
// background; and the one undo history of every change, wherever it was
// made.
class FormesQuestionnaire : public QObject {
    Q_OBJECT
public:
    FormesQuestionnaire(TDepart& fenetre, EtatEditeur& etat);

    // Each does nothing while no questionnaire is open.
    void InsererClick();
    void DupliquerClick();
    // Asks first, naming the question.
    void SupprimerClick();
    // sens -1: one place earlier, +1: one place later.
    void DeplacerClick(int sens);
    void RetirerImageClick();
    void RetirerFondClick();
    void AnnulerClick();
    void RetablirClick();

    // Another questionnaire is in the record: the history starts again.
    void Recommencer();
    // The record has just been changed by an edit from source (a field,
    // a button, or nothing): it becomes a step of the history, unless it
    // continues the typing of the same visit of a field.
    void Changement(const QObject* source);
    // The record changed without a step of its own (saving packs the
    // propositions): the next change starts from it.
    void Recaler();

    const Historique& Etapes() const { return historique_; }

    QMenu* MenuBande;
    QMenu* MenuImage;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    bool Ouvert() const;
    // Inserts or duplicates, unless the last question would be pushed out.
    void Ajouter(Resultat (*operation)(const TQuestionnaire&, int));
    // Shows menu at global after the entries that cannot act are greyed.
    void Montrer(QMenu& menu, const QPoint& global);
    // Makes r the record, as a step of the history.
    void Appliquer(Resultat r);
    // Puts record into the window, question shown, without a step.
    void Revenir(TQuestionnaire record, int question);

    TDepart& fenetre_;
    EtatEditeur& etat_;
    Historique historique_;
    // The record as the history last saw it.
    TQuestionnaire connu_;
    // The field whose typing the last step holds, and its question.
    const QObject* visite_ = nullptr;
    int questionVisite_ = 0;
    QAction* retirerImage_ = nullptr;
    QAction* retirerFond_ = nullptr;
    QAction* annuler_ = nullptr;
    QAction* retablir_ = nullptr;
};

} // namespace qcm::editor
