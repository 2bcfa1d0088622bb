#include "exchange/Import.h"
#include "exchange/Impression.h"
#include "exchange/Lecture.h"

#include "core/AtomicFile.h"

#include "../support/Encoded.h"
#include "../support/TempFolder.h"
#include "Questionnaires.h"
#include "model/QcmFile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

namespace {

QString Pertes(const ResultatImport& r) {
    return r.Pertes.join(QLatin1Char('\n'));
}

QByteArray Moodle(const QByteArray& questions, const QByteArray& doctype = {}) {
    return "<?xml version=\"1.0\"?>\n" + doctype + "<quiz>" + questions + "</quiz>";
}

quint32 Crc32(QByteArrayView octets) {
    quint32 crc = 0xFFFFFFFF;
    for (const char c : octets) {
        crc ^= static_cast<uchar>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

QByteArray GrandBoutiste(quint32 v) {
    const char octets[] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    return QByteArray(octets, 4);
}

QByteArray Bloc(const QByteArray& type, const QByteArray& donnees) {
    return GrandBoutiste(static_cast<quint32>(donnees.size())) + type + donnees +
           GrandBoutiste(Crc32(type + donnees));
}

// A tiny PNG whose header claims largeur x hauteur grey pixels.
QByteArray PngGeant(quint32 largeur, quint32 hauteur) {
    return QByteArray("\x89PNG\r\n\x1A\n") +
           Bloc("IHDR", GrandBoutiste(largeur) + GrandBoutiste(hauteur) +
                            QByteArray("\x01\x00\x00\x00\x00", 5)) +
           Bloc("IDAT", "x") + Bloc("IEND", {});
}

} // namespace

// Qt's readElementText recursed once per nested element.
TEST(Faults, DeeplyNestedXmlDoesNotOverflowTheStack) {
    constexpr int kProfondeur = 200000;
    QByteArray texte;
    for (int i = 0; i < kProfondeur; ++i) {
        texte += "<b>";
    }
    texte += "Capitale ?";
    for (int i = 0; i < kProfondeur; ++i) {
        texte += "</b>";
    }
    const ResultatImport r =
        Importer(Moodle("<question type=\"multichoice\"><questiontext><text>" + texte +
                        "</text></questiontext><answer fraction=\"100\"><text>Rome</text></answer>"
                        "<answer fraction=\"0\"><text>Milan</text></answer></question>"),
                 QStringLiteral("banque.xml"));
    EXPECT_EQ(r.NombreQuestions, 1);
    EXPECT_EQ(r.Questionnaire.Question(1).Enonce, QStringLiteral("Capitale ?"));
}

TEST(Faults, XmlEntitiesNeverReachOutsideTheFile) {
    TempDir dossier;
    dossier.Write(QStringLiteral("secret.txt"), "SECRET");
    const QByteArray externe = "<!DOCTYPE quiz [<!ENTITY x SYSTEM \"file://" +
                               dossier.Path().toUtf8() + "/secret.txt\">]>\n";
    const ResultatImport r = Importer(
        Moodle("<question type=\"multichoice\"><questiontext format=\"plain_text\"><text>A &x; "
               "?</text></questiontext><answer fraction=\"100\"><text>&x;</text></answer>"
               "<answer fraction=\"0\"><text>b</text></answer></question>",
               externe),
        QStringLiteral("banque.xml"));
    EXPECT_FALSE(r.Questionnaire.Question(1).Enonce.contains(QLatin1String("SECRET")));
    EXPECT_FALSE(r.Questionnaire.Question(1).Reponse(1).contains(QLatin1String("SECRET")));
    EXPECT_TRUE(r.Pertes.join(u'\n').contains(QStringLiteral("L'entité externe « x »")))
        << r.Pertes.join(u'\n').toStdString();

    QByteArray rires = "<!DOCTYPE quiz [<!ENTITY a0 \"rire\">";
    for (int i = 1; i < 10; ++i) {
        rires += "<!ENTITY a" + QByteArray::number(i) + " \"" +
                 QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    }
    rires += "]>\n";
    EXPECT_THROW(Importer(Moodle("<question type=\"multichoice\"><questiontext><text>&a9;</text>"
                                 "</questiontext></question>",
                                 rires),
                          QStringLiteral("banque.xml")),
                 EEchange);
}

// A 10 MB question came in whole: QCM.txt was written past the size the
// editor reads, and the questionnaire could not be opened.
TEST(Faults, TooLongQuestionIsLeftOutSoQcmTxtStaysReadable) {
    const QByteArray longue(5 * 1024 * 1024, 'x');
    const QByteArray gift =
        "Un ? {=a ~b}\n\n" + longue + " ? {=a ~b}\n\n" + longue + " ? {=a ~b}\n\nDeux ? {=c ~d}\n";
    const ResultatImport r = Importer(gift, QStringLiteral("banque.gift"));
    EXPECT_EQ(r.NombreQuestions, 2);
    EXPECT_TRUE(r.Questionnaire.Question(2).Enonce == QStringLiteral("Deux ?"));
    EXPECT_EQ(r.Pertes.filter(QStringLiteral("trop longue")).size(), 2)
        << Pertes(r).left(300).toStdString();
    EXPECT_LE(FormatQCM(r.Questionnaire).size(), kTailleMaxQCM);

    EXPECT_THROW(Importer("$CATEGORY: " + longue + longue + "\n\nUn ? {=a ~b}\n",
                          QStringLiteral("banque.gift")),
                 EEchange);
}

// Each answer of a GIFT file takes two bytes but far more once read: a
// bank of 64 MB took gigabytes.
TEST(Faults, CountlessAnswersAreCountedNotKept) {
    const QByteArray gift = "Q ? {=a " + QByteArray("~b ").repeated(1000) + "}\n";
    const QByteArray xml =
        Moodle("<question type=\"multichoice\"><questiontext><text>Q ?</text>"
               "</questiontext><answer fraction=\"100\"><text>a</text></answer>" +
               QByteArray("<answer fraction=\"0\"><text>b</text></answer>").repeated(1000) +
               "</question>");
    for (const auto& [fichier, lu] : {std::pair{gift, detail::LireGift(QString::fromUtf8(gift))},
                                      std::pair{xml, detail::LireMoodle(xml)}}) {
        ASSERT_EQ(lu.Questions.size(), 1U);
        const detail::QuestionLue& q = lu.Questions.front();
        EXPECT_EQ(q.Reponses.size(), static_cast<std::size_t>(detail::kReponsesLues));
        EXPECT_EQ(q.Reponses.size() + q.ReponsesNonLues, 1001);
        const ResultatImport r = Importer(fichier, QStringLiteral("banque"));
        EXPECT_EQ(r.Questionnaire.Question(1).Reponse(1), QStringLiteral("a"));
        EXPECT_TRUE(r.Questionnaire.Question(1).Juste(1));
        EXPECT_TRUE(Pertes(r).contains(QLatin1String("(996 en tout)"))) << Pertes(r).toStdString();
    }
}

// "=%100%a" read as a weighted "a": the right answer of a one-answer
// question that starts with "%" lost its start on the way back.
TEST(Faults, GiftRightAnswerStartingWithPercentKeepsItsText) {
    TempDir dossier;
    const TQuestionnaire q =
        Questionnaire({Question(QStringLiteral("Taux ?"),
                                {QStringLiteral("%100% sûr"), QStringLiteral("%50%")}, {1}, true)});
    const ResultatImport r = Importer(ExporterComplet(q, dossier.Path(), FormatExport::Gift).Octets,
                                      QStringLiteral("x.gift"));
    EXPECT_EQ(r.Questionnaire.Question(1), q.Question(1)) << Pertes(r).toStdString();
}

// An AMC export into a folder's name wrote its pictures, then failed on the
// main file with a bare "Accès au fichier refusé", leaving them behind.
TEST(Faults, ExportToAFolderOrAMissingOneWritesNothing) {
    TempDir questionnaire;
    questionnaire.Write(QStringLiteral("photo.jpg"), "octets");
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Q ?"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, false)});
    q.Question(1).Image = QStringLiteral("photo.jpg");
    TempDir sortie;
    QDir(sortie.Path()).mkdir(QStringLiteral("dossier.txt"));
    for (const QString& cible : {sortie.File(QStringLiteral("dossier.txt")),
                                 sortie.File(QStringLiteral("absent/qcm.txt"))}) {
        EXPECT_THROW(ExporterVers(q, questionnaire.Path(), FormatExport::Amc, cible), EEchange);
    }
    EXPECT_EQ(QDir(sortie.Path()).entryList(QDir::Files), QStringList());
}

// Any "->" in the answers made a question read as matching and left out,
// though Moodle reads a block with a "~" as multiple-choice.
TEST(Faults, GiftAnswerWithAnArrowIsStillMultipleChoice) {
    const struct {
        const char* gift;
        int gardees;
    } kCas[] = {
        {"Réaction ? {=2 H2 + O2 -> 2 H2O ~H2 -> H}\n", 1},
        {"Réaction ? {~%50%A -> B ~%50%C ~%-100%D}\n", 1},
        {"Associez. {=chat -> miaou =chien -> ouaf}\n", 0},
    };
    for (const auto& cas : kCas) {
        const ResultatImport r = Importer(QByteArray(cas.gift), QStringLiteral("x.gift"));
        EXPECT_EQ(r.NombreQuestions, cas.gardees) << cas.gift << Pertes(r).toStdString();
    }
    const ResultatImport r = Importer(QByteArray(kCas[0].gift), QStringLiteral("x.gift"));
    EXPECT_EQ(r.Questionnaire.Question(1).Reponse(1), QStringLiteral("2 H2 + O2 -> 2 H2O"));
}

// "{=a =b}" holds no "~": Moodle read it as a short-answer question and so
// did our own reader, which left it out.
TEST(Faults, GiftOneAnswerQuestionWithOnlyRightAnswersStaysMultipleChoice) {
    TempDir dossier;
    TQuestionnaire q =
        Questionnaire({Question(QStringLiteral("Toutes justes ?"),
                                {QStringLiteral("a"), QStringLiteral("b -> c")}, {1, 2}, true)});
    q.Question(1).Commentaire = QStringLiteral("Les deux.");
    const QByteArray gift = ExporterComplet(q, dossier.Path(), FormatExport::Gift).Octets;
    EXPECT_TRUE(gift.contains('~')) << gift.constData();
    const ResultatImport r = Importer(gift, QStringLiteral("x.gift"));
    EXPECT_EQ(r.Questionnaire.Question(1), q.Question(1)) << Pertes(r).toStdString();
}

// Ctrl+E opened on the name of a questionnaire folder; AMC-TXT into
// ".../QCM1/QCM" replaced QCM.txt with AMC text.
TEST(Faults, ExportNeverReplacesTheQuestionnaireFile) {
    TempDir depart;
    const QString qcm1 = depart.File(QStringLiteral("QCM1"));
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Q ?"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, false)});
    q.Fond = QStringLiteral("fond écran.bmp");
    q.Musique = QStringLiteral("FOND MUSICAL.MID");
    q.Question(1).Image = QStringLiteral("sujet-1.jpg");
    q.Question(2).Image = QStringLiteral("image 2.gif");
    depart.Write(QStringLiteral("QCM1/sujet-1.jpg"), qcm::testing::Plain(4, 3, Qt::red, "JPEG"));
    depart.Write(QStringLiteral("QCM1/fond écran.bmp"), qcm::testing::Plain(2, 2, Qt::blue, "BMP"));
    depart.Write(QStringLiteral("QCM1/fond musical.mid"), "MThd");
    EcrireQCM(q, qcm1);
    // A change not saved yet names a picture too.
    q.Question(2).Image = QStringLiteral("photo.gif");
    depart.Write(QStringLiteral("QCM1/photo.gif"), "GIF89a");
    TQuestionnaire autre = q;
    autre.Question(1).Image = QStringLiteral("carte.bmp");
    depart.Write(QStringLiteral("QCM2/carte.bmp"), "BM");
    EcrireQCM(autre, depart.File(QStringLiteral("QCM2")));
    ASSERT_TRUE(QFile::link(depart.File(QStringLiteral("QCM1/QCM.txt")),
                            depart.File(QStringLiteral("lien.txt"))));

    const struct {
        const char* cible;
        FormatExport format;
        bool impression;
    } kCas[] = {
        {"QCM1/QCM.txt", FormatExport::Amc, false},
        {"QCM1/qcm.TXT", FormatExport::Gift, false},
        {"Qcm.Txt", FormatExport::Html, false},
        {"QCM2/QCM.TXT", FormatExport::Moodle, true},
        {"lien.txt", FormatExport::Amc, false},
        {"QCM1/SUJET-1.JPG", FormatExport::Moodle, false},
        {"QCM1/image 2.gif", FormatExport::Gift, false},
        {"QCM1/photo.gif", FormatExport::Gift, true},
        {"QCM1/fond écran.bmp", FormatExport::Html, false},
        {"QCM1/fond musical.mid", FormatExport::Gift, true},
        {"QCM2/carte.bmp", FormatExport::Gift, true},
    };
    const auto avant = depart.Hashes();
    for (const auto& cas : kCas) {
        const QString cible = depart.File(QString::fromUtf8(cas.cible));
        QString message;
        try {
            if (cas.impression) {
                ImprimerVers(q, qcm1, Corrige::Avec, cible);
            } else {
                ExporterVers(q, qcm1, cas.format, cible);
            }
        } catch (const EEchange& e) {
            message = e.Message();
        }
        EXPECT_TRUE(message.contains(QStringLiteral("ne le remplace jamais"))) << cas.cible;
        EXPECT_EQ(depart.Hashes(), avant) << cas.cible;
    }
    // Beside them, any other name is written.
    ExporterVers(q, qcm1, FormatExport::Amc, depart.File(QStringLiteral("QCM1/banque.txt")));
    EXPECT_TRUE(QFile::exists(depart.File(QStringLiteral("QCM1/banque-1.jpg"))));
    // The picture AMC writes beside its file takes another name than
    // question 1's.
    ExporterVers(q, qcm1, FormatExport::Amc, depart.File(QStringLiteral("QCM1/sujet.txt")));
    EXPECT_EQ(depart.Hashes().at(QStringLiteral("QCM1/sujet-1.jpg")),
              avant.at(QStringLiteral("QCM1/sujet-1.jpg")));
    EXPECT_TRUE(QFile::exists(depart.File(QStringLiteral("QCM1/sujet-1-2.jpg"))));
}

TEST(Faults, ExportDefaultNameIsNeverAQuestionnaires) {
    const struct {
        const char* titre;
        const char* nom;
    } kCas[] = {
        {"Capitales d'Europe", "Capitales d'Europe"},
        {"QCM1", "questionnaire"},
        {" qcm ", "questionnaire"},
        {"", "questionnaire"},
        {"../..", "questionnaire"},
        {"Maths : 3/4 * 2 ?", "Maths 3 4 2"},
    };
    for (const auto& cas : kCas) {
        TQuestionnaire q = Questionnaire({});
        q.Titre = QString::fromUtf8(cas.titre);
        EXPECT_EQ(NomExport(q), QString::fromUtf8(cas.nom)) << cas.titre;
    }
}

// 30 PNGs of 5792 x 5792 in a 185 KB Moodle file became 2.9 GB of bitmaps
// and took 3.1 GB of memory.
TEST(Faults, ImportShrinksHugePicturesAndRefusesOnesBeyondTheLimits) {
    QImage damier(5792, 5792, QImage::Format_Mono);
    damier.fill(1);
    const QByteArray grande = qcm::testing::Encoded(damier, "PNG");
    const struct {
        QByteArray octets;
        const char* nom;
        const char* garde;
        const char* perte;
    } kCas[] = {
        {grande, "carte.png", "image 1.jpg",
         "a 5792 × 5792 pixels : elle est réduite à 1600 × 1600"},
        {PngGeant(60000, 60000), "geante.png", "", "a 60000 × 60000 pixels, plus que"},
        {qcm::testing::Plain(40, 30, Qt::red, "PNG"), "petite.png", "image 1.bmp", ""},
    };
    for (const auto& cas : kCas) {
        const QByteArray question =
            "<question type=\"multichoice\"><questiontext><text><![CDATA[<p>Carte ?</p>"
            "<img src=\"@@PLUGINFILE@@/" +
            QByteArray(cas.nom) + "\">]]></text><file name=\"" + cas.nom +
            "\" encoding=\"base64\">" + cas.octets.toBase64() +
            "</file></questiontext><answer fraction=\"100\"><text>a</text></answer>"
            "<answer fraction=\"0\"><text>b</text></answer></question>";
        const ResultatImport r = Importer(Moodle(question), QStringLiteral("banque.xml"));
        EXPECT_EQ(r.Questionnaire.Question(1).Image, QString::fromUtf8(cas.garde)) << cas.nom;
        EXPECT_EQ(Pertes(r).contains(QString::fromUtf8(cas.perte)), true)
            << Pertes(r).toStdString();
        if (!r.Images.empty()) {
            QBuffer tampon;
            tampon.setData(r.Images[0].Octets);
            EXPECT_LE(QImageReader(&tampon).size().width(), 1600) << cas.nom;
        }
    }
}

// Moodle XML carried any picture raw, up to 256 MB each: four such files
// made a 1.4 GB bank.
TEST(Faults, ExportShrinksLargePicturesAndRefusesOnesBeyondTheLimits) {
    TempDir dossier;
    dossier.Write(QStringLiteral("photo.jpg"), qcm::testing::Plain(3000, 2000, Qt::green, "JPEG"));
    dossier.Write(QStringLiteral("geante.png"), PngGeant(60000, 60000));
    const QByteArray petite = qcm::testing::Plain(40, 30, Qt::red, "PNG");
    dossier.Write(QStringLiteral("petite.png"), petite);
    const struct {
        const char* image;
        const char* sortie;
        const char* perte;
    } kCas[] = {
        {"photo.jpg", "photo.jpg", "(3000 × 2000) est réduite à 1600 × 1066"},
        {"geante.png", "", "60000 × 60000 pixels, plus que"},
    };
    for (const auto& cas : kCas) {
        TQuestionnaire q = Questionnaire({Question(
            QStringLiteral("Carte ?"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true)});
        q.Question(1).Image = QString::fromUtf8(cas.image);
        const ExportComplet e = ExporterComplet(q, dossier.Path(), FormatExport::Moodle);
        const QString xml = QString::fromUtf8(e.Octets);
        const QString pertes = e.Pertes.join(u'\n');
        EXPECT_TRUE(pertes.contains(QString::fromUtf8(cas.perte))) << pertes.toStdString();
        EXPECT_EQ(xml.contains(QStringLiteral("<file name=\"%1\"").arg(cas.sortie)),
                  *cas.sortie != 0)
            << cas.image;
        EXPECT_LT(e.Octets.size(), 2 * 1024 * 1024) << cas.image;
    }
    // A small one still goes out as its own bytes.
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("?"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true)});
    q.Question(1).Image = QStringLiteral("petite.png");
    EXPECT_TRUE(ExporterComplet(q, dossier.Path(), FormatExport::Moodle)
                    .Octets.contains(petite.toBase64()));
}

// What left for Moodle or AMC was not what the teacher wrote, and nothing
// said so: pictures no reader takes shipped as they were, a US Letter page,
// the lines of a statement run together, and propositions or comments
// starting with "[word]" that Moodle read as a format and dropped.
TEST(Faults, ExportKeepsEveryWordOrSaysWhatItChanged) {
    TempDir dossier;
    dossier.Write(QStringLiteral("abimee.png"), PngGeant(40, 30));
    dossier.Write(QStringLiteral("abimee.gif"),
                  QByteArray("GIF89a\x28\x00\x1e\x00", 10) + QByteArray(40, '\x7f'));
    const struct {
        FormatExport format;
        const char* enonce;
        const char* proposition;
        const char* commentaire;
        const char* image;
        const char* attendu;
        const char* absent;
        const char* perte;
    } kCas[] = {
        {FormatExport::Moodle, "Carte ?", "a", "", "abimee.png", "", "<file ",
         "Question 1 : l'image « abimee.png » ne peut pas être lue"},
        {FormatExport::Moodle, "Carte ?", "a", "", "abimee.gif", "", "<file ",
         "Question 1 : l'image « abimee.gif » ne peut pas être lue"},
        {FormatExport::Amc, "Carte ?", "a", "", "abimee.png", "", "sujet-1",
         "Question 1 : l'image « abimee.png » ne peut pas être lue"},
        {FormatExport::Amc, "Q ?", "a", "", "", "Lang: FR\nPaperSize: A4\n", "", ""},
        {FormatExport::Amc, "Ligne 1\nLigne 2", "a", "", "", "] Ligne 1\n\nLigne 2\n", "", ""},
        {FormatExport::Amc, "Voici :\n- un tiret\nNote: fin", "a", "", "",
         "] Voici : - un tiret Note: fin\n", "", "mise à la suite de la précédente"},
        {FormatExport::Amc, "Q ?", "deux\nlignes", "", "", "+ deux lignes\n", "",
         "les lignes d'une proposition sont mises bout à bout"},
        {FormatExport::Gift, "Q ?", "[plain]y", "[html]<b>Relis</b>", "", "\t=[plain][plain]y\n",
         "", ""},
        {FormatExport::Gift, "Q ?", "y", "[note] relis", "", "\t~b#[plain][note] relis\n", "", ""},
    };
    for (const auto& cas : kCas) {
        TQuestionnaire q = Questionnaire(
            {Question(QString::fromUtf8(cas.enonce),
                      {QString::fromUtf8(cas.proposition), QStringLiteral("b")}, {1}, true)});
        q.Question(1).Commentaire = QString::fromUtf8(cas.commentaire);
        q.Question(1).Image = QString::fromUtf8(cas.image);
        const ExportComplet e =
            ExporterComplet(q, dossier.Path(), cas.format, QStringLiteral("sujet"));
        const QString sortie = QString::fromUtf8(e.Octets);
        const QString pertes = e.Pertes.join(u'\n');
        SCOPED_TRACE(sortie.toStdString() + pertes.toStdString());
        EXPECT_TRUE(sortie.contains(QString::fromUtf8(cas.attendu)));
        EXPECT_TRUE(*cas.absent == 0 || !sortie.contains(QString::fromUtf8(cas.absent)));
        EXPECT_TRUE(pertes.contains(QString::fromUtf8(cas.perte)));
        if (*cas.image != 0) {
            EXPECT_TRUE(e.Joints.empty());
        }
    }
}

// AMC's pictures were written beside the export under names of their own,
// replacing any file already there.
TEST(Faults, ExportNeverWritesOverAFileBesideIt) {
    TempDir depart;
    depart.Write(QStringLiteral("QCM1/image 1.bmp"), qcm::testing::Plain(4, 3, Qt::red, "BMP"));
    TQuestionnaire q = Questionnaire(
        {Question(QStringLiteral("Q ?"), {QStringLiteral("a"), QStringLiteral("b")}, {1}, true)});
    q.Question(1).Image = QStringLiteral("image 1.bmp");
    depart.Write(QStringLiteral("sujet-1.png"), "la photo de classe");
    depart.Write(QStringLiteral("Sujet-1-2.PNG"), "une autre");
    const auto avant = depart.Hashes();
    const QString qcm1 = depart.File(QStringLiteral("QCM1"));
    const QString cible = depart.File(QStringLiteral("sujet.txt"));
    const QStringList pertes = ExporterVers(q, qcm1, FormatExport::Amc, cible);
    EXPECT_TRUE(pertes.join(u'\n').contains(QStringLiteral(
        "un fichier « sujet-1.png » est déjà à côté du fichier exporté : l'image est écrite sous "
        "« sujet-1-3.png »")))
        << pertes.join(u'\n').toStdString();
    const auto apres = depart.Hashes();
    for (const auto& [nom, empreinte] : avant) {
        EXPECT_EQ(apres.at(nom), empreinte) << nom.toStdString();
    }
    EXPECT_TRUE(QFile::exists(depart.File(QStringLiteral("sujet-1-3.png"))));
    EXPECT_TRUE(core::ReadWholeFile(cible, 1 << 20).contains("]sujet-1-3.png!"));
    // Again: the same picture is already there, and nothing new is written.
    ExporterVers(q, qcm1, FormatExport::Amc, cible);
    EXPECT_EQ(depart.Hashes().size(), apres.size());
}
