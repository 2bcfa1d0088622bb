#include "exchange/Import.h"

#include "../support/Encoded.h"
#include "../support/TempFolder.h"
#include "Questionnaires.h"
#include "model/QcmFile.h"

#include <gtest/gtest.h>

namespace {

ResultatImport Lis(const char* texte) {
    return Importer(QByteArray(texte), QStringLiteral("/dossier/banque.gift"));
}

// A questionnaire that each format carries whole (the picture aside).
TQuestionnaire Riche() {
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Quelle est la capitale de l'Italie ?"),
                  {QStringLiteral("Rome"), QStringLiteral("Milan"), QStringLiteral("Turin")}, {1},
                  true),
         Question(QStringLiteral("Prix : 5 € {ou} 6 € ? ~ = # \\ / <b>&amp;</b>\nDeuxième ligne"),
                  {QStringLiteral("%50% des cas"), QStringLiteral("a=b"), QStringLiteral("c#d")},
                  {2, 3}, false),
         // Texts that look like format markers stay as typed.
         Question(QStringLiteral("Un seul ?"),
                  {QStringLiteral("oui"), QStringLiteral("[plain]non")}, {2}, false),
         Question(QStringLiteral("Texte seul, sans proposition"), {}, {}, false)});
    q.Titre = QStringLiteral("Géographie / Europe : « capitales »");
    q.Auteur = QStringLiteral("Mme Dupré");
    q.Question(1).Commentaire = QStringLiteral("Rome est la capitale.");
    q.Question(2).Commentaire = QStringLiteral("Relis la leçon : « 5 € » !");
    q.Question(3).Commentaire = QStringLiteral("[html] <b> reste écrit");
    q.Question(4).Unique = true; // what a question without propositions reads back as
    return q;
}

} // namespace

TEST(Import, ExportThenImportGivesBackTheQuestionnaire) {
    TempDir dossier;
    const QByteArray bmp = qcm::testing::Plain(3, 2, Qt::blue, "BMP");
    dossier.Write(QStringLiteral("image 1.bmp"), bmp);
    for (const FormatExport format : {FormatExport::Gift, FormatExport::Moodle}) {
        SCOPED_TRACE(ExtensionFormat(format).toStdString());
        TQuestionnaire q = Riche();
        if (format == FormatExport::Moodle) {
            q.Question(1).Image = QStringLiteral("image 1.bmp");
        }
        const ResultatImport r =
            Importer(ExporterComplet(q, dossier.Path(), format).Octets, QStringLiteral("x"));
        // A text without propositions travels as a description, which is no question.
        EXPECT_EQ(r.Pertes.size(), 1) << r.Pertes.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(r.Pertes.filter(QStringLiteral("texte sans question")).size(), 1);
        EXPECT_EQ(r.NombreQuestions, 3);
        TQuestionnaire vide;
        ViderQuestionnaire(vide);
        q.Question(4) = vide.Question(4);
        EXPECT_EQ(r.Questionnaire.Titre, q.Titre);
        EXPECT_EQ(r.Questionnaire.Auteur, q.Auteur);
        for (int n = 1; n <= kMaxQuestions; ++n) {
            EXPECT_EQ(r.Questionnaire.Question(n), q.Question(n)) << "question " << n;
        }
        if (format == FormatExport::Moodle) {
            ASSERT_EQ(r.Images.size(), 1U);
            EXPECT_EQ(r.Images[0].Nom, QStringLiteral("image 1.bmp"));
            EXPECT_EQ(r.Images[0].Octets, bmp);
        }
        // What is imported can be saved as it is.
        EXPECT_NO_THROW(FormatQCM(r.Questionnaire));
    }
    // The examples a teacher starts from; their folders hold no picture.
    for (const char* exemple : {"QCM1", "QCM2"}) {
        const TQuestionnaire q =
            LireQCM(QStringLiteral(QCM_TEST_DATA_DIR "/../../examples/") + QLatin1String(exemple));
        for (const FormatExport format : {FormatExport::Gift, FormatExport::Moodle}) {
            SCOPED_TRACE(exemple + (" " + ExtensionFormat(format).toStdString()));
            const ResultatImport r =
                Importer(ExporterComplet(q, dossier.Path(), format).Octets, QStringLiteral("x"));
            EXPECT_TRUE(r.Pertes.isEmpty()) << r.Pertes.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(r.Questionnaire.Titre, q.Titre);
            EXPECT_EQ(r.Questionnaire.Auteur, q.Auteur);
            for (int n = 1; n <= kMaxQuestions; ++n) {
                // An unused question keeps five empty slots in a file.
                if (q.Question(n).Enonce.isEmpty()) {
                    EXPECT_TRUE(r.Questionnaire.Question(n).Enonce.isEmpty()) << "question " << n;
                } else {
                    EXPECT_EQ(r.Questionnaire.Question(n), q.Question(n)) << "question " << n;
                }
            }
        }
    }
}

