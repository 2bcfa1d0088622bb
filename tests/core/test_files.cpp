#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace {

// The code of the EInOutError that f raises, 0 when it raises none.
int CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const qcm::core::EInOutError& e) {
        return e.Code();
    }
    return 0;
}

// Runs f under a file-size limit, which makes writes fail as on a full disk.
int CodeUnderSizeLimit(rlim_t limit, const std::function<void()>& f) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    const int code = CodeOf(f);
    setrlimit(RLIMIT_FSIZE, &saved);
    return code;
}

// Runs f in a child process without the superuser's rights, so that folder
// permissions apply; answers what f returned there, or -1 if it crashed.
int AsOrdinaryUser(const std::function<int()>& f) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(255);
        }
        _exit(f() & 0xFF);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QStringList Files(const TempFolder& tmp) {
    return QDir(tmp.Path()).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

// A file small enough for the write buffer failed only at the final flush,
// which went unchecked; the large case is the half-way failure.
// What the questionnaire reader allows.
constexpr qint64 kLimite = 4 * 1024 * 1024;

TEST(AtomicFile, FullDiskReportedAsSuccessForSmallFiles) {
    const struct {
        rlim_t limit;
        qsizetype size;
    } cases[] = {{100, 300}, {100, 16000}, {4096, 100000}};
    for (const auto& c : cases) {
        TempFolder tmp;
        const QByteArray old = "ancien contenu\r\n";
        tmp.Write(QStringLiteral("QCM.txt"), old);
        const int code = CodeUnderSizeLimit(c.limit, [&] {
            qcm::core::WriteFileAtomically(tmp.File(QStringLiteral("QCM.txt")),
                                           QByteArray(c.size, 'x'));
        });
        EXPECT_EQ(code, 101) << c.size;
        EXPECT_EQ(tmp.Read(QStringLiteral("QCM.txt")), old) << c.size;
        EXPECT_EQ(Files(tmp), QStringList{QStringLiteral("QCM.txt")}) << c.size;
    }
}

TEST(AtomicFile, WriteKeepsPermissionsAndReplacesContent) {
    TempFolder tmp;
    tmp.Write(QStringLiteral("QCM.txt"), QByteArray(5000, 'a'));
    const QString path = tmp.File(QStringLiteral("QCM.txt"));
    ::chmod(QFile::encodeName(path).constData(), 0640);
    qcm::core::WriteFileAtomically(path, "court");
    EXPECT_EQ(tmp.Read(QStringLiteral("QCM.txt")), QByteArray("court"));
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Files(tmp), QStringList{QStringLiteral("QCM.txt")});
}

TEST(AtomicFile, ReadOnlyFolderWithWritableFileRefusesSave) {
    TempFolder tmp;
    tmp.Write(QStringLiteral("QCM1/QCM.txt"), "ancien\r\n");
    const QString dossier = tmp.File(QStringLiteral("QCM1"));
    const QString path = tmp.File(QStringLiteral("QCM1/QCM.txt"));
    ::chmod(QFile::encodeName(tmp.Path()).constData(), 0755);
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(dossier).constData(), 0555);
    EXPECT_EQ(AsOrdinaryUser([&] {
                  return CodeOf([&] { qcm::core::WriteFileAtomically(path, "nouveau\r\n"); });
              }),
              0);
    EXPECT_EQ(tmp.Read(QStringLiteral("QCM1/QCM.txt")), QByteArray("nouveau\r\n"));
    // Written in place, a failure half way still leaves the old content.
    EXPECT_EQ(AsOrdinaryUser([&] {
                  return CodeUnderSizeLimit(
                      100, [&] { qcm::core::WriteFileAtomically(path, QByteArray(300, 'x')); });
              }),
              101);
    EXPECT_EQ(tmp.Read(QStringLiteral("QCM1/QCM.txt")), QByteArray("nouveau\r\n"));
    ::chmod(QFile::encodeName(dossier).constData(), 0755);
}

TEST(AtomicFile, WriteFailuresCarryTheirOwnCode) {
    TempFolder tmp;
    QDir(tmp.Path()).mkpath(QStringLiteral("QCM1/QCM.txt"));
    tmp.Write(QStringLiteral("fichier"), "x");
    const struct {
        const char* path;
        int code;
    } cases[] = {
        {"QCM1/QCM.txt", 5},   // a folder in the file's place, not a full disk
        {"absent/QCM.txt", 2}, // the caller re-creates the folder on this one
        {"fichier/QCM.txt", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodeOf([&] {
                      qcm::core::WriteFileAtomically(tmp.File(QString::fromUtf8(c.path)), "x");
                  }),
                  c.code)
            << c.path;
    }
}

TEST(AtomicFile, ReadMissingFileIsNotFound) {
    TempFolder tmp;
    EXPECT_EQ(
        CodeOf([&] { qcm::core::ReadWholeFile(tmp.File(QStringLiteral("QCM.txt")), kLimite); }), 2);
}

TEST(AtomicFile, FifoOrDeviceNamedQcmTxtBlocksReading) {
    TempFolder tmp;
    const QString fifo = tmp.File(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    QFile::link(QStringLiteral("/dev/zero"), tmp.File(QStringLiteral("zero")));
    for (const QString& path : {fifo, tmp.File(QStringLiteral("zero")), tmp.Path()}) {
        EXPECT_EQ(CodeOf([&] { qcm::core::ReadWholeFile(path, kLimite); }), 5)
            << path.toStdString();
        EXPECT_EQ(CodeOf([&] { qcm::core::ReadFileStart(path, 100); }), 5) << path.toStdString();
        EXPECT_EQ(CodeOf([&] { qcm::core::WriteFileAtomically(path, "x"); }), 5)
            << path.toStdString();
    }
}

TEST(AtomicFile, OversizedQuestionnaireIsRefusedBeforeReading) {
    TempFolder tmp;
    tmp.Write(QStringLiteral("court"), "0123456789");
    const QString court = tmp.File(QStringLiteral("court"));
    EXPECT_EQ(qcm::core::ReadWholeFile(court, 10), QByteArray("0123456789"));
    EXPECT_THROW(qcm::core::ReadWholeFile(court, 9), qcm::core::EFileTooLarge);
    EXPECT_EQ(qcm::core::ReadFileStart(court, 4), QByteArray("0123"));
    EXPECT_EQ(qcm::core::ReadFileStart(court, 40), QByteArray("0123456789"));
    // Sparse, so that the test holds no such amount of data.
    tmp.Write(QStringLiteral("QCM.txt"), "");
    QFile(tmp.File(QStringLiteral("QCM.txt"))).resize(kLimite + 1);
    try {
        qcm::core::ReadWholeFile(tmp.File(QStringLiteral("QCM.txt")), kLimite);
        FAIL();
    } catch (const qcm::core::EFileTooLarge& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Le fichier ")));
        EXPECT_TRUE(e.Message().endsWith(
            QStringLiteral(" est trop volumineux (4,1 Mo ; la limite est de 4 Mo).")))
            << e.what();
    }
    EXPECT_EQ(qcm::core::ReadFileStart(tmp.File(QStringLiteral("QCM.txt")), 3),
              QByteArray(3, '\0'));
}
