#include "Navigateur.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace qcm::platform {

namespace {

Navigateur* installe = nullptr;

} // namespace

NavigateurBureau::NavigateurBureau(QString programme) : programme_(std::move(programme)) {
    if (programme_.isEmpty()) {
        programme_ = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    }
}

void NavigateurBureau::Ouvrir(const QString& chemin, std::function<void()> echec) {
    if (programme_.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(chemin))) {
            echec();
        }
        return;
    }
    // Qt's opener only says whether xdg-open started; a browser that then
    // refuses to run would go unnoticed. The opener may also stay as long as
    // the browser it runs: it is watched, never waited for. Owned by the
    // application, so that it outlives the window that asked.
    auto* processus = new QProcess(QCoreApplication::instance());
    processus->setProgram(programme_);
    processus->setArguments({chemin});
    processus->setStandardOutputFile(QProcess::nullDevice());
    processus->setStandardErrorFile(QProcess::nullDevice());
    auto fini = std::make_shared<bool>(false);
    auto terminer = [processus, fini, echec](bool reussi) {
        if (*fini) {
            return;
        }
        *fini = true;
        if (!reussi) {
            echec();
        }
        processus->deleteLater();
    };
    QObject::connect(processus, &QProcess::finished, processus,
                     [terminer](int code, QProcess::ExitStatus statut) {
                         terminer(statut == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(processus, &QProcess::errorOccurred, processus,
                     [terminer](QProcess::ProcessError erreur) {
                         if (erreur == QProcess::FailedToStart) {
                             terminer(false);
                         }
                     });
    processus->start();
}

Navigateur& NavigateurCourant() {
    static NavigateurBureau bureau;
    return installe != nullptr ? *installe : bureau;
}

void InstallerNavigateur(Navigateur* n) {
    installe = n;
}

void NavigateurScripte::Ouvrir(const QString& chemin, std::function<void()> echec) {
    ouverts.push_back(chemin);
    existaient.push_back(QFileInfo::exists(chemin));
    if (!reussite) {
        echec();
    }
}

} // namespace qcm::platform
