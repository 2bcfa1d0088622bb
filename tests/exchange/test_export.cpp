#include "exchange/Export.h"

#include "../support/Encoded.h"
#include "../support/TempFolder.h"
#include "Questionnaires.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>

namespace {

QString Texte(const ExportComplet& e) {
    return QString::fromUtf8(e.Octets);
}

ExportComplet Exporte(const TQuestionnaire& q, FormatExport format, const QString& dossier = {}) {
    return ExporterComplet(q, dossier.isEmpty() ? QStringLiteral("/nonexistent") : dossier, format,
                           QStringLiteral("sujet"));
}

// The <text> of every element named nom, in order.
QStringList Textes(const QByteArray& xml, const QString& nom) {
    QXmlStreamReader r(xml);
    QStringList textes;
    QString parent;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == nom) {
            parent = nom;
        } else if (r.isStartElement() && r.name() == QLatin1String("text") && !parent.isEmpty()) {
            textes << r.readElementText();
            parent.clear();
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return textes;
}

} // namespace

// Every character a format reads as markup comes out as text.
TEST(Export, EscapesWhatEachFormatReadsAsMarkup) {
    struct Cas {
        FormatExport format;
        QString enonce;
        QString attendu;
    };
    const Cas cas[] = {
        {FormatExport::Gift, QStringLiteral("a~b=c#d{e}f:g\\h"),
         QStringLiteral("a\\~b\\=c\\#d\\{e\\}f\\:g\\\\h")},
        {FormatExport::Gift, QStringLiteral("ligne 1\nligne 2"),
         QStringLiteral("ligne 1\\nligne 2")},
        {FormatExport::Gift, QStringLiteral("Coût : 5 € à payer"),
         QStringLiteral("Coût \\: 5 € à payer")},
        {FormatExport::Moodle, QStringLiteral("a<b & c>d é €"),
         QStringLiteral("&amp;lt;b &amp;amp; c&amp;gt;d é €")},
        {FormatExport::Amc, QStringLiteral("ligne 1\nligne 2 é €"),
         QStringLiteral("*[ordered] ligne 1\n\nligne 2 é €\n")},
        {FormatExport::Amc, QStringLiteral("Bravo!Super!"), QStringLiteral("Bravo! Super!")},
        {FormatExport::Amc, QStringLiteral("[==Titre==]"), QStringLiteral("[ ==Titre== ]")},
    };
    for (const Cas& c : cas) {
        const TQuestionnaire q = Questionnaire(
            {Question(c.enonce, {QStringLiteral("-2"), QStringLiteral("+3")}, {2}, true)});
        const QString sortie = Texte(Exporte(q, c.format));
        EXPECT_TRUE(sortie.contains(c.attendu)) << sortie.toStdString();
    }
    // A proposition that starts with a marker stays a proposition.
    const TQuestionnaire q = Questionnaire({Question(
        QStringLiteral("Signe ?"), {QStringLiteral("-2"), QStringLiteral("+3")}, {2}, true)});
    EXPECT_TRUE(Texte(Exporte(q, FormatExport::Amc)).contains(QStringLiteral("- -2\n+ +3\n")));
}

TEST(Export, OneRightAnswerOrSeveral) {
    const TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Une"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true),
         Question(QStringLiteral("Deux"),
                  {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, {1, 3}, false)});
    const QString gift = Texte(Exporte(q, FormatExport::Gift));
    EXPECT_TRUE(gift.contains(QStringLiteral("\t=a\n\t~b\n")));
    EXPECT_TRUE(gift.contains(QStringLiteral("\t~%50%a\n\t~%-100%b\n\t~%50%c\n")));
    const QString amc = Texte(Exporte(q, FormatExport::Amc));
    EXPECT_TRUE(amc.contains(QStringLiteral("\n*[ordered] Une\n")));
    EXPECT_TRUE(amc.contains(QStringLiteral("\n**[ordered] Deux\n")));
    const QByteArray xml = Exporte(q, FormatExport::Moodle).Octets;
    EXPECT_EQ(Textes(xml, QStringLiteral("questiontext")),
              QStringList({QStringLiteral("<p>Une</p>"), QStringLiteral("<p>Deux</p>")}));
    EXPECT_TRUE(xml.contains("<single>true</single>"));
    EXPECT_TRUE(xml.contains("<single>false</single>"));
    EXPECT_TRUE(xml.contains("<answer fraction=\"50\" format=\"html\">"));
    EXPECT_TRUE(xml.contains("<answer fraction=\"-100\" format=\"html\">"));
}

