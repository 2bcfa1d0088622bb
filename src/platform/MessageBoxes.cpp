#include "MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace qcm::platform {

namespace {

class BoitesQt : public BoitesMessages {
public:
    Reponse Montrer(const QString& texte, const QString& titre, Boutons boutons,
                    Icone icone) override {
        QMessageBox box(QApplication::activeWindow());
        box.setText(texte);
        box.setWindowTitle(titre);
        switch (icone) {
        case Icone::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icone::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icone::Erreur:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        switch (boutons) {
        case Boutons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Boutons::OkAnnuler:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Boutons::OuiNon:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return Reponse::Ok;
        case QMessageBox::Yes:
            return Reponse::Oui;
        case QMessageBox::No:
            return Reponse::Non;
        default:
            // Escape or a closed box: the refusing answer.
            return boutons == Boutons::OuiNon ? Reponse::Non : Reponse::Annuler;
        }
    }
};

BoitesQt& boitesQt() {
    static BoitesQt b;
    return b;
}

BoitesMessages* installees = nullptr;

} // namespace

BoitesMessages& boites() {
    return installees != nullptr ? *installees : boitesQt();
}

void installerBoites(BoitesMessages* b) {
    installees = b;
}

Reponse BoitesScriptees::Montrer(const QString& texte, const QString& titre, Boutons boutons,
                                 Icone icone) {
    montrees.push_back({texte, titre, boutons, icone});
    if (reponses_.empty()) {
        return boutons == Boutons::OuiNon ? Reponse::Non
               : boutons == Boutons::Ok   ? Reponse::Ok
                                          : Reponse::Annuler;
    }
    const Reponse r = reponses_.front();
    reponses_.pop_front();
    return r;
}

} // namespace qcm::platform
