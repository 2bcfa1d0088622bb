#pragma once

#include "Export.h"

#include <QByteArray>

#include <vector>

namespace qcm::exchange {

// The files as a zip archive, built in memory so that the caller writes it
// as any other export. The same files give the same bytes: the entries are
// sorted by name and carry a fixed date and fixed permissions. Raises
// EEchange for a name that is empty, absolute, holds a backslash, a "." or
// ".." part or appears twice: an archive never writes outside the folder it
// is unpacked into.
QByteArray Zipper(std::vector<FichierJoint> fichiers);

} // namespace qcm::exchange
