#include "FileSystem.h"

#include "core/Folders.h"

namespace qcm::platform {

using namespace qcm::core;

void CreerDossier(const QString& path) {
    folders::MakeFolder(path);
}

QStringList SousDossiers(const QString& folder) {
    return folders::Subfolders(folder);
}

} // namespace qcm::platform
