#pragma once

#include "Illustrations.h"
#include "Services.h"
#include "model/Questionnaire.h"
#include "platform/MoteurSon.h"
#include "platform/Musique.h"
#include "platform/Sons.h"

#include <QApplication>

#include <memory>

namespace qcm::dialogs {
class TChoixQCM;
class TFaide;
} // namespace qcm::dialogs

namespace qcm::editor {

using namespace qcm::model;
using dialogs::TChoixQCM;
using dialogs::TFaide;

class TDepart;

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
// folder, the about box. Show() lets the event loop show the window.
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
    TFaide& Faide() { return *faide_; }

private:
    EtatEditeur etat_;
    IllustrationsEditeur illustrations_;
    platform::MoteurSon moteur_{platform::SortieSon::Systeme};
    platform::Musique musique_{moteur_};
    platform::Sons sons_{moteur_};
    std::unique_ptr<TDepart> depart_;
    std::unique_ptr<TChoixQCM> choix_;
    std::unique_ptr<TFaide> faide_;
};

} // namespace qcm::editor
