#pragma once

#include <QString>
#include <QStringList>

// Folder creation and listing; the current folder itself is core/Folders.h.
namespace qcm::platform {

// Creates the folder path (its parent must exist). Raises EInOutError with
// the system's reason when it cannot.
void CreerDossier(const QString& path);

// Names of the entries of folder that are folders (links followed), hidden
// and system ones included, in the order the file system lists them.
QStringList SousDossiers(const QString& folder);

} // namespace qcm::platform
