// The printed questionnaire, read back from the PDF by poppler's pdftotext.
#include "exchange/Impression.h"

#include "../pictures/JpegTestFiles.h"
#include "../support/Encoded.h"
#include "../support/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace qcm;
using namespace qcm::exchange;
using namespace qcm::model;

namespace {

QByteArray Donnee(const QString& nom) {
    QFile f(QStringLiteral(QCM_TEST_DATA_DIR "/") + nom);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage Uni(int w, int h, const QColor& couleur) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(couleur);
    return image;
}

// The text of pages premiere to derniere (0: to the end), spaces folded.
QString Texte(const TempDir& dossier, const QByteArray& pdf, int premiere = 1, int derniere = 0) {
    dossier.Write(QStringLiteral("sortie.pdf"), pdf);
    QStringList args{QStringLiteral("-f"), QString::number(premiere)};
    if (derniere > 0) {
        args << QStringLiteral("-l") << QString::number(derniere);
    }
    args << dossier.File(QStringLiteral("sortie.pdf")) << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    EXPECT_TRUE(p.waitForFinished()) << "pdftotext (poppler-utils) is needed";
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

struct Cas {
    const char* enonce;
    bool unique;
    std::array<const char*, kMaxReponses> reponses;
    const char* commentaire;
    const char* image;
};

TQuestionnaire Construire(std::initializer_list<Cas> cas) {
    TQuestionnaire q;
    ViderQuestionnaire(q);
    q.Titre = QStringLiteral("Révisions d'été");
    q.Auteur = QStringLiteral("Mme Lefèvre");
    int n = 0;
    for (const Cas& c : cas) {
        TQuestion& question = q.Question(++n);
        question.Enonce = QString::fromUtf8(c.enonce);
        question.Unique = c.unique;
        for (int k = 1; k <= kMaxReponses; ++k) {
            question.Reponse(k) = QString::fromUtf8(c.reponses.at(k - 1));
            question.Juste(k) = k == 1;
        }
        question.Commentaire = QString::fromUtf8(c.commentaire);
        question.Image = QString::fromUtf8(c.image);
    }
    return q;
}

} // namespace

TEST(Impression, HoldsEveryStatementAndPropositionTheKeyAddsTheComments) {
    TempDir dossier;
    dossier.Write(QStringLiteral("image 1.bmp"), qcm::testing::Plain(40, 30, Qt::blue, "BMP"));
    dossier.Write(QStringLiteral("Image 2.JPG"), qcm::testing::EncodeJpeg(Uni(64, 48, Qt::red)));
    dossier.Write(QStringLiteral("image 3.wmf"), Donnee(QStringLiteral("metafile/chart.wmf")));
    dossier.Write(QStringLiteral("image 4.jpg"), QByteArray("pas un JPEG du tout"));
    const TQuestionnaire q = Construire({
        {"Combien font 2 + 2 ?",
         true,
         {"quatre", "", "cinq", "", "trois"},
         "Compte sur tes doigts.",
         "image 1.bmp"},
        {"Quels sont des fruits ?",
         false,
         {"la pomme", "la poire", "", "", "le céleri"},
         "Le céleri est un légume.",
         "image 2.jpg"},
        {"Le prix en euros ?", true, {"10 €", "« cher »", "", "", ""}, "", "image 3.wmf"},
        {"Une image illisible ?", true, {"oui", "non", "", "", ""}, "", "image 4.jpg"},
        {"", true, {"proposition sans énoncé", "", "", "", ""}, "", ""},
        {"Une image absente ?", false, {"peut-être", "", "", "", ""}, "", "absente.gif"},
    });
    for (const Corrige corrige : {Corrige::Sans, Corrige::Avec}) {
        const QString texte = Texte(dossier, ImprimerPdf(q, dossier.Path(), corrige));
        for (const char* attendu :
             {"Révisions d'été", "Mme Lefèvre", "1. Combien font 2 + 2 ?", "quatre", "cinq",
              "trois", "2. Quels sont des fruits ?", "la pomme", "la poire", "le céleri",
              "3. Le prix en euros ?", "10 €", "« cher »", "4. Une image illisible ?",
              "Image illisible : image 4.jpg", "5. Une image absente ?",
              "Image introuvable : absente.gif", "Page 1 sur "}) {
            EXPECT_TRUE(texte.contains(QString::fromUtf8(attendu))) << attendu << "\n"
                                                                    << texte.toStdString();
        }
        // A question without a statement is not printed, nor numbered.
        EXPECT_FALSE(texte.contains(QStringLiteral("proposition sans énoncé")));
        EXPECT_FALSE(texte.contains(QStringLiteral("6.")));
        const bool cle = corrige == Corrige::Avec;
        EXPECT_EQ(texte.contains(QStringLiteral("Corrigé")), cle);
        EXPECT_EQ(texte.contains(QStringLiteral("Compte sur tes doigts.")), cle);
        EXPECT_EQ(texte.contains(QStringLiteral("Le céleri est un légume.")), cle);
    }
}

TEST(Impression, KeepsEachQuestionOnOnePageAndNumbersThePages) {
    TempDir dossier;
    dossier.Write(QStringLiteral("photo.jpg"),
                  qcm::testing::EncodeJpeg(Uni(300, 400, Qt::darkGreen)));
    TQuestionnaire q;
    ViderQuestionnaire(q);
    q.Titre = QStringLiteral("Long");
    for (int n = 1; n <= 12; ++n) {
        TQuestion& question = q.Question(n);
        question.Enonce =
            QStringLiteral("Enonce%1 ").arg(n) +
            QStringLiteral("un énoncé assez long pour tenir deux lignes ").repeated(3);
        question.Image = QStringLiteral("photo.jpg");
        for (int k = 1; k <= kMaxReponses; ++k) {
            question.Reponse(k) = QStringLiteral("Fin%1x%2").arg(n).arg(k);
        }
    }
    const QByteArray pdf = ImprimerPdf(q, dossier.Path(), Corrige::Sans);
    const QString tout = Texte(dossier, pdf);
    const QRegularExpression total(QStringLiteral("Page 1 sur (\\d+)"));
    const int pages = total.match(tout).captured(1).toInt();
    ASSERT_GT(pages, 3) << tout.toStdString();
    std::vector<int> debut(13, 0);
    std::vector<int> fin(13, 0);
    for (int page = 1; page <= pages; ++page) {
        const QString texte = Texte(dossier, pdf, page, page);
        EXPECT_TRUE(texte.contains(QStringLiteral("Page %1 sur %2").arg(page).arg(pages)));
        for (int n = 1; n <= 12; ++n) {
            if (texte.contains(QStringLiteral("Enonce%1 ").arg(n))) {
                debut.at(n) = page;
            }
            if (texte.contains(QStringLiteral("Fin%1x5").arg(n))) {
                fin.at(n) = page;
            }
        }
    }
    for (int n = 1; n <= 12; ++n) {
        EXPECT_GT(debut.at(n), 0) << n;
        EXPECT_EQ(debut.at(n), fin.at(n)) << "question " << n << " split";
    }
}
