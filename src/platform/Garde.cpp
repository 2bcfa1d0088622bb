#include "Garde.h"

#include "MessageBoxes.h"
#include "core/Errors.h"

namespace qcm::platform {

using namespace qcm::core;

void AfficherErreur(const QString& message) {
    MessageBox(message, QStringLiteral("QCM"), Boutons::Ok, Icone::Erreur);
}

bool Proteger(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const Exception& e) {
        AfficherErreur(e.Message());
    } catch (const std::bad_alloc&) {
        AfficherErreur(QStringLiteral("Mémoire insuffisante"));
    } catch (const std::exception& e) {
        AfficherErreur(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        AfficherErreur(QStringLiteral("Erreur inconnue"));
    }
    return false;
}

} // namespace qcm::platform
