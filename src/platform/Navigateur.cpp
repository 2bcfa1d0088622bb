#include "Navigateur.h"

#include "Environnement.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
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

void NavigateurBureau::Ouvrir(const QString& chemin, std::function<void()> echec,
                              std::function<void()> reussite) {
    if (programme_.isEmpty()) {
        if (QDesktopServices::openUrl(
                QUrl::fromUserInput(chemin, QString(), QUrl::AssumeLocalFile))) {
            if (reussite) {
                reussite();
            }
        } else {
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
    // Not the scale and platform the program set for its own windows.
    processus->setProcessEnvironment(EnvironnementDonne());
    processus->setStandardOutputFile(QProcess::nullDevice());
    processus->setStandardErrorFile(QProcess::nullDevice());
    auto verdict = std::make_shared<bool>(false);
    auto juger = [verdict, echec, reussite](bool reussi) {
        if (*verdict) {
            return;
        }
        *verdict = true;
        if (!reussi) {
            echec();
        } else if (reussite) {
            reussite();
        }
    };
    QObject::connect(processus, &QProcess::finished, processus,
                     [juger, processus](int code, QProcess::ExitStatus statut) {
                         juger(statut == QProcess::NormalExit && code == 0);
                         processus->deleteLater();
                     });
    QObject::connect(processus, &QProcess::errorOccurred, processus,
                     [juger, processus](QProcess::ProcessError erreur) {
                         if (erreur == QProcess::FailedToStart) {
                             juger(false);
                             processus->deleteLater();
                         }
                     });
    QTimer::singleShot(kDelaiPrise, processus, [juger] { juger(true); });
    processus->start();
}

Navigateur& NavigateurCourant() {
    static NavigateurBureau bureau;
    return installe != nullptr ? *installe : bureau;
}

void InstallerNavigateur(Navigateur* n) {
    installe = n;
}

void NavigateurScripte::Ouvrir(const QString& chemin, std::function<void()> echec,
                               std::function<void()> reussite) {
    ouverts.push_back(chemin);
    existaient.push_back(QFileInfo::exists(chemin));
    if (!this->reussite) {
        echec();
    } else if (reussite) {
        reussite();
    }
}

} // namespace qcm::platform
