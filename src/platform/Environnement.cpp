#include "Environnement.h"

#include <QMutex>

#include <map>
#include <optional>

namespace qcm::platform {

namespace {

QMutex& Garde() {
    static QMutex garde;
    return garde;
}

// The first value of each variable changed; none when it was unset.
std::map<QByteArray, std::optional<QByteArray>>& Donnes() {
    static std::map<QByteArray, std::optional<QByteArray>> donnes;
    return donnes;
}

} // namespace

void ChangerPourLeProgramme(const char* nom, const QByteArray& valeur) {
    const QMutexLocker verrou(&Garde());
    const QByteArray cle(nom);
    if (!Donnes().contains(cle)) {
        Donnes()[cle] = qEnvironmentVariableIsSet(nom) ? std::optional(qgetenv(nom)) : std::nullopt;
    }
    qputenv(nom, valeur);
}

QProcessEnvironment EnvironnementDonne() {
    const QMutexLocker verrou(&Garde());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [nom, valeur] : Donnes()) {
        const QString cle = QString::fromLocal8Bit(nom);
        if (valeur) {
            env.insert(cle, QString::fromLocal8Bit(*valeur));
        } else {
            env.remove(cle);
        }
    }
    return env;
}

} // namespace qcm::platform
