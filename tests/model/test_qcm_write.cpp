#include "core/Cp1252.h"
#include "core/Errors.h"
#include "model/QcmFile.h"

#include "../support/TempFolder.h"
#include "QcmText.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;

namespace {

TQuestion Filled(const char* enonce, std::initializer_list<const char*> reponses) {
    TQuestion question;
    question.Enonce = QString::fromUtf8(enonce);
    int k = 1;
    for (const char* r : reponses) {
        question.Reponse(k++) = QString::fromUtf8(r);
    }
    return question;
}

} // namespace

TEST(EcrireQCM, NothingWorthWritingGivesTheHeaderAlone) {
    TQuestionnaire q;
    q.Titre = QStringLiteral("Titre");
    q.Question(2).Enonce = QStringLiteral("  ");
    q.Question(2).Juste(1) = true;
    EXPECT_EQ(FormatQCM(q), Lines({"Titre", "", "", "melange=NON", "musique="}));
    const TQuestionnaire back = Parse(FormatQCM(q));
    for (const TQuestion& question : back.Questions) {
        EXPECT_EQ(question.NbReponses, 5);
    }
}

TEST(EcrireQCM, WritesEveryBlockUpToTheLastFilledOne) {
    TQuestionnaire q;
    q.Titre = QStringLiteral("Capitales d'Europe");
    q.Auteur = QStringLiteral("Classe de CM2");
    q.Fond = QStringLiteral("fond écran.bmp");
    q.Musique = QStringLiteral("fond musical.mid");
    q.Melange = true;
    q.Question(1) = Filled("Quelle est la capitale de l'Italie ?", {"Rome", "Milan", "Turin"});
    q.Question(1).Image = QStringLiteral("image 1.jpg");
    q.Question(1).Unique = true;
    q.Question(1).Juste(1) = true;
    q.Question(1).Commentaire = QStringLiteral("La capitale de l'Italie est Rome.");
    q.Question(3) = Filled("  Espaces gardés  ", {" a ", "b"});
    q.Question(3).Juste(3) = true;
    q.Question(3).Juste(1) = true;
    const QByteArray expected =
        Lines({"Capitales d'Europe", "Classe de CM2",
               "fond \xE9"
               "cran.bmp",
               "melange=OUI", "musique=fond musical.mid", "image 1.jpg",
               "Quelle est la capitale de l'Italie ?", "3", "unique=OUI", "Rome", "Milan", "Turin",
               "1", "La capitale de l'Italie est Rome.",
               // Question 2 is empty but lies below the last filled one.
               "", "", "0", "unique=non", "", "",
               // Spaces are kept; all five marks are written, whatever the count.
               "", "  Espaces gard\xE9s  ", "2", "unique=non", " a ", "b", "13", ""});
    EXPECT_EQ(FormatQCM(q), expected);
    TasserPropositions(q);
    EXPECT_EQ(q.Question(2).NbReponses, 0);
    EXPECT_EQ(q.Question(3).NbReponses, 2);
}

// The last question typed so far (a statement still without propositions,
// or propositions still without a statement) vanished on save.
TEST(EcrireQCM, LastQuestionStillBeingWrittenIsNotDropped) {
    TQuestionnaire q;
    q.Question(1) = Filled("Complète", {"a"});
    q.Question(2) = Filled("Énoncé seul", {});
    EXPECT_EQ(Parse(FormatQCM(q)).Question(2).Enonce, QStringLiteral("Énoncé seul"));
    q.Question(3) = Filled("", {"", "proposition seule"});
    const TQuestion back = Parse(FormatQCM(q)).Question(3);
    EXPECT_EQ(back.NbReponses, 1);
    EXPECT_EQ(back.Reponse(1), QStringLiteral("proposition seule"));
}

TEST(EcrireQCM, GapsBetweenPropositionsCloseWithTheirMarks) {
    TQuestionnaire q;
    q.Question(1) = Filled("E", {"un", "", "trois", "  ", "cinq"});
    q.Question(1).Juste(3) = true;
    q.Question(1).Juste(4) = true;
    const QByteArray bytes = FormatQCM(q);
    TasserPropositions(q);
    EXPECT_EQ(FormatQCM(q), bytes);
    EXPECT_EQ(q.Question(1).NbReponses, 3);
    EXPECT_EQ(q.Question(1).Reponses, (std::array<QString, 5>{"un", "trois", "cinq", "", "  "}));
    EXPECT_EQ(q.Question(1).Justes, (std::array<bool, 5>{false, true, false, false, true}));
    const TQuestion back = Parse(bytes).Question(1);
    EXPECT_EQ(back.Reponse(2), QStringLiteral("trois"));
    EXPECT_TRUE(back.Juste(2));
    EXPECT_EQ(back.Reponse(3), QStringLiteral("cinq"));
}

