#pragma once

// Drives the real editor window headless: a temporary start folder, boxes
// and modal dialogs answered from a script.
#include "dialogs/ChoixQCM.h"
#include "dialogs/Faide.h"
#include "display/ScriptedDevice.h"
#include "editor/Controles.h"
#include "editor/Depart.h"
#include "editor/Illustrations.h"
#include "editor/Services.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/MoteurSon.h"
#include "platform/Musique.h"
#include "platform/Sons.h"

#include "../support/TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace qcm::test {

using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;

using platform::Reponse;

inline QByteArray Lignes(std::initializer_list<const char*> lignes) {
    QByteArray out;
    for (const char* l : lignes) {
        out += l;
        out += "\r\n";
    }
    return out;
}

// Chooser answers, as the user would give them.
inline platform::ExecuteurScripte::Action Choisir(const QString& dossier) {
    return [dossier](QDialog& d) {
        auto& c = dynamic_cast<TChoixQCM&>(d);
        for (int i = 0; i < c.ListeReps->count(); ++i) {
            if (c.ListeReps->item(i)->text() == dossier) {
                c.Liste->setCurrentRow(i);
            }
        }
        QTest::mouseClick(c.CHARGER, Qt::LeftButton);
    };
}
inline platform::ExecuteurScripte::Action Nouveau() {
    return
        [](QDialog& d) { QTest::mouseClick(dynamic_cast<TChoixQCM&>(d).NOUVEAU, Qt::LeftButton); };
}
inline platform::ExecuteurScripte::Action Annuler() {
    return
        [](QDialog& d) { QTest::mouseClick(dynamic_cast<TChoixQCM&>(d).QUITTER, Qt::LeftButton); };
}

// A file dialog's answer: the file at chemin.
inline platform::ExecuteurScripte::Action Prendre(const QString& chemin) {
    return [chemin](QDialog& d) {
        auto& f = dynamic_cast<QFileDialog&>(d);
        f.selectFile(chemin);
        QMetaObject::invokeMethod(&f, "accept", Qt::DirectConnection);
    };
}

class Editeur {
public:
    TempDir dossier;
    platform::BoitesScriptees boites;
    platform::ExecuteurScripte modal;
    // A display that switches as asked.
    display::ScriptedDevice ecran;
    EtatEditeur etat;
    IllustrationsEditeur illustrations;
    // The real synthesizer, rendering into memory only when asked.
    platform::MoteurSon moteur{platform::SortieSon::Memoire};
    platform::Musique musique{moteur};
    platform::Sons sons{moteur};
    std::unique_ptr<TDepart> depart;
    std::unique_ptr<TChoixQCM> choix;
    std::unique_ptr<TFaide> faide;
    int terminaisons = 0;
    // The start folder; the temporary folder unless a test gives another.
    QString repertoire;

    ~Editeur() {
        depart.reset();
        choix.reset();
        faide.reset();
    }

    // Creates the program's windows on the start folder.
    void Creer() {
        etat.RepertoireDepart = repertoire.isEmpty() ? dossier.Path() : repertoire;
        depart = std::make_unique<TDepart>(etat, ServicesDepart{&illustrations, &musique, &sons});
        choix = std::make_unique<TChoixQCM>(etat.RepertoireDepart);
        choix->FormCreate();
        faide = std::make_unique<TFaide>();
        depart->Brancher(choix.get(), faide.get());
        depart->Terminer = [this] { ++terminaisons; };
    }

    // Shows the window; its first paint runs the chooser with this answer.
    void Demarrer(platform::ExecuteurScripte::Action reponse) {
        Creer();
        modal.Ajouter(std::move(reponse));
        depart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(depart.get()));
        Attendre();
    }

    static void Attendre() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }

    TQuestion& Q(int n) { return etat.Questionnaire.Question(n); }

    // Types texte key by key; characters without a key of their own come as
    // the text of an unknown key, as an input method would give them.
    static void Taper(QWidget* w, const QString& texte) {
        for (const QChar c : texte) {
            if (c.unicode() < 128) {
                QTest::keyClick(w, c.toLatin1());
                continue;
            }
            QKeyEvent appui(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &appui);
            QKeyEvent relache(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &relache);
        }
    }
    void Clic(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

    std::vector<QString> Legendes() const {
        std::vector<QString> out;
        for (const auto& b : boites.montrees) {
            out.push_back(b.titre);
        }
        return out;
    }
};

} // namespace qcm::test
