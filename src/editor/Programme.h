#pragma once

#include "Illustrations.h"
#include "Services.h"
#include "dialogs/Faide.h"
#include "model/Questionnaire.h"
#include "platform/MoteurSon.h"
#include "platform/Musique.h"
#include "platform/Sons.h"

#include <QApplication>

#include <memory>

namespace qcm::dialogs {
class TChoixQCM;
} // namespace qcm::dialogs

namespace qcm::editor {

using namespace qcm::model;
using dialogs::TChoixQCM;
using dialogs::TFaide;

class TDepart;

// The about box, built when it is first asked for: its logo and texts cost
// start-up time and memory for a box seen only on leaving.
class AproposDiffere : public dialogs::BoiteApropos {
public:
    void Montrer() override;
    TFaide& Boite();

private:
    std::unique_ptr<TFaide> boite_;
};

// The application object: the last net under the event loop, so that no
// failure crosses it; handlers are guarded one by one before that.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own French texts ("Oui", "Non", "Annuler") into app.
void ChargerTraductions(QApplication& app);

// Everything the program creates at start, in its order: the editor
// window (the main window), the chooser with its scan of the current
// folder, the about box (built when first asked for). Show() lets the
// event loop show the window.
class Programme {
public:
    Programme();
    ~Programme();
    Programme(const Programme&) = delete;
    Programme& operator=(const Programme&) = delete;

    void Show();

    EtatEditeur& Etat() { return etat_; }
    TDepart& Depart() { return *depart_; }
    TChoixQCM& Choix() { return *choix_; }
    TFaide& Faide() { return faide_.Boite(); }

private:
    EtatEditeur etat_;
    IllustrationsEditeur illustrations_;
    platform::MoteurSon moteur_{platform::SortieSon::Systeme};
    platform::Musique musique_{moteur_};
    platform::Sons sons_{moteur_};
    std::unique_ptr<TDepart> depart_;
    std::unique_ptr<TChoixQCM> choix_;
    AproposDiffere faide_;
};

} // namespace qcm::editor
