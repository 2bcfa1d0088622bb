#include "core/Errors.h"
#include "model/Catalogue.h"
#include "model/QcmFile.h"

#include "../support/TempFolder.h"
#include "QcmText.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;

namespace {

QByteArray Header(const char* melange = "melange=NON", const char* musique = "musique=") {
    return Lines({"Titre", "Auteur", "", melange, musique});
}

const QByteArray kSample = Lines({"Capitales d'Europe", "Classe de CM2",
                                  "fond \xE9"
                                  "cran.bmp",
                                  "melange=NON", "musique=fond musical.mid", "image 1.jpg",
                                  "Quelle est la capitale de l'Italie ?", "3", "unique=OUI", "Rome",
                                  "Milan", "Turin", "1", "La capitale de l'Italie est Rome."});

} // namespace

TEST(LireQCM, ReadsTheSampleFile) {
    const TQuestionnaire q = Parse(kSample);
    EXPECT_EQ(q.Titre, QStringLiteral("Capitales d'Europe"));
    EXPECT_EQ(q.Auteur, QStringLiteral("Classe de CM2"));
    EXPECT_EQ(q.Fond, QStringLiteral("fond écran.bmp"));
    EXPECT_FALSE(q.Melange);
    EXPECT_EQ(q.Musique, QStringLiteral("FOND MUSICAL.MID"));
    EXPECT_EQ(q.NbQuestions, 30);
    const TQuestion& q1 = q.Question(1);
    EXPECT_EQ(q1.Image, QStringLiteral("image 1.jpg"));
    EXPECT_EQ(q1.NbReponses, 3);
    EXPECT_TRUE(q1.Unique);
    EXPECT_EQ(q1.Reponses, (std::array<QString, 5>{"Rome", "Milan", "Turin", "", ""}));
    EXPECT_EQ(q1.Justes, (std::array<bool, 5>{true, false, false, false, false}));
    EXPECT_EQ(q1.Commentaire, QStringLiteral("La capitale de l'Italie est Rome."));
    // Questions the file does not reach are empty with a count of five.
    for (int n = 2; n <= 30; ++n) {
        TQuestion unreached;
        unreached.NbReponses = 5;
        EXPECT_EQ(q.Question(n), unreached) << n;
    }
}

TEST(LireQCM, HeaderSettings) {
    const struct {
        const char* line;
        bool melange;
    } orders[] = {{"melange=OUI", true},  {"melange=oui", true},  {"MELANGE=Oui", true},
                  {"melange=OUIX", true}, {"xxxxxxx=oui", true},  {"melange=NON", false},
                  {"melange=", false},    {"melange= OUI", false}};
    for (const auto& c : orders) {
        EXPECT_EQ(Parse(Header(c.line)).Melange, c.melange) << c.line;
    }
    EXPECT_EQ(Parse(Header("melange=NON", "musique=non")).Musique, QStringLiteral("NON"));
    EXPECT_EQ(Parse(Header("melange=NON", "musique=")).Musique, QString());
    EXPECT_EQ(Parse(Header("melange=NON", "  musique=Chanson.mid  ")).Musique,
              QStringLiteral("CHANSON.MID"));
}

TEST(LireQCM, QuestionBlockFields) {
    const QByteArray file = Header() + Lines({"  img.bmp ", " Enonce ", "2 propositions",
                                              "unique=oui", " a ", "b", " 31 ", " commentaire ", "",
                                              "Deux", "1", "unique=OUIX", "seule", "7x2", ""});
    const TQuestionnaire q = Parse(file);
    const TQuestion& q1 = q.Question(1);
    EXPECT_EQ(q1.Image, QStringLiteral("img.bmp"));
    EXPECT_EQ(q1.Enonce, QStringLiteral("Enonce"));
    EXPECT_EQ(q1.NbReponses, 2);
    EXPECT_TRUE(q1.Unique);
    EXPECT_EQ(q1.Reponse(1), QStringLiteral("a"));
    EXPECT_EQ(q1.Justes, (std::array<bool, 5>{true, false, true, false, false}));
    EXPECT_EQ(q1.Commentaire, QStringLiteral("commentaire"));
    const TQuestion& q2 = q.Question(2);
    EXPECT_FALSE(q2.Unique);
    // Characters other than the digits 1 to 5 mark nothing.
    EXPECT_EQ(q2.Justes, (std::array<bool, 5>{false, true, false, false, false}));
}

