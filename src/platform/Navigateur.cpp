#include "Navigateur.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace qcm::platform {

namespace {

class NavigateurBureau : public Navigateur {
public:
    bool Ouvrir(const QString& chemin) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(chemin));
    }
};

Navigateur* installe = nullptr;

} // namespace

Navigateur& NavigateurCourant() {
    static NavigateurBureau bureau;
    return installe != nullptr ? *installe : bureau;
}

void InstallerNavigateur(Navigateur* n) {
    installe = n;
}

bool NavigateurScripte::Ouvrir(const QString& chemin) {
    ouverts.push_back(chemin);
    existaient.push_back(QFileInfo::exists(chemin));
    return reussite;
}

} // namespace qcm::platform
