#include "Folders.h"

#include "Cp1252.h"
#include "Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qcm::core::folders {

namespace {

constexpr char16_t kEscape = 0xDC00;

bool IsEscape(char16_t c) {
    return c >= kEscape + 0x80 && c <= kEscape + 0xFF;
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The code point of the well-formed UTF-8 sequence at bytes[i] and its
// length, or a length of 0 when the bytes there are not one (overlong forms
// and encoded surrogates included, so that they stay escaped bytes).
std::pair<char32_t, int> Utf8At(QByteArrayView bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b = at(i);
    int len = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0, 0};
    }
    if (i + len > bytes.size() || at(i + 1) < lo || at(i + 1) > hi) {
        return {0, 0};
    }
    char32_t cp = b & (0xFF >> (len + 1));
    for (int k = 1; k < len; ++k) {
        if (!IsContinuation(at(i + k))) {
            return {0, 0};
        }
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    return {cp, len};
}

void AppendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

std::optional<QByteArray> TryEncode(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c == 0) {
            return std::nullopt;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (IsEscape(c)) {
            out += static_cast<char>(c - kEscape);
        } else if (QChar::isHighSurrogate(c) && i + 1 < name.size() &&
                   name[i + 1].isLowSurrogate()) {
            AppendUtf8(out, QChar::surrogateToUcs4(c, name[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            return std::nullopt;
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

bool Exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

bool StatFolder(const QString& path, struct stat& st) {
    const auto native = TryEncode(path);
    return native && ::stat(native->constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, CloseDir>;

// Calls f with the dirent of every entry of folder but "." and "..".
// Answers 0, or the errno of the failure to list.
template <typename F> int ForEachEntry(const QString& folder, F f) {
    const auto native = TryEncode(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!native) {
        return ENOENT;
    }
    const DirHandle dir(::opendir(native->constData()));
    if (!dir) {
        return errno;
    }
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (e == nullptr) {
            return errno;
        }
        const QByteArrayView name(e->d_name);
        if (name != "." && name != "..") {
            f(*dir, *e);
        }
    }
}

} // namespace

QString DecodeName(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += QChar(b);
            ++i;
            continue;
        }
        const auto [cp, len] = Utf8At(bytes, i);
        if (len == 0) {
            out += QChar(static_cast<char16_t>(kEscape + b));
            ++i;
        } else {
            out += QChar::fromUcs4(cp);
            i += len;
        }
    }
    return out;
}

QByteArray EncodeName(const QString& name) {
    auto native = TryEncode(name);
    if (!native) {
        throw EInOutError(EInOutError::BadFileName);
    }
    return std::move(*native);
}

QString Current() {
    // As before: an empty text when the current folder is gone.
    QByteArray buffer(256, '\0');
    while (::getcwd(buffer.data(), static_cast<size_t>(buffer.size())) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return DecodeName(buffer.constData());
}

QString Join(const QString& folder, const QString& name) {
    if (name.startsWith(QLatin1Char('/')) || folder.isEmpty()) {
        return name;
    }
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

QString FindEntry(const QString& folder, const QString& name) {
    if (name.isEmpty()) {
        return {};
    }
    const auto exact = TryEncode(Join(folder, name));
    if (!exact) {
        return {};
    }
    if (Exists(*exact)) {
        return name;
    }
    if (name.contains(QLatin1Char('/'))) {
        return {};
    }
    // A folder that cannot be listed holds no match; opening the name as
    // written then reports why.
    std::vector<QByteArray> matches;
    ForEachEntry(folder, [&](DIR&, const dirent& e) {
        const QByteArrayView bytes(e.d_name);
        const QString decoded = DecodeName(bytes);
        const bool utf8 = std::none_of(decoded.cbegin(), decoded.cend(),
                                       [](QChar c) { return IsEscape(c.unicode()); });
        if (decoded.compare(name, Qt::CaseInsensitive) == 0 ||
            (!utf8 && cp1252::Decode(bytes).compare(name, Qt::CaseInsensitive) == 0)) {
            matches.emplace_back(bytes.toByteArray());
        }
    });
    if (matches.empty()) {
        return {};
    }
    return DecodeName(*std::min_element(matches.begin(), matches.end()));
}

QString EntryPath(const QString& folder, const QString& name) {
    const QString found = FindEntry(folder, name);
    return Join(folder, found.isEmpty() ? name : found);
}

QString FreeName(const QString& folder, const QString& name, const QStringList& taken) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot <= 0 ? name : name.left(dot);
    const QString extension = dot <= 0 ? QString() : name.mid(dot);
    const auto used = [&](const QString& candidate) {
        return taken.contains(candidate, Qt::CaseInsensitive) ||
               !FindEntry(folder, candidate).isEmpty();
    };
    QString candidate = name;
    for (int n = 2; used(candidate); ++n) {
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
    }
    return candidate;
}

bool RemoveFile(const QString& path) {
    const auto native = TryEncode(path);
    return native && ::unlink(native->constData()) == 0;
}

bool SameFolder(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return StatFolder(a, sa) && StatFolder(b, sb) && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

QString ResolvedPath(const QString& path) {
    const auto native = TryEncode(path);
    if (!native) {
        return {};
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(native->constData(), nullptr),
                                                           &std::free);
    return real ? DecodeName(real.get()) : QString();
}

bool IsFolder(const QString& path) {
    struct stat st {};
    return StatFolder(path, st);
}

QStringList Subfolders(const QString& folder) {
    std::vector<QByteArray> names;
    const int failure = ForEachEntry(folder, [&](DIR& dir, const dirent& e) {
        bool folderEntry = e.d_type == DT_DIR;
        if (e.d_type == DT_UNKNOWN || e.d_type == DT_LNK) {
            struct stat st {};
            folderEntry = ::fstatat(::dirfd(&dir), e.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (folderEntry) {
            names.emplace_back(e.d_name);
        }
    });
    if (failure != 0) {
        throw EInOutError::FromErrno(failure);
    }
    std::sort(names.begin(), names.end());
    QStringList out;
    for (const QByteArray& n : names) {
        out.append(DecodeName(n));
    }
    return out;
}

void MakeFolder(const QString& path) {
    if (::mkdir(EncodeName(path).constData(), 0777) != 0) {
        throw EInOutError::FromErrno(errno);
    }
}

} // namespace qcm::core::folders
