#include "exchange/Export.h"
#include "exchange/Zip.h"

#include "../support/TempFolder.h"
#include "Questionnaires.h"

#include <QDateTime>
#include <QDir>
#include <QXmlStreamReader>

#include <zip.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

struct Entree {
    QByteArray Octets;
    time_t Date = 0;
    zip_uint32_t Attributs = 0;
};

// The archive read back with libzip's reader: every entry by name.
std::map<QString, Entree> Lire(const QByteArray& zip) {
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t* source = zip_source_buffer_create(
        zip.constData(), static_cast<zip_uint64_t>(zip.size()), 0, &erreur);
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &erreur), &zip_discard);
    if (!archive) {
        zip_source_free(source);
        ADD_FAILURE() << zip_error_strerror(&erreur);
        return {};
    }
    std::map<QString, Entree> entrees;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
        const auto indice = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_stat_index(archive.get(), indice, 0, &stat);
        Entree e;
        e.Date = stat.mtime;
        zip_uint8_t systeme = 0;
        zip_file_get_external_attributes(archive.get(), indice, 0, &systeme, &e.Attributs);
        e.Octets.resize(static_cast<qsizetype>(stat.size));
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> f(
            zip_fopen_index(archive.get(), indice, 0), &zip_fclose);
        EXPECT_EQ(zip_fread(f.get(), e.Octets.data(), stat.size),
                  static_cast<zip_int64_t>(stat.size));
        entrees.emplace(QString::fromUtf8(stat.name), e);
    }
    return entrees;
}

struct Manifeste {
    QString Version;
    QString Lancement;
    std::set<QString> Fichiers;
    QString Maitrise;
};

Manifeste LireManifeste(const QByteArray& xml) {
    Manifeste m;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QStringView nom = r.name();
        if (nom == u"schemaversion") {
            m.Version = r.readElementText();
        } else if (nom == u"masteryscore") {
            m.Maitrise = r.readElementText();
        } else if (nom == u"resource") {
            m.Lancement = r.attributes().value(QLatin1String("href")).toString();
        } else if (nom == u"file") {
            m.Fichiers.insert(r.attributes().value(QLatin1String("href")).toString());
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return m;
}

TQuestionnaire Trois() {
    return Questionnaire(
        {Question(QStringLiteral("Capitale de l'Italie ?"),
                  {QStringLiteral("Rome"), QStringLiteral("Milan")}, {1}, true),
         Question(QStringLiteral("Villes d'Espagne ?"),
                  {QStringLiteral("Madrid"), QStringLiteral("Lisbonne"), QStringLiteral("Séville")},
                  {1, 3}, false),
         Question(QStringLiteral("Capitale du Portugal ?"),
                  {QStringLiteral("Porto"), QStringLiteral("Lisbonne")}, {2}, true)});
}

} // namespace

TEST(Scorm, ManifestListsEveryFileOfThePackageAndOnlyThose) {
    const struct {
        FormatExport format;
        int seuil;
        const char* version;
        const char* maitrise; // right answers of 3 that pass; none in 2004
        const char* attributs;
    } cas[] = {
        {FormatExport::Scorm12, 50, "1.2", "2", R"(data-scorm="1.2" data-seuil="50")"},
        {FormatExport::Scorm12, 100, "1.2", "3", R"(data-scorm="1.2" data-seuil="100")"},
        {FormatExport::Scorm12, 0, "1.2", "0", R"(data-scorm="1.2" data-seuil="0")"},
        {FormatExport::Scorm12, 34, "1.2", "2", R"(data-scorm="1.2" data-seuil="34")"},
        {FormatExport::Scorm2004, 80, "2004 4th Edition", "",
         R"(data-scorm="2004" data-seuil="80")"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.seuil);
        TempDir dossier;
        const QByteArray zip =
            ExporterComplet(Trois(), dossier.Path(), c.format, {}, {}, c.seuil).Octets;
        const auto entrees = Lire(zip);
        ASSERT_TRUE(entrees.count(QStringLiteral("imsmanifest.xml")));
        const Manifeste m = LireManifeste(entrees.at(QStringLiteral("imsmanifest.xml")).Octets);
        EXPECT_EQ(m.Version, QLatin1String(c.version));
        EXPECT_EQ(m.Maitrise, QLatin1String(c.maitrise));
        std::set<QString> paquet;
        for (const auto& [nom, e] : entrees) {
            if (nom != QLatin1String("imsmanifest.xml")) {
                paquet.insert(nom);
            }
        }
        EXPECT_EQ(m.Fichiers, paquet);
        ASSERT_TRUE(entrees.count(m.Lancement));
        EXPECT_TRUE(entrees.at(m.Lancement).Octets.contains(c.attributs));
    }
}

// A date taken from the clock, or permissions from the umask, would make
// two exports of the same questionnaire differ.
TEST(Scorm, SameQuestionnaireGivesTheSameBytes) {
    TempDir dossier;
    for (const FormatExport format : {FormatExport::Scorm12, FormatExport::Scorm2004}) {
        const QByteArray premier = Exporter(Trois(), dossier.Path(), format);
        EXPECT_EQ(Exporter(Trois(), dossier.Path(), format), premier);
        const auto entrees = Lire(premier);
        ASSERT_EQ(entrees.size(), 2U);
        EXPECT_EQ(entrees.begin()->first, QStringLiteral("imsmanifest.xml"));
        for (const auto& [nom, e] : entrees) {
            EXPECT_EQ(e.Attributs, 0100644U << 16U) << nom.toStdString();
            QDateTime date = QDateTime::fromSecsSinceEpoch(e.Date);
            EXPECT_EQ(date.date(), QDate(2000, 1, 1)) << nom.toStdString();
        }
    }
    // The page as it plays outside a platform says nothing of one.
    EXPECT_FALSE(Exporter(Trois(), dossier.Path(), FormatExport::Html).contains("data-scorm"));
}

TEST(Scorm, ZipperRefusesNamesThatLeaveThePackage) {
    for (const char* nom :
         {"../x.html", "/etc/x", "a/../../x", "a\\..\\x", "", "C:x", "a//b", "./x"}) {
        EXPECT_THROW(Zipper({{QString::fromUtf8(nom), "x"}}), EEchange) << nom;
    }
    EXPECT_THROW(Zipper({{QStringLiteral("a.html"), "1"}, {QStringLiteral("a.html"), "2"}}),
                 EEchange);
    const auto entrees =
        Lire(Zipper({{QStringLiteral("z/b.txt"), "b"}, {QStringLiteral("a.txt"), "a"}}));
    ASSERT_EQ(entrees.size(), 2U);
    EXPECT_EQ(entrees.at(QStringLiteral("z/b.txt")).Octets, QByteArray("b"));
}

TEST(Scorm, ExportRefusesAPassMarkOutsideZeroToAHundredAndWritesNothing) {
    TempDir dossier;
    for (const int seuil : {-1, 101}) {
        EXPECT_THROW(ExporterVers(Trois(), dossier.Path(), FormatExport::Scorm12,
                                  dossier.File(QStringLiteral("paquet.zip")), seuil),
                     EEchange);
    }
    EXPECT_EQ(QDir(dossier.Path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
