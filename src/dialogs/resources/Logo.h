#pragma once

#include <QByteArray>

namespace qcm::dialogs::logo {

// The bytes of the about box's animated logo, a GIF file built into the
// program.
QByteArray Octets();

} // namespace qcm::dialogs::logo