TEST(LireQCM, CountReadingAcrossBlanksAndItsErrors) {
    // An empty count line takes the count from the unique line: not a number.
    try {
        Parse(Header() + Lines({"", "Enonce", "", "unique=OUI", "a", "1", "c"}));
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Code(), 106);
        EXPECT_EQ(e.Message(), QStringLiteral("Saisie numérique incorrecte"));
    }
    // Blank lines before the count are skipped.
    EXPECT_EQ(Parse(Header() + Lines({"", "E", " ", "\t1", "unique=non", "a", "", ""}))
                  .Question(1)
                  .Reponse(1),
              QStringLiteral("a"));
    // Numbers the old runtime accepted, and ones that overflow.
    EXPECT_EQ(Parse(Header() + Lines({"", "E", "$2", "unique=non", "a", "b", "", ""}))
                  .Question(1)
                  .NbReponses,
              2);
    EXPECT_EQ(
        Parse(Header() + Lines({"", "E", "+1", "unique=non", "a", "", ""})).Question(1).NbReponses,
        1);
    EXPECT_THROW(Parse(Header() + Lines({"", "E", "99999999999", "unique=non"})), EInOutError);
    EXPECT_THROW(Parse(Header() + Lines({"", "E", "3x", "unique=non"})), EInOutError);
}

TEST(LireQCM, LineEnds) {
    // Carriage returns alone end lines like CR LF.
    QByteArray crOnly = kSample;
    crOnly.replace("\r\n", "\r");
    EXPECT_EQ(Parse(crOnly), Parse(kSample));
    // Where CR ends lines, a line feed alone is part of the value.
    EXPECT_EQ(Parse(Lines({"Titre\nsuite"})).Titre, QStringLiteral("Titre\nsuite"));
    // Ctrl-Z ends the file.
    QByteArray withEof = kSample;
    withEof.insert(withEof.indexOf("image 1.jpg"), '\x1a');
    const TQuestionnaire cut = Parse(withEof);
    EXPECT_EQ(cut.Musique, QStringLiteral("FOND MUSICAL.MID"));
    EXPECT_EQ(cut.Question(1).NbReponses, 5);
    EXPECT_TRUE(cut.Question(1).Enonce.isEmpty());
}

TEST(LireQCM, EndOfFileInsideAndAfterBlocks) {
    // A trailing empty line gives one more block, empty with a count of 0.
    const TQuestionnaire extra = Parse(kSample + "\r\n");
    EXPECT_EQ(extra.Question(2).NbReponses, 0);
    EXPECT_EQ(extra.Question(3).NbReponses, 5);
    // Cut inside a block: what was there, empty values for the rest.
    const TQuestionnaire cut =
        Parse(Header() + Lines({"img", "Enonce", "3", "unique=OUI", "Rome"}));
    EXPECT_EQ(cut.Question(1).NbReponses, 3);
    EXPECT_EQ(cut.Question(1).Reponse(1), QStringLiteral("Rome"));
    EXPECT_TRUE(cut.Question(1).Reponse(2).isEmpty());
    EXPECT_TRUE(cut.Question(1).Commentaire.isEmpty());
    EXPECT_EQ(cut.Question(2).NbReponses, 5);
    // The count at the end of the file is 0 without error.
    EXPECT_EQ(Parse(Header() + Lines({"img", "Enonce"})).Question(1).NbReponses, 0);
    // Header alone: 30 unreached questions.
    EXPECT_EQ(Parse(Header()).Question(1).NbReponses, 5);
    EXPECT_EQ(Parse(QByteArray()).NbQuestions, 30);
}

