#include "Folders.h"

#include "Errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace qcm::folders {

QString current() {
    return QDir::currentPath();
}

QString join(const QString& folder, const QString& name) {
    if (QDir::isAbsolutePath(name)) {
        return name;
    }
    return QDir(folder).filePath(name);
}

QString findEntry(const QString& folder, const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
        return QFileInfo::exists(join(folder, name)) ? name : QString();
    }
    if (QFileInfo::exists(QDir(folder).filePath(name))) {
        return name;
    }
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        QString entry = it.fileName();
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return {};
}

QString entryPath(const QString& folder, const QString& name) {
    const QString found = findEntry(folder, name);
    return join(folder, found.isEmpty() ? name : found);
}

bool sameFolder(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

} // namespace qcm::folders
