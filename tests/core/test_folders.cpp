#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

namespace folders = qcm::folders;

TEST(Folders, NamesMatchWithoutRegardToCase) {
    TempFolder tmp;
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
    TempFolder tmp;
    tmp.write(QStringLiteral("qcm.txt"), "a");
    tmp.write(QStringLiteral("QCM.txt"), "b");
    EXPECT_EQ(folders::findEntry(tmp.path(), QStringLiteral("QCM.txt")), QStringLiteral("QCM.txt"));
}

TEST(Folders, TwoCaseVariantsOfQcmTxtFoundInDirectoryOrder) {
    // Whatever order the files were made in, every lookup finds the same one.
    for (const bool upperFirst : {true, false}) {
        TempFolder tmp;
        const QString upper = QStringLiteral("QCM.TXT");
        const QString lower = QStringLiteral("qcm.txt");
        tmp.write(upperFirst ? upper : lower, "a");
        tmp.write(upperFirst ? lower : upper, "b");
        for (const QString& name : {QStringLiteral("QCM.txt"), QStringLiteral("Qcm.Txt")}) {
            EXPECT_EQ(folders::findEntry(tmp.path(), name), upper) << upperFirst;
        }
    }
}

TEST(Folders, SetCurrentFailsWithCodeThree) {
    TempFolder tmp;
    tmp.write(QStringLiteral("fichier"), "x");
    for (const char* name : {"absent", "fichier"}) {
        try {
            folders::setCurrent(QString::fromLatin1(name));
            FAIL() << name;
        } catch (const qcm::EInOutError& e) {
            EXPECT_EQ(e.code(), 3) << name;
        }
    }
    EXPECT_TRUE(folders::sameFolder(folders::current(), tmp.path()));
}

TEST(Folders, GuardReturnsToTheRememberedFolder) {
    TempFolder tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("QCM1"));
    {
        const folders::CurrentFolderGuard guard;
        folders::setCurrent(QStringLiteral("QCM1"));
        EXPECT_TRUE(folders::sameFolder(folders::current(), tmp.file(QStringLiteral("QCM1"))));
    }
    EXPECT_TRUE(folders::sameFolder(folders::current(), tmp.path()));
}

TEST(Folders, SameFolderResolvesLinksNotText) {
    TempFolder tmp;
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
