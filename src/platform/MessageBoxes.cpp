#include "MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>

#include <memory>

namespace qcm::platform {

namespace {

// A box without a cancel button must be answered with one of its buttons:
// Escape and the close button would otherwise answer No, and "No" to the
// question asked on leaving throws the work away.
class BoiteSansEchappatoire : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (clickedButton() == nullptr) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

class BoitesQt : public BoitesMessages {
public:
    Reponse Montrer(const QString& texte, const QString& titre, Boutons boutons,
                    Icone icone) override {
        std::unique_ptr<QMessageBox> boite =
            boutons == Boutons::OuiNon
                ? std::make_unique<BoiteSansEchappatoire>(QApplication::activeWindow())
                : std::make_unique<QMessageBox>(QApplication::activeWindow());
        QMessageBox& box = *boite;
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
        case Boutons::OuiNonEchapNon:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            break;
        case Boutons::OuiNonAnnuler:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        }
        // A screen reader reads the box's title and text, and what its icon says.
        box.setAccessibleName(titre);
        box.setAccessibleDescription(texte);
        if (auto* image = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
            image->setAccessibleName(icone == Icone::Question      ? QStringLiteral("Question")
                                     : icone == Icone::Exclamation ? QStringLiteral("Attention")
                                                                   : QStringLiteral("Erreur"));
        }
        if (auto* boutonsBoite = box.findChild<QDialogButtonBox*>()) {
            boutonsBoite->setAccessibleName(QStringLiteral("Réponses"));
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return Reponse::Ok;
        case QMessageBox::Yes:
            return Reponse::Oui;
        case QMessageBox::No:
            return Reponse::Non;
        default:
            // Escape or the close button, which only a box with a way out takes.
            return boutons == Boutons::OuiNon || boutons == Boutons::OuiNonEchapNon
                       ? Reponse::Non
                       : Reponse::Annuler;
        }
    }
};

BoitesQt& LesBoitesQt() {
    static BoitesQt b;
    return b;
}

BoitesMessages* installees = nullptr;

} // namespace

BoitesMessages& Boites() {
    return installees != nullptr ? *installees : LesBoitesQt();
}

void InstallerBoites(BoitesMessages* b) {
    installees = b;
}

Reponse BoitesScriptees::Montrer(const QString& texte, const QString& titre, Boutons boutons,
                                 Icone icone) {
    montrees.push_back({texte, titre, boutons, icone});
    if (reponses_.empty()) {
        return boutons == Boutons::OuiNon || boutons == Boutons::OuiNonEchapNon ? Reponse::Non
               : boutons == Boutons::Ok                                         ? Reponse::Ok
                                                                                : Reponse::Annuler;
    }
    const Reponse r = reponses_.front();
    reponses_.pop_front();
    return r;
}

} // namespace qcm::platform
