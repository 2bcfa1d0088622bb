#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace folders = qcm::folders;

TEST(Folders, NamesMatchWithoutRegardToCase) {
    TempDir tmp;
    tmp.write(QStringLiteral("qcm.txt"), "x");
    tmp.write(QStringLiteral("fond musical.mid"), "x");
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("QCM.TXT")), QStringLiteral("qcm.txt"));
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("QCM.txt")), QStringLiteral("qcm.txt"));
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("FOND MUSICAL.MID")),
              QStringLiteral("fond musical.mid"));
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("absent.mid")), QString());
    EXPECT_EQ(folders::entryPath(tmp.path(), QStringLiteral("Nouveau.txt")),
              tmp.file(QStringLiteral("Nouveau.txt")));
}

TEST(Folders, ExactSpellingWinsOverOtherCases) {
    TempDir tmp;
    tmp.write(QStringLiteral("qcm.txt"), "a");
    tmp.write(QStringLiteral("QCM.txt"), "b");
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("QCM.txt")), QStringLiteral("QCM.txt"));
}

TEST(Folders, SameFolderResolvesLinksNotText) {
    TempDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("QCM1"));
    QFile::link(tmp.file(QStringLiteral("QCM1")), tmp.file(QStringLiteral("lien")));
    EXPECT_TRUE(
        folders::sameFolder(tmp.file(QStringLiteral("lien")), tmp.file(QStringLiteral("QCM1"))));
    EXPECT_TRUE(folders::sameFolder(tmp.file(QStringLiteral("QCM1/../QCM1")),
                                    tmp.file(QStringLiteral("QCM1"))));
    // On a case-sensitive file system these are two names, not one folder.
    EXPECT_FALSE(
        folders::sameFolder(tmp.file(QStringLiteral("qcm1")), tmp.file(QStringLiteral("QCM1"))));
}

TEST(AtomicFile, FailedWriteLeavesTheOldFileUntouched) {
    TempDir tmp;
    const QByteArray old = "ancien contenu\r\n";
    tmp.write(QStringLiteral("QCM.txt"), old);
    // A file-size limit makes the write fail half way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    int code = 0;
    try {
        qcm::WriteFileAtomically(tmp.file(QStringLiteral("QCM.txt")), QByteArray(100000, 'x'));
    } catch (const qcm::EInOutError& e) {
        code = e.code();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(code, 101);
    EXPECT_EQ(tmp.read(QStringLiteral("QCM.txt")), old);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("QCM.txt")});
}

TEST(AtomicFile, WriteIntoAMissingFolderFails) {
    TempDir tmp;
    EXPECT_THROW(qcm::WriteFileAtomically(tmp.file(QStringLiteral("absent/QCM.txt")), "x"),
                 qcm::EInOutError);
}

TEST(AtomicFile, ReadMissingFileIsNotFound) {
    TempDir tmp;
    try {
        qcm::ReadWholeFile(tmp.file(QStringLiteral("QCM.txt")));
        FAIL();
    } catch (const qcm::EInOutError& e) {
        EXPECT_EQ(e.code(), 2);
    }
}
