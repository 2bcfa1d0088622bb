#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// The process's environment as the program changes it for itself, and as
// it was given, for the programs it starts.
namespace qcm::platform {

// Sets nom for this process, remembering the value it had first (or that
// it had none).
void ChangerPourLeProgramme(const char* nom, const QByteArray& valeur);

// The environment as the program was given it: the process's own, with
// every variable ChangerPourLeProgramme changed set back.
QProcessEnvironment EnvironnementDonne();

} // namespace qcm::platform