// Each thing that does not fit is one line, and what fits is kept.
TEST(Import, ReportsEveryLoss) {
    QByteArray gift = "$CATEGORY: $course$/top/Banque\n\n"
                      "Ouverte ? {}\n\n"
                      "Combien ? {#4}\n\n"
                      "Associe {=a -> 1 =b -> 2}\n\n"
                      "Réponse courte {=Paris =paris}\n\n"
                      "Flèche \xE2\x86\x92 ici {=a ~b}\n\n"
                      "Sept {=1 ~2 ~3 ~4 ~5 ~6 ~7}\n\n"
                      "Dix {=1 ~2 ~3 ~4 ~5 ~%1 ~7 ~8 ~9 ~10}\n\n"
                      "Cassée { =a ~b\n\n";
    for (int i = 0; i < 31; ++i) {
        gift += "Q" + QByteArray::number(i) + " {T}\n\n";
    }
    const ResultatImport r = Importer(gift, QStringLiteral("banque.gift"));
    EXPECT_EQ(r.Questionnaire.Titre, QStringLiteral("Banque"));
    EXPECT_EQ(r.NombreQuestions, 30);
    const QStringList attendues = {
        QStringLiteral("Question 1 du fichier (« Ouverte ? ») : question de type « essay »"),
        QStringLiteral("Question 2 du fichier (« Combien ? ») : question de type « numerical »"),
        QStringLiteral("Question 3 du fichier (« Associe ») : question de type « matching »"),
        QStringLiteral(
            "Question 4 du fichier (« Réponse courte ») : question de type « shortanswer »"),
        QStringLiteral("Question 5 du fichier (« Flèche → ici ») : des caractères"),
        QStringLiteral(
            "Question 6 du fichier (« Sept ») : plus de 5 propositions, perdues : « 6 », « 7 »."),
        QStringLiteral(
            "Question 7 du fichier (« Dix ») : plus de 5 propositions, perdues : « %1 », "
            "« 7 », « 8 »… (5 en tout)."),
        QStringLiteral("Question 8 du fichier (« Cassée ») : accolade"),
        QStringLiteral("Question 36 du fichier (« Q27 ») : au-delà de 30 questions"),
        QStringLiteral("Question 37 du fichier (« Q28 ») : au-delà de 30 questions"),
        QStringLiteral("Question 38 du fichier (« Q29 ») : au-delà de 30 questions"),
        QStringLiteral("Question 39 du fichier (« Q30 ») : au-delà de 30 questions")};
    EXPECT_EQ(r.Pertes.size(), attendues.size()) << r.Pertes.join(QLatin1Char('\n')).toStdString();
    for (const QString& attendue : attendues) {
        EXPECT_EQ(r.Pertes.filter(attendue).size(), 1) << attendue.toStdString();
    }
    EXPECT_EQ(r.Questionnaire.Question(1).Enonce, QStringLiteral("Flèche ? ici"));
    EXPECT_EQ(r.Questionnaire.Question(2).NbReponses, 5);
    EXPECT_EQ(r.Questionnaire.Question(4).Reponse(1), QStringLiteral("Vrai"));
    EXPECT_TRUE(r.Questionnaire.Question(4).Juste(1));
}