TEST(EcrireQCM, TextsTheFileCannotHoldAreRefusedBeforeWriting) {
    const struct {
        const char* what;
        QString text;
    } cases[] = {{"carriage return", QStringLiteral("ligne\rsuite")},
                 {"ctrl-z", QStringLiteral("fin\x1a")},
                 {"outside code page", QStringLiteral("sourire ☺")}};
    for (const auto& c : cases) {
        TempDir tmp;
        tmp.Write(QStringLiteral("QCM.txt"), "ancien\r\n");
        TQuestionnaire q;
        q.Question(1) = Filled("E", {"a"});
        q.Question(1).Commentaire = c.text;
        try {
            EcrireQCM(q, tmp.Path());
            FAIL() << c.what;
        } catch (const EEcriture& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("le commentaire de la question 1")))
                << c.what;
        }
        EXPECT_EQ(tmp.Read(QStringLiteral("QCM.txt")), QByteArray("ancien\r\n")) << c.what;
    }
}

TEST(EcrireQCM, ALoneLineFeedIsKeptAndReadsBack) {
    TQuestionnaire q;
    q.Question(1) = Filled("Ligne 1\nLigne 2", {"a"});
    EXPECT_EQ(Parse(FormatQCM(q)).Question(1).Enonce, QStringLiteral("Ligne 1\nLigne 2"));
}

TEST(EcrireQCM, ReplacesTheExistingFileWhateverItsCase) {
    TempDir tmp;
    tmp.Write(QStringLiteral("qcm.txt"), "ancien\r\n");
    TQuestionnaire q;
    q.Titre = QStringLiteral("Nouveau titre");
    EcrireQCM(q, tmp.Path());
    EXPECT_EQ(QDir(tmp.Path()).entryList(QDir::Files), QStringList{QStringLiteral("qcm.txt")});
    EXPECT_TRUE(tmp.Read(QStringLiteral("qcm.txt")).startsWith("Nouveau titre\r\n"));
}

TEST(EcrireQCM, FailedSaveRaisesAndKeepsTheOldFile) {
    TempDir tmp;
    // A folder where the file should be: the new file cannot take its place.
    QDir(tmp.Path()).mkdir(QStringLiteral("QCM.txt"));
    TQuestionnaire q;
    EXPECT_THROW(EcrireQCM(q, tmp.Path()), EInOutError);
    EXPECT_TRUE(QFileInfo(tmp.File(QStringLiteral("QCM.txt"))).isDir());
    EXPECT_EQ(QDir(tmp.Path()).entryList(QDir::Files), QStringList());
}

// Every record the editor can hold reads back as written, apart from the
// trimming the format defines.
TEST(EcrireQCM, RoundTripOfRandomRecords) {
    QRandomGenerator rng(1234);
    const QString alphabet = QStringLiteral("abcXYZ éàç€œŒ'\"?;=,.0123456789 \t\n\x01");
    auto text = [&](int maxLength) {
        QString s;
        const int length = rng.bounded(maxLength + 1);
        for (int i = 0; i < length; ++i) {
            s += alphabet.at(rng.bounded(alphabet.size()));
        }
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        TQuestionnaire q;
        q.Titre = text(20);
        q.Auteur = text(10);
        q.Fond = text(8);
        q.Musique = text(8);
        q.Melange = rng.bounded(2) == 1;
        for (TQuestion& question : q.Questions) {
            if (rng.bounded(3) == 0) {
                continue;
            }
            question.Image = text(6);
            question.Enonce = text(30);
            question.Unique = rng.bounded(2) == 1;
            for (int k = 1; k <= 5; ++k) {
                question.Reponse(k) = rng.bounded(2) ? text(12) : QString();
                question.Juste(k) = rng.bounded(2) == 1;
            }
            question.Commentaire = text(30);
        }
        const QByteArray bytes = FormatQCM(q);
        TasserPropositions(q);
        const TQuestionnaire back = Parse(bytes);
        const int n = DerniereQuestion(q);
        ASSERT_EQ(back.Titre, Nettoye(q.Titre));
        ASSERT_EQ(back.Auteur, Nettoye(q.Auteur));
        ASSERT_EQ(back.Fond, Nettoye(q.Fond));
        // Only the line's ends are trimmed, so leading blanks of the value stay.
        ASSERT_EQ(back.Musique,
                  MajusculesAscii(Nettoye(QStringLiteral("musique=") + q.Musique).mid(8)));
        ASSERT_EQ(back.Melange, q.Melange);
        for (int i = 1; i <= n; ++i) {
            const TQuestion& w = q.Question(i);
            const TQuestion& r = back.Question(i);
            ASSERT_EQ(r.Image, Nettoye(w.Image)) << i;
            ASSERT_EQ(r.Enonce, Nettoye(w.Enonce)) << i;
            ASSERT_EQ(r.NbReponses, w.NbReponses) << i;
            ASSERT_EQ(r.Unique, w.Unique) << i;
            for (int k = 1; k <= w.NbReponses; ++k) {
                ASSERT_EQ(r.Reponse(k), Nettoye(w.Reponse(k))) << i << ' ' << k;
            }
            ASSERT_EQ(r.Justes, w.Justes) << i;
            ASSERT_EQ(r.Commentaire, Nettoye(w.Commentaire)) << i;
        }
        // Writing what was read gives the same bytes again.
        ASSERT_EQ(Parse(FormatQCM(back)), back) << round;
    }
}
