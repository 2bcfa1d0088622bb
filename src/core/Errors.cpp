#include "Errors.h"

#include <cerrno>
#include <cmath>

namespace qcm::core {

Exception::Exception(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8().toStdString()) {}

EInOutError::EInOutError(int code) : Exception(TextFor(code)), code_(code) {}

QString EInOutError::TextFor(int code) {
    switch (code) {
    case FileNotFound:
        return QStringLiteral("Fichier introuvable");
    case BadFileName:
        return QStringLiteral("Nom de fichier incorrect");
    case TooManyOpenFiles:
        return QStringLiteral("Trop de fichiers ouverts");
    case AccessDenied:
        return QStringLiteral("Accès au fichier refusé");
    case ReadBeyondEnd:
        return QStringLiteral("Lecture au-delà de la fin de fichier");
    case DiskFull:
        return QStringLiteral("Disque plein");
    case InvalidNumber:
        return QStringLiteral("Saisie numérique incorrecte");
    default:
        return QStringLiteral("Erreur E/S %1").arg(code);
    }
}

int EInOutError::CodeFromErrno(int errnum) {
    switch (errnum) {
    case 0:
        return GeneralFailure;
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
    case EISDIR:
        return BadFileName;
    case EMFILE:
    case ENFILE:
        return TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return AccessDenied;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return DiskFull;
    default:
        // A system code that happens to equal one of ours would show a
        // misleading text; those show as a general device failure.
        switch (errnum) {
        case FileNotFound:
        case BadFileName:
        case TooManyOpenFiles:
        case AccessDenied:
        case ReadBeyondEnd:
        case DiskFull:
        case InvalidNumber:
            return GeneralFailure;
        default:
            return errnum;
        }
    }
}

namespace {

// Rounded up, so that a size just over the limit does not read as equal to
// it; "4", not "4,0".
QString Megaoctets(qint64 bytes) {
    const double tenths = std::ceil(static_cast<double>(bytes) / (1024.0 * 1024.0) * 10.0);
    QString text = QString::number(tenths / 10.0, 'f', 1);
    if (text.endsWith(QLatin1String(".0"))) {
        text.chop(2);
    }
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

EFileTooLarge::EFileTooLarge(const QString& path, qint64 size, qint64 limit)
    : Exception(
          QStringLiteral("Le fichier %1 est trop volumineux (%2 Mo ; la limite est de %3 Mo).")
              .arg(path, Megaoctets(size), Megaoctets(limit))) {}

} // namespace qcm::core
