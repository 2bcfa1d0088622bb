#include "Export.h"

#include "Commun.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"

#include <algorithm>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;

std::optional<FormatExport> FormatNomme(const QString& nom) {
    const QString n = nom.toLower();
    if (n == QLatin1String("gift")) {
        return FormatExport::Gift;
    }
    if (n == QLatin1String("moodle")) {
        return FormatExport::Moodle;
    }
    if (n == QLatin1String("amc")) {
        return FormatExport::Amc;
    }
    if (n == QLatin1String("html")) {
        return FormatExport::Html;
    }
    return std::nullopt;
}

QString ExtensionFormat(FormatExport format) {
    switch (format) {
    case FormatExport::Gift:
        return QStringLiteral("gift");
    case FormatExport::Moodle:
        return QStringLiteral("xml");
    case FormatExport::Amc:
        return QStringLiteral("txt");
    case FormatExport::Html:
        return QStringLiteral("html");
    }
    return {};
}

QByteArray Exporter(const TQuestionnaire& q, const QString& dossier, FormatExport format) {
    return ExporterComplet(q, dossier, format).Octets;
}

ExportComplet ExporterComplet(const TQuestionnaire& q, const QString& dossier, FormatExport format,
                              const QString& prefixe) {
    switch (format) {
    case FormatExport::Gift:
        return detail::Gift(q, dossier);
    case FormatExport::Moodle:
        return detail::Moodle(q, dossier);
    case FormatExport::Amc:
        return detail::Amc(q, dossier, prefixe);
    case FormatExport::Html:
        return detail::Page(q, dossier);
    }
    return {};
}

void VerifierDestination(const QString& fichier) {
    const QString dossier =
        fichier.left(std::max<qsizetype>(fichier.lastIndexOf(QLatin1Char('/')), 1));
    if (!folders::IsFolder(dossier)) {
        throw EEchange(QStringLiteral("Le dossier « %1 » n'existe pas : le fichier ne "
                                      "peut pas y être écrit.")
                           .arg(dossier));
    }
    if (folders::IsFolder(fichier)) {
        throw EEchange(
            QStringLiteral("« %1 » est un dossier : donnez un nom de fichier.").arg(fichier));
    }
}

QStringList ExporterVers(const TQuestionnaire& q, const QString& dossier, FormatExport format,
                         const QString& fichier) {
    VerifierDestination(fichier);
    const qsizetype barre = fichier.lastIndexOf(QLatin1Char('/'));
    const QString nom = fichier.mid(barre + 1);
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const ExportComplet resultat =
        ExporterComplet(q, dossier, format, point > 0 ? nom.left(point) : nom);
    for (const FichierJoint& joint : resultat.Joints) {
        WriteFileAtomically(fichier.left(barre + 1) + joint.Nom, joint.Octets);
    }
    WriteFileAtomically(fichier, resultat.Octets);
    return resultat.Pertes;
}

QString CheminMedia(const QString& dossier, const QString& nom) {
    if (Nettoye(nom).isEmpty()) {
        return {};
    }
    const QString trouve = folders::FindEntry(dossier, nom);
    return trouve.isEmpty() ? QString() : folders::Join(dossier, trouve);
}

} // namespace qcm::exchange
