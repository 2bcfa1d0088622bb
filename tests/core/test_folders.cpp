#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

namespace folders = qcm::core::folders;

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

TEST(Folders, NamesThatAreNotUtf8KeepTheirBytes) {
    const struct {
        const char* bytes;
        bool utf8;
    } cases[] = {
        {"caf\xC3\xA9", true},
        {"\xF0\x9F\x98\x80 \xE2\x82\xAC", true},
        {"caf\xE9", false},
        {"fond \xE9"
         "cran.bmp",
         false},
        {"\xC3", false},             // cut short
        {"\xC0\xAF", false},         // overlong
        {"\xED\xA0\x80", false},     // an encoded surrogate
        {"\xF4\x90\x80\x80", false}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        const QByteArray bytes(c.bytes);
        const QString name = folders::decodeName(bytes);
        EXPECT_EQ(folders::encodeName(name), bytes) << c.bytes;
        EXPECT_EQ(name == QString::fromUtf8(bytes), c.utf8) << c.bytes;
    }
    for (const QString& bad : {QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
                               QString(QChar(0xD800)), QString(QChar(0xDC41))}) {
        try {
            folders::encodeName(bad);
            FAIL();
        } catch (const qcm::core::EInOutError& e) {
            EXPECT_EQ(e.code(), 3);
        }
    }
}

TEST(Folders, StartFolderWithAnOldWindowsNameListsOpensAndWrites) {
    TempFolder tmp;
    const QString start = folders::join(tmp.path(), folders::decodeName("caf\xE9"));
    folders::makeFolder(start);
    EXPECT_TRUE(folders::isFolder(start));
    const QString qcm = folders::join(start, folders::decodeName("QCM\xE9"));
    folders::makeFolder(qcm);
    folders::makeFolder(folders::join(start, QStringLiteral(".cache")));
    folders::makeFolder(folders::join(start, QStringLiteral("A")));
    qcm::core::WriteFileAtomically(folders::join(start, QStringLiteral("fichier")), "x");
    EXPECT_EQ(folders::subfolders(start),
              (QStringList{QStringLiteral(".cache"), QStringLiteral("A"),
                           folders::decodeName("QCM\xE9")}));

    const QString fichier = folders::join(qcm, QStringLiteral("QCM.txt"));
    qcm::core::WriteFileAtomically(fichier, "Titre\r\n");
    qcm::core::WriteFileAtomically(fichier, "Titre modifi\xE9\r\n");
    EXPECT_EQ(qcm::core::ReadWholeFile(folders::entryPath(qcm, QStringLiteral("QCM.TXT")), 1024),
              QByteArray("Titre modifi\xE9\r\n"));
    EXPECT_EQ(folders::subfolders(qcm), QStringList());
    EXPECT_TRUE(folders::sameFolder(folders::join(qcm, QStringLiteral("..")), start));
}

TEST(Folders, PictureNamedInCodePage1252IsFoundUnderEitherEncoding) {
    TempFolder tmp;
    const QString image = QStringLiteral("fond écran.bmp");
    for (const QByteArray& onDisk : {QByteArray("fond \xE9"
                                                "cran.bmp"),
                                     QByteArray("FOND \xC9"
                                                "CRAN.BMP"),
                                     image.toUtf8()}) {
        const QString dossier = tmp.file(QString::number(onDisk.size()) + onDisk.right(3));
        folders::makeFolder(dossier);
        qcm::core::WriteFileAtomically(folders::join(dossier, folders::decodeName(onDisk)), "BM");
        EXPECT_EQ(folders::findEntry(dossier, image), folders::decodeName(onDisk)) << onDisk.data();
        EXPECT_EQ(qcm::core::ReadWholeFile(folders::entryPath(dossier, image), 1024),
                  QByteArray("BM"));
    }
}

TEST(Folders, ListingOrMakingFailsWithTheSystemsReason) {
    TempFolder tmp;
    tmp.write(QStringLiteral("fichier"), "x");
    const struct {
        const char* path;
        int list;
        int make;
    } cases[] = {
        {"absent/QCM1", 2, 2},
        {"fichier/QCM1", 3, 3},
    };
    for (const auto& c : cases) {
        const QString path = tmp.file(QString::fromUtf8(c.path));
        for (const auto& [what, code] : {std::pair{0, c.list}, std::pair{1, c.make}}) {
            try {
                what == 0 ? (void)folders::subfolders(path) : folders::makeFolder(path);
                ADD_FAILURE() << c.path;
            } catch (const qcm::core::EInOutError& e) {
                EXPECT_EQ(e.code(), code) << c.path << what;
            }
        }
    }
    EXPECT_FALSE(folders::isFolder(tmp.file(QStringLiteral("fichier"))));
}