TEST(Import, MoodleKindsPicturesAndFeedback) {
    const QByteArray png = qcm::testing::Plain(2, 2, Qt::green, "PNG");
    const QByteArray xml =
        "<?xml version=\"1.0\"?><quiz>"
        "<question type=\"truefalse\"><questiontext format=\"html\"><text><![CDATA[<p>La Terre "
        "tourne&nbsp;?</p><p><img src=\"@@PLUGINFILE@@/terre%20bleue.png\"></p>]]></text>"
        "<file name=\"terre bleue.png\" encoding=\"base64\">" +
        png.toBase64() +
        "</file></questiontext>"
        "<answer fraction=\"100\"><text>true</text><feedback><text>Bravo</text></feedback></answer>"
        "<answer fraction=\"0\"><text>false</text><feedback><text>Elle tourne.</text></feedback>"
        "</answer><hint><text>Regarde le ciel.</text></hint></question>"
        "<question type=\"shortanswer\"><questiontext><text>Capitale ?</text></questiontext>"
        "</question></quiz>";
    const ResultatImport r = Importer(xml, QStringLiteral("q.xml"));
    ASSERT_EQ(r.NombreQuestions, 1);
    const TQuestion& q = r.Questionnaire.Question(1);
    EXPECT_EQ(q.Enonce, QStringLiteral("La Terre tourne\u00A0?"));
    EXPECT_EQ(q.Commentaire, QStringLiteral("Elle tourne."));
    EXPECT_TRUE(q.Unique);
    EXPECT_TRUE(q.Juste(1));
    EXPECT_FALSE(q.Juste(2));
    // The editor does not read PNG: the picture comes as a bitmap.
    ASSERT_EQ(r.Images.size(), 1U);
    EXPECT_EQ(q.Image, QStringLiteral("image 1.bmp"));
    EXPECT_TRUE(r.Images[0].Octets.startsWith("BM"));
    EXPECT_EQ(r.Pertes.size(), 3) << r.Pertes.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(r.Pertes.filter(QStringLiteral("indices")).size(), 1);
    EXPECT_EQ(r.Pertes.filter(QStringLiteral("retours des réponses justes")).size(), 1);
    EXPECT_EQ(r.Pertes.filter(QStringLiteral("« shortanswer »")).size(), 1);
}

TEST(Import, RefusesWhatIsNotAQuestionBank) {
    const struct {
        QByteArray octets;
        const char* message;
    } cas[] = {
        {"<quiz><question type=\"multichoice\">", "Fichier Moodle XML incorrect"},
        {"<html><body/></html>", "pas d'élément « quiz »"},
        {QByteArray(kTailleMaxImport + 1, ' '), "trop volumineux"},
    };
    for (const auto& c : cas) {
        try {
            Importer(c.octets, QStringLiteral("f"));
            ADD_FAILURE() << c.message;
        } catch (const EEchange& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.message)))
                << e.Message().toStdString();
        }
    }
    // A GIFT file saved in Windows-1252 reads as such, and says so.
    const ResultatImport ancien = Lis("Caf\xE9 ? {=oui ~non}");
    EXPECT_EQ(ancien.Questionnaire.Question(1).Enonce, QStringLiteral("Café ?"));
    EXPECT_EQ(ancien.Pertes, QStringList(QStringLiteral("Le fichier n'est pas en UTF-8 : il est "
                                                        "lu comme du Windows-1252.")));
    // Text that holds no question is an empty questionnaire named after the file.
    const ResultatImport vide = Lis("// rien\n\n");
    EXPECT_EQ(vide.NombreQuestions, 0);
    EXPECT_EQ(vide.Questionnaire.Titre, QStringLiteral("banque"));
}

// A whole bank is counted past what is read, and said.
TEST(Import, CountsTheQuestionsPastWhatItReads) {
    QByteArray gift;
    for (int i = 0; i < 10002; ++i) {
        gift += "Q {~a =b}\n\n";
    }
    const ResultatImport r = Importer(gift, QStringLiteral("gros.gift"));
    EXPECT_EQ(r.NombreQuestions, 30);
    EXPECT_EQ(r.Pertes.size(), 10000 - 30 + 1);
    EXPECT_EQ(r.Pertes.constLast(),
              QStringLiteral("2 questions de plus, au-delà des 10000 premières du fichier, ne "
                             "sont pas lues."));
}

