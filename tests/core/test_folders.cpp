#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

namespace folders = qcm::core::folders;

TEST(Folders, NamesMatchWithoutRegardToCase) {
    TempDir tmp;
    tmp.Write(QStringLiteral("qcm.txt"), "x");
    tmp.Write(QStringLiteral("fond musical.mid"), "x");
    EXPECT_EQ(folders::FindEntry(tmp.Path(), QStringLiteral("QCM.TXT")), QStringLiteral("qcm.txt"));
    EXPECT_EQ(folders::FindEntry(tmp.Path(), QStringLiteral("QCM.txt")), QStringLiteral("qcm.txt"));
    EXPECT_EQ(folders::FindEntry(tmp.Path(), QStringLiteral("FOND MUSICAL.MID")),
              QStringLiteral("fond musical.mid"));
    EXPECT_EQ(folders::FindEntry(tmp.Path(), QStringLiteral("absent.mid")), QString());
    EXPECT_EQ(folders::EntryPath(tmp.Path(), QStringLiteral("Nouveau.txt")),
              tmp.File(QStringLiteral("Nouveau.txt")));
}

TEST(Folders, ExactSpellingWinsOverOtherCases) {
    TempDir tmp;
    tmp.Write(QStringLiteral("qcm.txt"), "a");
    tmp.Write(QStringLiteral("QCM.txt"), "b");
    EXPECT_EQ(folders::FindEntry(tmp.Path(), QStringLiteral("QCM.txt")), QStringLiteral("QCM.txt"));
}

TEST(Folders, TwoCaseVariantsOfQcmTxtFoundInDirectoryOrder) {
    // Whatever order the files were made in, every lookup finds the same one.
    for (const bool upperFirst : {true, false}) {
        TempFolder tmp;
        const QString upper = QStringLiteral("QCM.TXT");
        const QString lower = QStringLiteral("qcm.txt");
        tmp.Write(upperFirst ? upper : lower, "a");
        tmp.Write(upperFirst ? lower : upper, "b");
        for (const QString& name : {QStringLiteral("QCM.txt"), QStringLiteral("Qcm.Txt")}) {
            EXPECT_EQ(folders::FindEntry(tmp.Path(), name), upper) << upperFirst;
        }
    }
}

TEST(Folders, SameFolderResolvesLinksNotText) {
    TempDir tmp;
    QDir(tmp.Path()).mkdir(QStringLiteral("QCM1"));
    QFile::link(tmp.File(QStringLiteral("QCM1")), tmp.File(QStringLiteral("lien")));
    EXPECT_TRUE(
        folders::SameFolder(tmp.File(QStringLiteral("lien")), tmp.File(QStringLiteral("QCM1"))));
    EXPECT_TRUE(folders::SameFolder(tmp.File(QStringLiteral("QCM1/../QCM1")),
                                    tmp.File(QStringLiteral("QCM1"))));
    // On a case-sensitive file system these are two names, not one folder.
    EXPECT_FALSE(
        folders::SameFolder(tmp.File(QStringLiteral("qcm1")), tmp.File(QStringLiteral("QCM1"))));
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
        const QString name = folders::DecodeName(bytes);
        EXPECT_EQ(folders::EncodeName(name), bytes) << c.bytes;
        EXPECT_EQ(name == QString::fromUtf8(bytes), c.utf8) << c.bytes;
    }
    for (const QString& bad : {QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
                               QString(QChar(0xD800)), QString(QChar(0xDC41))}) {
        try {
            folders::EncodeName(bad);
            FAIL();
        } catch (const qcm::core::EInOutError& e) {
            EXPECT_EQ(e.Code(), 3);
        }
    }
}