// Blank slots and questions without a statement stay out; what holds
// something and still stays out is said.
TEST(Export, SkipsBlankSlotsAndSaysWhatItLeavesOut) {
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Trous"),
                  {QStringLiteral("a"), QStringLiteral("  "), QStringLiteral("c")}, {3}, true),
         Question(QString(), {QStringLiteral("orpheline")}, {}, true),
         Question(QStringLiteral("Aucune juste"), {QStringLiteral("x"), QStringLiteral("y")}, {},
                  true)});
    q.Fond = QStringLiteral("fond écran.bmp");
    for (const FormatExport format :
         {FormatExport::Gift, FormatExport::Moodle, FormatExport::Amc}) {
        const ExportComplet e = Exporte(q, format);
        const QString sortie = Texte(e);
        EXPECT_FALSE(sortie.contains(QStringLiteral("orpheline")));
        EXPECT_TRUE(sortie.contains(QStringLiteral("Aucune de ces réponses")));
        EXPECT_EQ(e.Pertes.filter(QStringLiteral("Question 2 : sans énoncé")).size(), 1);
        EXPECT_EQ(e.Pertes.filter(QStringLiteral("Question 3 : aucune proposition")).size(), 1);
        EXPECT_EQ(e.Pertes.filter(QStringLiteral("fond")).size(), 1);
    }
    EXPECT_TRUE(Texte(Exporte(q, FormatExport::Gift)).contains(QStringLiteral("\t=c\n}")));
}

TEST(Export, PicturesPresentAndMissing) {
    TempDir dossier;
    const QByteArray bmp = qcm::testing::Plain(4, 3, Qt::red, "BMP");
    dossier.Write(QStringLiteral("image 1.bmp"), bmp);
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Avec"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true),
         Question(QStringLiteral("Sans"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true)});
    q.Question(1).Image = QStringLiteral("IMAGE 1.BMP"); // case does not matter
    q.Question(2).Image = QStringLiteral("absente.gif");

    const ExportComplet moodle = Exporte(q, FormatExport::Moodle, dossier.Path());
    EXPECT_TRUE(Textes(moodle.Octets, QStringLiteral("questiontext"))
                    .at(0)
                    .contains(QStringLiteral("<img src=\"@@PLUGINFILE@@/IMAGE%201.BMP\"")));
    EXPECT_TRUE(moodle.Octets.contains(
        "<file name=\"IMAGE 1.BMP\" path=\"/\" encoding=\"base64\">" + bmp.toBase64() + "</file>"));
    EXPECT_EQ(moodle.Octets.count("<file "), 1);
    EXPECT_EQ(moodle.Pertes
                  .filter(QStringLiteral("Question 2 : l'image « absente.gif » est "
                                         "introuvable"))
                  .size(),
              1);

    // Beside an AMC-TXT file, a bitmap becomes a PNG that LaTeX reads.
    const ExportComplet amc = Exporte(q, FormatExport::Amc, dossier.Path());
    ASSERT_EQ(amc.Joints.size(), 1U);
    EXPECT_EQ(amc.Joints[0].Nom, QStringLiteral("sujet-1.png"));
    EXPECT_TRUE(amc.Joints[0].Octets.startsWith("\x89PNG"));
    EXPECT_TRUE(Texte(amc).contains(QStringLiteral("]sujet-1.png!\n")));

    EXPECT_EQ(Exporte(q, FormatExport::Gift, dossier.Path())
                  .Pertes.filter(QStringLiteral("GIFT ne transporte pas"))
                  .size(),
              2);
}

// What Moodle's documentation gives for a multichoice question, and XML
// that any parser reads.
TEST(Export, MoodleXmlIsWellFormedMultichoice) {
    TQuestionnaire q = Questionnaire({Question(
        QStringLiteral("É & <b>"), {QStringLiteral("x"), QStringLiteral("y")}, {2}, false)});
    q.Question(1).Commentaire = QStringLiteral("Relis \"la\" leçon");
    q.Question(1).Enonce.insert(1, QChar(0x01)); // a control character XML cannot hold
    const ExportComplet e = Exporte(q, FormatExport::Moodle);
    QXmlStreamReader r(e.Octets);
    QStringList chemin;
    QStringList vus;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            chemin << r.name().toString();
            vus << chemin.join(QLatin1Char('/'));
        } else if (r.isEndElement()) {
            chemin.removeLast();
        }
    }
    ASSERT_FALSE(r.hasError()) << r.errorString().toStdString();
    for (const char* attendu :
         {"quiz/question/category/text", "quiz/question/name/text",
          "quiz/question/questiontext/text", "quiz/question/single", "quiz/question/shuffleanswers",
          "quiz/question/answernumbering", "quiz/question/incorrectfeedback/text",
          "quiz/question/answer/text", "quiz/question/answer/feedback/text"}) {
        EXPECT_TRUE(vus.contains(QLatin1String(attendu))) << attendu;
    }
    EXPECT_EQ(Textes(e.Octets, QStringLiteral("incorrectfeedback")),
              QStringList(QStringLiteral("Relis &quot;la&quot; leçon")));
    EXPECT_EQ(e.Pertes.filter(QStringLiteral("caractères de contrôle")).size(), 1);
}
