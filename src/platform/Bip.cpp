#include "Bip.h"

#include <QApplication>

namespace qcm::platform {

namespace {

BipsComptes* compteur = nullptr;

} // namespace

void Bip() {
    if (compteur != nullptr) {
        ++compteur->bips;
        return;
    }
    QApplication::beep();
}

BipsComptes::BipsComptes() {
    compteur = this;
}

BipsComptes::~BipsComptes() {
    compteur = nullptr;
}

} // namespace qcm::platform
