#include "exchange/Export.h"
#include "exchange/PageEleve.h"

#include "../support/Encoded.h"
#include "../support/TempFolder.h"
#include "GifTestEncoder.h"
#include "pictures/ScaledPicture.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace qcm::exchange;
using namespace qcm::model;

namespace {

QByteArray DataFile(const char* name) {
    QFile f(QStringLiteral(QCM_TEST_DATA_DIR "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray SmallGif() {
    qcm::test::GifBuilder gif;
    gif.Header(6, 3, qcm::test::Palette(4))
        .Image(0, 0, 6, 3, std::vector<std::uint8_t>(18, 1), 2)
        .Trailer();
    return gif.bytes;
}

// The page read back: its questions unscrambled, and from the XML parse the
// title, the pictures by id and every link it holds.
struct Page {
    QByteArray html;
    QJsonObject data;
    QString title;
    QMap<QString, QXmlStreamAttributes> images;
    QStringList links;
    QString xmlError;
};

Page Read(const TQuestionnaire& q, const QString& folder) {
    Page page;
    page.html = Exporter(q, folder, FormatExport::Html);
    QXmlStreamReader xml(page.html);
    QString scriptId;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        for (const auto& a : attributes) {
            if (a.name() == u"src" || a.name() == u"href") {
                page.links << a.value().toString();
            }
        }
        if (xml.name() == u"img") {
            page.images.insert(attributes.value(QLatin1String("id")).toString(), attributes);
        } else if (xml.name() == u"h1") {
            page.title = xml.readElementText();
        } else if (xml.name() == u"script" && attributes.value(QLatin1String("id")) == u"donnees") {
            const QByteArray scrambled =
                QByteArray::fromBase64(xml.readElementText().trimmed().toLatin1());
            page.data = QJsonDocument::fromJson(BrouillerPage(scrambled)).object();
        }
    }
    if (xml.hasError()) {
        page.xmlError = xml.errorString();
    }
    return page;
}

TQuestion Asked(const QString& statement, std::initializer_list<QString> propositions,
                std::initializer_list<int> right = {1}, bool single = true) {
    TQuestion t;
    t.Enonce = statement;
    int k = 1;
    for (const QString& p : propositions) {
        t.Reponse(k++) = p;
    }
    t.NbReponses = k - 1;
    for (int r : right) {
        t.Juste(r) = true;
    }
    t.Unique = single;
    return t;
}

QString Mime(const QString& uri) {
    return uri.section(QLatin1Char(';'), 0, 0);
}

} // namespace

TEST(PageEleve, EmbedsEveryPictureKindAndReferencesNothingOutside) {
    struct Kind {
        const char* file;
        QByteArray bytes;
        const char* mime;
        bool asIs;
    };
    const Kind kinds[] = {
        {"image 1.bmp", qcm::testing::Plain(40, 20, Qt::red, "BMP"), "data:image/png", false},
        {"image 2.ico", qcm::testing::Plain(16, 16, Qt::green, "ICO"), "data:image/png", false},
        {"image 3.WMF", DataFile("metafile/chart.wmf"), "data:image/png", false},
        {"image 4.emf", DataFile("metafile/shapes.emf"), "data:image/png", false},
        {"image 5.jpg", qcm::testing::Plain(30, 60, Qt::blue, "JPEG"), "data:image/jpeg", true},
        {"image 6.gif", SmallGif(), "data:image/gif", true},
    };
    TempDir dir;
    TQuestionnaire q;
    q.Titre = QStringLiteral("Images");
    q.Fond = QStringLiteral("Fond écran.BMP");
    dir.Write(QStringLiteral("fond écran.bmp"), qcm::testing::Plain(8, 8, Qt::yellow, "BMP"));
    int n = 1;
    for (const Kind& kind : kinds) {
        ASSERT_FALSE(kind.bytes.isEmpty()) << kind.file;
        dir.Write(QString::fromUtf8(kind.file), kind.bytes);
        q.Question(n) = Asked(QStringLiteral("Question %1").arg(n), {QStringLiteral("oui")});
        q.Question(n).Image = QString::fromUtf8(kind.file);
        ++n;
    }
    // Two questions showing one file carry it once.
    q.Question(n) = Asked(QStringLiteral("Encore"), {QStringLiteral("non")});
    q.Question(n).Image = QStringLiteral("image 6.gif");

    const Page page = Read(q, dir.Path());
    ASSERT_TRUE(page.xmlError.isEmpty()) << page.xmlError.toStdString();
    const QJsonArray questions = page.data.value(u"q").toArray();
    ASSERT_EQ(questions.size(), n);
    EXPECT_EQ(page.images.size(), n - 1);
    for (const QString& link : page.links) {
        EXPECT_TRUE(link.startsWith(u"data:") || link.startsWith(u'#')) << link.toStdString();
    }
    EXPECT_EQ(page.html.count("url("), page.html.count("url(data:image/png;base64,"));
    EXPECT_EQ(page.html.count("url("), 1) << "the background tile";
    // A browser ends a script or style at the first closing tag, CDATA or not.
    EXPECT_EQ(page.html.count("</script"), 2);
    EXPECT_EQ(page.html.count("</style"), 2);

    for (int i = 0; i < std::ssize(kinds); ++i) {
        const Kind& kind = kinds[i];
        SCOPED_TRACE(kind.file);
        const QString id = questions[i].toObject().value(u"i").toString();
        ASSERT_TRUE(page.images.contains(id));
        const QXmlStreamAttributes img = page.images.value(id);
        const QString src = img.value(QLatin1String("src")).toString();
        EXPECT_EQ(Mime(src), QLatin1String(kind.mime));
        const QByteArray bytes = QByteArray::fromBase64(src.section(u',', 1).toLatin1());
        qcm::pictures::ScaledPicture reader;
        reader.LoadFromFile(dir.File(QString::fromUtf8(kind.file)));
        const QSize shown = qcm::pictures::TaillePhoto(reader.Width(), reader.Height());
        EXPECT_EQ(img.value(QLatin1String("width")).toInt(), shown.width());
        EXPECT_EQ(img.value(QLatin1String("height")).toInt(), shown.height());
        if (kind.asIs) {
            EXPECT_EQ(bytes, kind.bytes);
        } else {
            // Drawn for a screen of two pixels per point: a metafile at twice
            // the box, a bitmap smaller than the box at the box.
            const bool vecteurs = QString::fromUtf8(kind.file).endsWith(u"mf", Qt::CaseInsensitive);
            EXPECT_EQ(QImage::fromData(bytes, "PNG").size(),
                      vecteurs ? qcm::pictures::TaillePhoto(reader.Width(), reader.Height(), 640)
                               : shown);
        }
    }
    EXPECT_EQ(questions[n - 1].toObject().value(u"i"), questions[5].toObject().value(u"i"));
}

TEST(PageEleve, TextsShowAsTypedAndAnswersAreNotInPlainText) {
    const QString odd = QStringLiteral("Élève « à l'œuvre » : 5 € <b>&amp; \"guillemets\" {{JS}}");
    TempDir dir;
    TQuestionnaire q;
    q.Titre = odd;
    q.Auteur = QStringLiteral("Mme Dupré");
    q.Melange = true;
    q.Question(1) = Asked(odd + QStringLiteral("\nligne 2"),
                          {QStringLiteral("Réponse-cachée-42"), odd}, {1, 2}, true);
    q.Question(1).Commentaire = QStringLiteral("Relisez la leçon <p>");

    const Page page = Read(q, dir.Path());
    ASSERT_TRUE(page.xmlError.isEmpty()) << page.xmlError.toStdString();
    EXPECT_EQ(page.title, odd);
    EXPECT_TRUE(page.html.contains("Mme Dupr\xC3\xA9"));
    EXPECT_FALSE(page.html.contains("Réponse-cachée-42"));
    EXPECT_FALSE(page.html.contains("Relisez"));
    EXPECT_TRUE(page.data.value(u"m").toBool());
    const QJsonObject first = page.data.value(u"q").toArray().at(0).toObject();
    EXPECT_EQ(first.value(u"e").toString(), odd + QStringLiteral("\nligne 2"));
    EXPECT_EQ(first.value(u"p").toArray(), QJsonArray({QStringLiteral("Réponse-cachée-42"), odd}));
    EXPECT_EQ(first.value(u"c").toString(), QStringLiteral("Relisez la leçon <p>"));
    EXPECT_EQ(first.value(u"j").toArray(), QJsonArray({0, 1}));
    // Two right marks on a single-answer question: radio buttons could never
    // give them, so the pupil gets check boxes.
    EXPECT_FALSE(first.value(u"u").toBool());
}

TEST(PageEleve, KeepsOnlyQuestionsWithAStatementAndSomethingToAnswer) {
    TQuestionnaire q;
    q.Question(1) = Asked(QStringLiteral("Gardée"), {QStringLiteral("a")});
    q.Question(2) = Asked(QString(), {QStringLiteral("sans énoncé")});
    q.Question(3) = Asked(QStringLiteral(" \t "), {QStringLiteral("énoncé blanc")});
    q.Question(4) = Asked(QStringLiteral("Sans proposition"), {});
    // Propositions in slots 1 and 3 only: the right mark follows its text.
    q.Question(5) =
        Asked(QStringLiteral("Trouée"),
              {QStringLiteral("un"), QStringLiteral("  "), QStringLiteral("trois")}, {3}, false);
    TempDir dir;
    const Page page = Read(q, dir.Path());
    ASSERT_TRUE(page.xmlError.isEmpty()) << page.xmlError.toStdString();
    const QJsonArray questions = page.data.value(u"q").toArray();
    ASSERT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0].toObject().value(u"e").toString(), QStringLiteral("Gardée"));
    EXPECT_TRUE(questions[0].toObject().value(u"u").toBool());
    const QJsonObject holed = questions[1].toObject();
    EXPECT_EQ(holed.value(u"p").toArray(),
              QJsonArray({QStringLiteral("un"), QStringLiteral("trois")}));
    EXPECT_EQ(holed.value(u"j").toArray(), QJsonArray({1}));
    EXPECT_FALSE(holed.value(u"u").toBool());
}

