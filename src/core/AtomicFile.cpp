#include "AtomicFile.h"

#include "Errors.h"
#include "Folders.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qcm::core {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Some file systems report a failed write only when the file is closed.
    int Close() {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// Removes a temporary file unless it has taken its place.
class TemporaryName {
public:
    explicit TemporaryName(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryName() {
        if (!path_.isEmpty()) {
            ::unlink(path_.constData());
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;
    void Keep() { path_.clear(); }

private:
    QByteArray path_;
};

[[noreturn]] void Raise(int errnum) {
    throw EInOutError::FromErrno(errnum);
}

[[noreturn]] void Refuse() {
    throw EInOutError(EInOutError::AccessDenied);
}

// Non-blocking, so that a pipe opens at once and is refused rather than
// waiting for a writer that never comes.
Fd OpenRegular(const QByteArray& path, int flags, struct stat& st) {
    Fd fd(::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        Raise(errno);
    }
    if (::fstat(fd.Get(), &st) != 0) {
        Raise(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        Refuse();
    }
    return fd;
}

// Appends to out what fd holds from its position, until out holds limit
// bytes or the file ends.
void ReadInto(int fd, QByteArray& out, qint64 limit) {
    char buffer[64 * 1024];
    while (out.size() < limit) {
        const auto want = static_cast<size_t>(std::min<qint64>(sizeof buffer, limit - out.size()));
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            Raise(errno);
        }
        if (got == 0) {
            return;
        }
        out.append(buffer, got);
    }
}

// Answers 0 or the errno of the first failure; a short write is retried,
// since only the next call tells why it was short.
int WriteAll(int fd, QByteArrayView bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done),
                     static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        done += n;
    }
    return 0;
}

// The fallback for a folder that takes no new file: the old bytes are kept
// in memory and written back if the new ones cannot all be written.
void WriteInPlace(const QByteArray& path, const QByteArray& bytes) {
    struct stat st {};
    Fd fd = OpenRegular(path, O_RDWR, st);
    QByteArray old;
    ReadInto(fd.Get(), old, st.st_size);
    int failure = WriteAll(fd.Get(), bytes);
    if (failure == 0 && ::ftruncate(fd.Get(), bytes.size()) != 0) {
        failure = errno;
    }
    if (failure == 0 && ::fsync(fd.Get()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        // The old bytes fit where they were; nothing more can be done if
        // even that fails.
        if (WriteAll(fd.Get(), old) == 0 && ::ftruncate(fd.Get(), old.size()) == 0) {
            ::fsync(fd.Get());
        }
        Raise(failure);
    }
    if (const int e = fd.Close()) {
        Raise(e);
    }
}

// A link is followed, so that it keeps leading to the questionnaire.
QByteArray ResolveLink(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr),
                                                           &std::free);
    if (!real) {
        Raise(errno);
    }
    return QByteArray(real.get());
}

} // namespace

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QByteArray target = folders::EncodeName(path);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT) {
        Raise(errno);
    }
    // Renaming over a folder or a device would fail with a misleading
    // reason, or succeed and destroy it.
    if (exists && !S_ISREG(st.st_mode)) {
        Refuse();
    }
    if (exists) {
        target = ResolveLink(target);
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray base = target.mid(slash + 1);

    Fd fd;
    QByteArray temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = folder + "/." + base + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 16);
        fd = Fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd) {
            break;
        }
        if (errno == EEXIST && attempt < 100) {
            continue;
        }
        if ((errno == EACCES || errno == EPERM) && exists) {
            WriteInPlace(target, bytes);
            return;
        }
        Raise(errno);
    }
    TemporaryName cleanup(temporary);
    if (exists && ::fchmod(fd.Get(), st.st_mode & 07777) != 0) {
        Raise(errno);
    }
    if (const int e = WriteAll(fd.Get(), bytes)) {
        Raise(e);
    }
    if (::fsync(fd.Get()) != 0) {
        Raise(errno);
    }
    if (const int e = fd.Close()) {
        Raise(e);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        Raise(errno);
    }
    cleanup.Keep();
    // Makes the rename itself durable; the new content is already safe, so
    // a folder that cannot be synchronised is no failure of the save.
    const Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.Get());
    }
}

QByteArray ReadWholeFile(const QString& path, qint64 maxBytes) {
    struct stat st {};
    const Fd fd = OpenRegular(folders::EncodeName(path), O_RDONLY, st);
    if (st.st_size > maxBytes) {
        throw EFileTooLarge(path, st.st_size, maxBytes);
    }
    QByteArray bytes;
    bytes.reserve(st.st_size);
    ReadInto(fd.Get(), bytes, maxBytes + 1);
    // The file may have grown since it was measured.
    if (bytes.size() > maxBytes) {
        throw EFileTooLarge(path, bytes.size(), maxBytes);
    }
    return bytes;
}

QByteArray ReadFileStart(const QString& path, qint64 maxBytes) {
    struct stat st {};
    const Fd fd = OpenRegular(folders::EncodeName(path), O_RDONLY, st);
    QByteArray bytes;
    bytes.reserve(std::min<qint64>(st.st_size, maxBytes));
    ReadInto(fd.Get(), bytes, maxBytes);
    return bytes;
}

} // namespace qcm::core
