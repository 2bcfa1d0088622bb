#include "FileSystem.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"

namespace qcm::platform {

using namespace qcm::core;

void CreerDossier(const QString& path) {
    folders::MakeFolder(path);
}

QStringList SousDossiers(const QString& folder) {
    return folders::Subfolders(folder);
}

void CopierFichier(const QString& source, const QString& destination) {
    // Pictures and pieces of music are a few megabytes; the bound only keeps
    // a wrong pick (a disk image) from filling memory.
    constexpr qint64 kTailleMax = qint64{1} << 30;
    WriteFileAtomically(destination, ReadWholeFile(source, kTailleMax));
}

} // namespace qcm::platform
