#include "FileSystem.h"

#include "core/Folders.h"

namespace qcm::platform {

using namespace qcm::core;

void CreerDossier(const QString& path) {
    folders::makeFolder(path);
}

QStringList SousDossiers(const QString& folder) {
    return folders::subfolders(folder);
}

} // namespace qcm::platform
