#pragma once

#include <QString>
#include <QStringList>

// Folder creation and listing under the names the editor's handlers use;
// both forward to core/Folders.h.
namespace qcm::platform {

// Creates the folder path (its parent must exist). Raises EInOutError with
// the system's reason when it cannot.
void CreerDossier(const QString& path);

// Names of the entries of folder that are folders (links followed), hidden
// ones included, in the order of their bytes. Raises EInOutError with the
// system's reason when folder cannot be listed.
QStringList SousDossiers(const QString& folder);

// Copies the file source over destination, which it replaces whole or not
// at all. Raises EInOutError (2 when source does not exist, 5 when it may
// not be read, 101 when the disk is full) or EFileTooLarge beyond 1 GiB.
void CopierFichier(const QString& source, const QString& destination);

} // namespace qcm::platform
