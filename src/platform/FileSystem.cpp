#include "FileSystem.h"

#include "core/Errors.h"

#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace qcm::platform {

void CreerDossier(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0777) != 0) {
        throw EInOutError::fromErrno(errno);
    }
}

QStringList SousDossiers(const QString& folder) {
    QStringList names;
    QDirIterator it(folder, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

} // namespace qcm::platform