TEST(LireQCM, InputTheWriterNeverMakesStaysWithinLimits) {
    // Count above five: five slots kept, the extra lines still consumed.
    const TQuestionnaire big = Parse(
        Header() + Lines({"",  "E",  "7",   "unique=non", "1", "2", "3",          "4", "5", "6",
                          "7", "12", "com", "",           "F", "1", "unique=non", "x", "1", "c2"}));
    EXPECT_EQ(big.Question(1).NbReponses, 5);
    EXPECT_EQ(big.Question(1).Reponse(5), QStringLiteral("5"));
    EXPECT_EQ(big.Question(1).Commentaire, QStringLiteral("com"));
    EXPECT_EQ(big.Question(2).Enonce, QStringLiteral("F"));
    EXPECT_EQ(big.Question(2).Commentaire, QStringLiteral("c2"));
    // A huge count at the end of the file does not spin.
    EXPECT_EQ(Parse(Header() + Lines({"", "E", "2000000000", "unique=non"})).Question(1).NbReponses,
              5);
    // Negative count: no propositions.
    const TQuestionnaire neg = Parse(Header() + Lines({"", "E", "-3", "unique=non", "1", "com"}));
    EXPECT_EQ(neg.Question(1).NbReponses, 0);
    EXPECT_EQ(neg.Question(1).Commentaire, QStringLiteral("com"));
    // More than thirty blocks: the first thirty are read.
    QByteArray many = Header();
    for (int i = 1; i <= 35; ++i) {
        const QByteArray n = QByteArray::number(i);
        many += Lines({"", ("E" + n).constData(), "1", "unique=non", "p", "1", ""});
    }
    const TQuestionnaire q = Parse(many);
    EXPECT_EQ(q.Question(30).Enonce, QStringLiteral("E30"));
    EXPECT_EQ(q.NbQuestions, 30);
}

// Linux editors and archive tools leave files with LF alone; read as one
// long title, the next save flattened the whole questionnaire for good.
TEST(LireQCM, LineFeedOnlyFileIsNotFlattenedIntoTheTitle) {
    QByteArray lfOnly = kSample;
    lfOnly.replace("\r\n", "\n");
    EXPECT_EQ(Parse(lfOnly), Parse(kSample));
    EXPECT_EQ(FormatQCM(Parse(lfOnly)), FormatQCM(Parse(kSample)));
}

class LireQCMFolder : public ::testing::Test {
protected:
    TempDir start_;
};

TEST_F(LireQCMFolder, FindsTheFileWithoutRegardToCase) {
    start_.Write(QStringLiteral("QCM2/qcm.TXT"), kSample);
    const TQuestionnaire q = LireQCM(start_.File(QStringLiteral("QCM2")));
    EXPECT_EQ(q.Repertoire, QStringLiteral("QCM2"));
    EXPECT_EQ(q.Titre, QStringLiteral("Capitales d'Europe"));
}

TEST_F(LireQCMFolder, EachFailureHasItsMessage) {
    start_.Write(QStringLiteral("QCM1/QCM.txt"), Header() + Lines({"", "E", "trois"}));
    QDir(start_.Path()).mkdir(QStringLiteral("QCM5"));
    const struct {
        const char* dossier;
        const char* message;
    } cases[] = {{"QCM1", "Saisie numérique incorrecte"},
                 {"QCM4", "Nom de fichier incorrect"},
                 {"QCM1/QCM.txt", "Nom de fichier incorrect"},
                 {"QCM5", "Fichier introuvable"}};
    for (const auto& c : cases) {
        try {
            LireQCM(start_.File(QString::fromUtf8(c.dossier)));
            ADD_FAILURE() << c.dossier;
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.message)) << c.dossier;
        }
    }
}

// A 200 MB one-line file crashed the editor, and a FIFO named QCM.txt
// blocked it before any window showed.
TEST_F(LireQCMFolder, HugeFileOrFifoIsRefusedWithoutReadingOrBlocking) {
    start_.Write(QStringLiteral("Gros/QCM.txt"), "Titre\r\n");
    QFile(start_.File(QStringLiteral("Gros/QCM.txt"))).resize(200 * 1024 * 1024);
    QDir(start_.Path()).mkdir(QStringLiteral("Tube"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(start_.File(QStringLiteral("Tube/QCM.txt"))), 0666), 0);
    EXPECT_THROW(LireQCM(start_.File(QStringLiteral("Gros"))), EFileTooLarge);
    try {
        LireQCM(start_.File(QStringLiteral("Tube")));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Code(), EInOutError::AccessDenied);
    }
    // The chooser lists the large one by its title; opening it says why not.
    QStringList listes;
    ParcourirQuestionnaires(start_.Path(), [&](const QString& titre, const QString& dossier) {
        listes << dossier + QLatin1Char('=') + titre;
    });
    EXPECT_EQ(listes, QStringList{QStringLiteral("Gros=Titre")});
}
