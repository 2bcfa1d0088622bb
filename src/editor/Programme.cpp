#include "Programme.h"

#include "Depart.h"
#include "dialogs/ChoixQCM.h"
#include "dialogs/Faide.h"
#include "display/ScaledDisplay.h"
#include "editor/resources/Glyphes.h"
#include "platform/Garde.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QPixmap>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace qcm::editor {

using namespace qcm::model;
using namespace qcm::dialogs;

namespace {
// The scale of the full-screen display is fixed before Qt starts. On a
// screen where nothing would be drawn, the program says so and stops.
int& AvantQt(int& argc) {
    const QString refus = display::PrepareScaling();
    if (!refus.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(refus));
        std::exit(EXIT_FAILURE);
    }
    return argc;
}
} // namespace

Application::Application(int& argc, char** argv) : QApplication(AvantQt(argc), argv) {
    display::EndPreparation();
    setApplicationName(QStringLiteral("QCM"));
    setWindowIcon(QIcon(QPixmap::fromImage(glyphes::Icone())));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool traite = false;
    platform::Proteger([&] { traite = QApplication::notify(receiver, event); });
    return traite;
}

void ChargerTraductions(QApplication& app) {
    auto* qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(qt);
    }
}

Programme::Programme() {
    depart_ = std::make_unique<TDepart>(etat_, ServicesDepart{&illustrations_, &musique_, &sons_});
    choix_ = std::make_unique<TChoixQCM>(etat_.RepertoireDepart);
    platform::Proteger([this] { choix_->FormCreate(); });
    depart_->Brancher(choix_.get(), &faide_);
}

Programme::~Programme() = default;

void AproposDiffere::Montrer() {
    Boite().Montrer();
}

TFaide& AproposDiffere::Boite() {
    if (!boite_) {
        boite_ = std::make_unique<TFaide>();
    }
    return *boite_;
}

void Programme::Show() {
    depart_->show();
}

} // namespace qcm::editor
