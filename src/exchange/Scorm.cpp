// The pupil's page packed for a learning platform: a zip that holds the
// page and the manifest the platform reads, as SCORM 1.2 or 2004 4th
// edition describe them.
#include "Commun.h"
#include "Zip.h"

#include <QCryptographicHash>
#include <QXmlStreamWriter>

namespace qcm::exchange::detail {

using namespace qcm::model;

namespace {

constexpr QLatin1StringView kPage("index.html");
constexpr QLatin1StringView kManifeste("imsmanifest.xml");

// The number of right answers that reaches seuil percent of n questions.
int ScoreMaitrise(int seuil, int n) {
    return (seuil * n + 99) / 100;
}

QByteArray Manifeste(const TQuestionnaire& q, VersionScorm version, int maitrise,
                     const QByteArray& page) {
    const bool v12 = version == VersionScorm::V12;
    QString titre = Nettoye(q.Titre);
    // XML cannot hold control characters, even escaped.
    titre.removeIf([](QChar c) { return c.unicode() < 0x20; });
    if (titre.isEmpty()) {
        titre = QStringLiteral("QCM");
    }
    // The longest title the SCORM 1.2 manifest's schema allows.
    constexpr qsizetype kTitreMax = 200;
    titre = titre.left(kTitreMax);
    // A platform tells packages apart by this name: the same page gives
    // the same one.
    const QString identifiant =
        QStringLiteral("QCM-") +
        QString::fromLatin1(
            QCryptographicHash::hash(page, QCryptographicHash::Sha256).toHex().left(20));
    const QString cp = v12 ? QStringLiteral("http://www.imsproject.org/xsd/imscp_rootv1p1p2")
                           : QStringLiteral("http://www.imsglobal.org/xsd/imscp_v1p1");
    const QString adlcp = v12 ? QStringLiteral("http://www.adlnet.org/xsd/adlcp_rootv1p2")
                              : QStringLiteral("http://www.adlnet.org/xsd/adlcp_v1p3");

    QByteArray octets;
    QXmlStreamWriter xml(&octets);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(cp);
    xml.writeNamespace(adlcp, QStringLiteral("adlcp"));
    xml.writeStartElement(cp, QStringLiteral("manifest"));
    xml.writeAttribute(QStringLiteral("identifier"), identifiant);
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));

    xml.writeStartElement(cp, QStringLiteral("metadata"));
    xml.writeTextElement(cp, QStringLiteral("schema"), QStringLiteral("ADL SCORM"));
    xml.writeTextElement(cp, QStringLiteral("schemaversion"),
                         v12 ? QStringLiteral("1.2") : QStringLiteral("2004 4th Edition"));
    xml.writeEndElement();

    xml.writeStartElement(cp, QStringLiteral("organizations"));
    xml.writeAttribute(QStringLiteral("default"), QStringLiteral("ORG-QCM"));
    xml.writeStartElement(cp, QStringLiteral("organization"));
    xml.writeAttribute(QStringLiteral("identifier"), QStringLiteral("ORG-QCM"));
    xml.writeTextElement(cp, QStringLiteral("title"), titre);
    xml.writeStartElement(cp, QStringLiteral("item"));
    xml.writeAttribute(QStringLiteral("identifier"), QStringLiteral("ITEM-QCM"));
    xml.writeAttribute(QStringLiteral("identifierref"), QStringLiteral("RES-QCM"));
    xml.writeTextElement(cp, QStringLiteral("title"), titre);
    if (v12) {
        // SCORM 1.2 platforms compare it with the raw score, a number of
        // right answers here.
        xml.writeTextElement(adlcp, QStringLiteral("masteryscore"), QString::number(maitrise));
    }
    xml.writeEndElement(); // item
    xml.writeEndElement(); // organization
    xml.writeEndElement(); // organizations

    xml.writeStartElement(cp, QStringLiteral("resources"));
    xml.writeStartElement(cp, QStringLiteral("resource"));
    xml.writeAttribute(QStringLiteral("identifier"), QStringLiteral("RES-QCM"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("webcontent"));
    xml.writeAttribute(adlcp, v12 ? QStringLiteral("scormtype") : QStringLiteral("scormType"),
                       QStringLiteral("sco"));
    xml.writeAttribute(QStringLiteral("href"), kPage);
    // Every file of the package but the manifest: the page holds its
    // pictures, style and script.
    xml.writeEmptyElement(cp, QStringLiteral("file"));
    xml.writeAttribute(QStringLiteral("href"), kPage);
    xml.writeEndElement(); // resource
    xml.writeEndElement(); // resources

    xml.writeEndElement(); // manifest
    xml.writeEndDocument();
    return octets;
}

} // namespace

ExportComplet Scorm(const TQuestionnaire& q, const QString& dossier, VersionScorm version,
                    int seuil) {
    if (seuil < 0 || seuil > 100) {
        throw EEchange(
            QStringLiteral("Le seuil de réussite est un pourcentage, de 0 à 100 : %1 ne l'est pas.")
                .arg(seuil));
    }
    int n = 0;
    ExportComplet resultat = Page(q, dossier, PlateForme{.Version = version, .Seuil = seuil}, &n);
    const QByteArray page = resultat.Octets;
    resultat.Octets =
        Zipper({{kManifeste, Manifeste(q, version, ScoreMaitrise(seuil, n), page)}, {kPage, page}});
    return resultat;
}

} // namespace qcm::exchange::detail