TEST(Folders, StartFolderWithAnOldWindowsNameListsOpensAndWrites) {
    TempFolder tmp;
    const QString start = folders::Join(tmp.Path(), folders::DecodeName("caf\xE9"));
    folders::MakeFolder(start);
    EXPECT_TRUE(folders::IsFolder(start));
    const QString qcm = folders::Join(start, folders::DecodeName("QCM\xE9"));
    folders::MakeFolder(qcm);
    folders::MakeFolder(folders::Join(start, QStringLiteral(".cache")));
    folders::MakeFolder(folders::Join(start, QStringLiteral("A")));
    qcm::core::WriteFileAtomically(folders::Join(start, QStringLiteral("fichier")), "x");
    EXPECT_EQ(folders::Subfolders(start),
              (QStringList{QStringLiteral(".cache"), QStringLiteral("A"),
                           folders::DecodeName("QCM\xE9")}));

    const QString fichier = folders::Join(qcm, QStringLiteral("QCM.txt"));
    qcm::core::WriteFileAtomically(fichier, "Titre\r\n");
    qcm::core::WriteFileAtomically(fichier, "Titre modifi\xE9\r\n");
    EXPECT_EQ(qcm::core::ReadWholeFile(folders::EntryPath(qcm, QStringLiteral("QCM.TXT")), 1024),
              QByteArray("Titre modifi\xE9\r\n"));
    EXPECT_EQ(folders::Subfolders(qcm), QStringList());
    EXPECT_TRUE(folders::SameFolder(folders::Join(qcm, QStringLiteral("..")), start));
}

TEST(Folders, PictureNamedInCodePage1252IsFoundUnderEitherEncoding) {
    TempFolder tmp;
    const QString image = QStringLiteral("fond écran.bmp");
    for (const QByteArray& onDisk : {QByteArray("fond \xE9"
                                                "cran.bmp"),
                                     QByteArray("FOND \xC9"
                                                "CRAN.BMP"),
                                     image.toUtf8()}) {
        const QString dossier = tmp.File(QString::number(onDisk.size()) + onDisk.right(3));
        folders::MakeFolder(dossier);
        qcm::core::WriteFileAtomically(folders::Join(dossier, folders::DecodeName(onDisk)), "BM");
        EXPECT_EQ(folders::FindEntry(dossier, image), folders::DecodeName(onDisk)) << onDisk.data();
        EXPECT_EQ(qcm::core::ReadWholeFile(folders::EntryPath(dossier, image), 1024),
                  QByteArray("BM"));
    }
}

TEST(Folders, ListingOrMakingFailsWithTheSystemsReason) {
    TempFolder tmp;
    tmp.Write(QStringLiteral("fichier"), "x");
    const struct {
        const char* path;
        int list;
        int make;
    } cases[] = {
        {"absent/QCM1", 2, 2},
        {"fichier/QCM1", 3, 3},
    };
    for (const auto& c : cases) {
        const QString path = tmp.File(QString::fromUtf8(c.path));
        for (const auto& [what, code] : {std::pair{0, c.list}, std::pair{1, c.make}}) {
            try {
                what == 0 ? (void)folders::Subfolders(path) : folders::MakeFolder(path);
                ADD_FAILURE() << c.path;
            } catch (const qcm::core::EInOutError& e) {
                EXPECT_EQ(e.Code(), code) << c.path << what;
            }
        }
    }
    EXPECT_FALSE(folders::IsFolder(tmp.File(QStringLiteral("fichier"))));
}

TEST(Folders, FreeNameSkipsFilesPresentAndNamesTakenElsewhere) {
    TempDir tmp;
    tmp.Write(QStringLiteral("Image 3.jpg"), "x");
    const struct {
        QStringList taken;
        const char* expected;
    } cases[] = {
        {{}, "image 3 (2).jpg"},
        {{QStringLiteral("IMAGE 3 (2).JPG")}, "image 3 (3).jpg"},
        {{QStringLiteral("image 3 (3).jpg"), QStringLiteral("image 3 (2).jpg")}, "image 3 (4).jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folders::FreeName(tmp.Path(), QStringLiteral("image 3.jpg"), c.taken),
                  QString::fromUtf8(c.expected))
            << c.taken.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_EQ(folders::FreeName(tmp.Path(), QStringLiteral("image 4.jpg"),
                                {QStringLiteral("image 4.jpg")}),
              QStringLiteral("image 4 (2).jpg"));
}
