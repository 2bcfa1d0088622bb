#pragma once

#include <QString>

#include <functional>

// The application's one exception handler. Every handler the event loop
// runs goes through Proteger: a failure shows its message in a box titled
// "QCM" and the event loop goes on with the next event.
namespace qcm::platform {

// Runs action; returns false when it raised (the message has been shown).
bool Proteger(const std::function<void()>& action);

// Shows a failure's message as the application's error box.
void AfficherErreur(const QString& message);

} // namespace qcm::platform
