#include "AtomicFile.h"

#include "Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace qcm {

namespace {

// Qt reports file errors without the system's code; errno still holds it
// right after the failing call, which is the code the user should see.
[[noreturn]] void Fail(const QFileDevice& file, int savedErrno) {
    if (savedErrno != 0) {
        throw EInOutError::fromErrno(savedErrno);
    }
    switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        throw EInOutError(EInOutError::AccessDenied);
    case QFileDevice::ResourceError:
        throw EInOutError(EInOutError::DiskFull);
    case QFileDevice::ReadError:
        throw EInOutError(EInOutError::ReadBeyondEnd);
    default:
        throw EInOutError(EInOutError::DiskFull);
    }
}

} // namespace

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        Fail(file, errno);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int e = errno;
        file.cancelWriting();
        Fail(file, e);
    }
    errno = 0;
    if (!file.commit()) {
        Fail(file, errno);
    }
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path)) {
            throw EInOutError(EInOutError::FileNotFound);
        }
        Fail(file, errno);
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Fail(file, errno);
    }
    return bytes;
}

} // namespace qcm