TEST(PageEleve, AMissingOrBrokenMediaFileLeavesThePageWholeAndIsListedLost) {
    TempDir dir;
    dir.Write(QStringLiteral("image 2.jpg"), "not a jpeg at all");
    dir.Write(QStringLiteral("fond.bmp"), "BM broken");
    dir.Write(QStringLiteral("image 3.txt"), "no picture kind");
    TQuestionnaire q;
    q.Fond = QStringLiteral("fond.bmp");
    q.Musique = QStringLiteral("FOND MUSICAL.MID");
    const QString names[] = {QStringLiteral("absente.gif"), QStringLiteral("image 2.jpg"),
                             QStringLiteral("image 3.txt")};
    for (int n = 1; n <= 3; ++n) {
        q.Question(n) = Asked(QStringLiteral("Q%1").arg(n), {QStringLiteral("r")});
        q.Question(n).Image = names[n - 1];
    }
    q.Melange = true;
    q.Question(4) = Asked(QString(), {QStringLiteral("sans énoncé")});
    q.Question(5) = Asked(QStringLiteral("Sans proposition"), {});

    // Told as by the other formats; the page shows the background and the order.
    const QStringList pertes = ExporterComplet(q, dir.Path(), FormatExport::Html).Pertes;
    const QString attendues[] = {
        QStringLiteral("La musique de fond n'est pas exportée."),
        QStringLiteral("Question 1 : l'image « absente.gif » est introuvable"),
        QStringLiteral("Question 2 : l'image « image 2.jpg » ne peut pas être lue"),
        QStringLiteral("Question 3 : l'image « image 3.txt » ne peut pas être lue"),
        QStringLiteral("Question 4 : sans énoncé"),
        QStringLiteral("Question 5 : sans proposition"),
    };
    EXPECT_EQ(pertes.size(), std::ssize(attendues)) << pertes.join(u'\n').toStdString();
    for (const QString& attendue : attendues) {
        EXPECT_EQ(pertes.filter(attendue).size(), 1) << attendue.toStdString();
    }

    const Page page = Read(q, dir.Path());
    ASSERT_TRUE(page.xmlError.isEmpty()) << page.xmlError.toStdString();
    const QJsonArray questions = page.data.value(u"q").toArray();
    ASSERT_EQ(questions.size(), 3);
    for (const auto& question : questions) {
        EXPECT_FALSE(question.toObject().contains(u"i"));
    }
    EXPECT_TRUE(page.images.isEmpty());
    EXPECT_TRUE(page.links.isEmpty());
    EXPECT_TRUE(page.html.contains("background-color:#000080"));
    EXPECT_FALSE(page.html.contains("url("));
    EXPECT_FALSE(page.html.contains("<audio") || page.html.contains("MUSICAL"));
}