namespace {

QByteArray Xml(const QByteArray& questions) {
    return "<?xml version=\"1.0\"?><quiz>" + questions + "</quiz>";
}

QByteArray XmlChoix(const QByteArray& enonce, const QByteArray& reste) {
    return Xml("<question type=\"multichoice\"><questiontext format=\"html\"><text>" + enonce +
               "</text></questiontext>" + reste + "</question>");
}

// What a teacher finds of question 1 after importing a file of one's own
// making; each loss line holds one of pertes, and there are no others.
struct Cas {
    const char* faute;
    QByteArray fichier;
    QString enonce;
    QStringList propositions;
    QString justes;
    QString commentaire;
    QStringList pertes;
};

const Cas kCas[] = {
    {"TrueFalseWithoutFeedbackHasNoComment",
     "Le Soleil est une étoile. {TRUE}",
     "Le Soleil est une étoile.",
     {"Vrai", "Faux"},
     "1",
     "",
     {}},
    {"FormatMarkersAreReadOnEveryText",
     "[html]Quelle couleur ? {=[plain]<b>bleu</b> ~[moodle]rouge#[plain]Non : <i>bleu</i>.}",
     "Quelle couleur ?",
     {"<b>bleu</b>", "rouge"},
     "1",
     "Non : <i>bleu</i>.",
     {}},
    {"GiftHtmlIsShownAsAPupilReadsIt",
     "C&oelig;ur &ndash; quelle <strong>saison</strong> ?<!-- note : <b>X1</b> --> Choisis.\n"
     "Deux lignes {=&Eacute;t&eacute; ~1&frac12; &times; 2&deg;#Car 3 < 5 et 7 > 2. "
     "~<p>Rouge</p><p>Vert</p>}",
     "Cœur – quelle saison ? Choisis.\nDeux lignes",
     {"Été", "1½ × 2°", "Rouge\nVert"},
     "1",
     "Car 3 < 5 et 7 > 2.",
     {}},
    {"MoodleHtmlIsShownAsAPupilReadsIt",
     XmlChoix("<![CDATA[<p>Quelle&nbsp;saison&#160;? &#233;t&#xE9;</p>\n<p>Ligne\nsuite</p>]]>",
              "<answer fraction=\"100\" format=\"moodle_auto_format\"><text>Vert\nclair"
              "</text></answer><answer fraction=\"0\" format=\"plain_text\"><text>&lt;b&gt;x"
              "</text></answer><answer fraction=\"0\"><text>&lt;i&gt;&amp;rarr;</text></answer>"),
     "Quelle\u00A0saison\u00A0? été\nLigne suite",
     {"Vert\nclair", "<b>x", "?"},
     "1",
     "",
     {"remplacés par « ? »"}},
    {"PartialCreditIsNotARightAnswer",
     "Où Jésus a-t-il grandi ? {~%25%Bethlehem ~%50%Galilee =Nazareth}",
     "Où Jésus a-t-il grandi ?",
     {"Bethlehem", "Galilee", "Nazareth"},
     "3",
     "",
     {"crédit partiel"}},
    {"OneAnswerQuestionWithOnlyPartialCreditSaysItHasNoRightAnswer",
     XmlChoix("Capitale ?", "<single>true</single><answer fraction=\"50\"><text>Lyon</text>"
                            "</answer><answer fraction=\"0\"><text>Brest</text></answer>"),
     "Capitale ?",
     {"Lyon", "Brest"},
     "",
     "",
     {"crédit partiel", "aucune proposition juste"}},
    {"RightAnswersPastTheFifthAreKept",
     "Nombres premiers ? {~%-25%1 ~%-25%4 ~%-25%6 ~%-25%8 ~%50%2 ~%50%3}",
     "Nombres premiers ?",
     {"1", "4", "6", "2", "3"},
     "45",
     "",
     {"plus de 5 propositions, perdues : « 8 »."}},
    {"PictureOnlyPropositionsKeepTheirPlace",
     XmlChoix("Quelle forme ?",
              "<answer fraction=\"100\"><text><![CDATA[<img src=\"@@PLUGINFILE@@/a.png\" "
              "alt=\"Carré\">]]></text></answer><answer fraction=\"0\"><text><![CDATA[<img "
              "src='b.png'>]]></text></answer><answer fraction=\"0\"><text>Cercle</text></answer>"),
     "Quelle forme ?",
     {"Carré", "[image]", "Cercle"},
     "1",
     "",
     {"« Carré », « [image] »"}},
    {"GiftDescriptionIsNotAQuestion",
     "Lisez le texte suivant.\n\nQ ? {=a ~b}",
     "Q ?",
     {"a", "b"},
     "1",
     "",
     {"(« Lisez le texte suivant. ») : texte sans question"}},
    {"MoodleDescriptionIsNotAQuestion",
     Xml("<question type=\"description\"><questiontext><text>Consignes</text></questiontext>"
         "</question><question type=\"multichoice\"><questiontext><text>Q ?</text>"
         "</questiontext><answer fraction=\"100\"><text>a</text></answer></question>"),
     "Q ?",
     {"a"},
     "1",
     "",
     {"(« Consignes ») : texte sans question"}},
    {"PlainTextHoldsNoQuestion",
     "Bonjour à tous,\nla réunion est jeudi.\n",
     "",
     {},
     "",
     "",
     {"texte sans question"}},
    {"TrueFalseRightFeedbackIsNotTheComment",
     "Paris est en France. {T##Bravo !}",
     "Paris est en France.",
     {"Vrai", "Faux"},
     "1",
     "",
     {"retours des réponses justes"}},
    {"MoodleTrueFalseWrongAnswersFeedbackIsTheComment",
     Xml("<question type=\"truefalse\"><questiontext><text>Paris est en France.</text>"
         "</questiontext><generalfeedback><text>Relis la leçon.</text></generalfeedback>"
         "<answer fraction=\"100\"><text>true</text><feedback><text>Bravo !</text></feedback>"
         "</answer><answer fraction=\"0\"><text>false</text><feedback><text>Non, elle y est."
         "</text></feedback></answer></question>"),
     "Paris est en France.",
     {"Vrai", "Faux"},
     "1",
     "Non, elle y est.",
     {"retours des réponses justes", "premier de ses retours"}},
    {"MoodleDefaultFeedbackGivesWayToTheQuestionsOwn",
     XmlChoix("Capitale ?",
              "<correctfeedback><text>Your answer is correct.</text></correctfeedback>"
              "<partiallycorrectfeedback><text>Your answer is partially correct.</text>"
              "</partiallycorrectfeedback><incorrectfeedback><text>Faux : c'est Rome.</text>"
              "</incorrectfeedback><answer fraction=\"100\"><text>Rome</text></answer>"
              "<answer fraction=\"0\"><text>Milan</text></answer>"),
     "Capitale ?",
     {"Rome", "Milan"},
     "1",
     "Faux : c'est Rome.",
     {}},
    {"MoodleGeneralFeedbackComesBeforeTheDefaultOnes",
     XmlChoix("Capitale ?",
              "<generalfeedback><text>Relis la leçon.</text></generalfeedback>"
              "<partiallycorrectfeedback><text>Your answer is partially correct.</text>"
              "</partiallycorrectfeedback><incorrectfeedback><text>Your answer is incorrect."
              "</text></incorrectfeedback><answer fraction=\"100\"><text>Rome</text></answer>"
              "<answer fraction=\"0\"><text>Milan</text></answer>"),
     "Capitale ?",
     {"Rome", "Milan"},
     "1",
     "Relis la leçon.",
     {}},
};

} // namespace

TEST(Import, KeepsTheMeaningOrSaysWhatChanged) {
    for (const Cas& c : kCas) {
        SCOPED_TRACE(c.faute);
        const ResultatImport r = Importer(c.fichier, QStringLiteral("banque"));
        const TQuestion& q = r.Questionnaire.Question(1);
        EXPECT_EQ(q.Enonce, c.enonce);
        QStringList propositions;
        QString justes;
        for (int k = 1; k <= q.NbReponses; ++k) {
            propositions << q.Reponse(k);
            if (q.Juste(k)) {
                justes += QString::number(k);
            }
        }
        EXPECT_EQ(propositions, c.propositions);
        EXPECT_EQ(justes, c.justes);
        EXPECT_EQ(q.Commentaire, c.commentaire);
        EXPECT_EQ(r.Pertes.size(), c.pertes.size())
            << r.Pertes.join(QLatin1Char('\n')).toStdString();
        for (const QString& perte : c.pertes) {
            EXPECT_EQ(r.Pertes.filter(perte).size(), 1) << perte.toStdString();
        }
    }
}
