#include "Export.h"

#include "Commun.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"
#include "model/QcmFile.h"

#include <QFileInfo>
#include <QRegularExpression>

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
    if (n == QLatin1String("scorm12")) {
        return FormatExport::Scorm12;
    }
    if (n == QLatin1String("scorm2004")) {
        return FormatExport::Scorm2004;
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
    case FormatExport::Scorm12:
    case FormatExport::Scorm2004:
        return QStringLiteral("zip");
    }
    return {};
}

QByteArray Exporter(const TQuestionnaire& q, const QString& dossier, FormatExport format) {
    return ExporterComplet(q, dossier, format).Octets;
}

ExportComplet ExporterComplet(const TQuestionnaire& q, const QString& dossier, FormatExport format,
                              const QString& prefixe, const NommerJoint& nommer, int seuil) {
    switch (format) {
    case FormatExport::Gift:
        return detail::Gift(q, dossier);
    case FormatExport::Moodle:
        return detail::Moodle(q, dossier);
    case FormatExport::Amc:
        return detail::Amc(q, dossier, prefixe, nommer);
    case FormatExport::Html:
        return detail::Page(q, dossier);
    case FormatExport::Scorm12:
        return detail::Scorm(q, dossier, detail::VersionScorm::V12, seuil);
    case FormatExport::Scorm2004:
        return detail::Scorm(q, dossier, detail::VersionScorm::V2004, seuil);
    }
    return {};
}

namespace {

// The files a questionnaire names in its folder.
QStringList NomsMedia(const TQuestionnaire& q) {
    QStringList noms{Nettoye(q.Fond), Nettoye(q.Musique)};
    for (int n = 1; n <= kMaxQuestions; ++n) {
        noms << Nettoye(q.Question(n).Image);
    }
    noms.removeAll(QString());
    return noms;
}

// Why writing chemin would replace a questionnaire's file, or empty.
QString Protege(const QString& chemin, const TQuestionnaire& q, const QString& dossier) {
    const qsizetype barre = chemin.lastIndexOf(QLatin1Char('/'));
    const QString cible = chemin.left(std::max<qsizetype>(barre, 1));
    const QString nom = chemin.mid(barre + 1);
    if (nom.compare(kNomFichierQCM, Qt::CaseInsensitive) == 0) {
        return QStringLiteral("« %1 » est le fichier d'un questionnaire : un export ou une "
                              "impression ne le remplace jamais. Choisissez un autre nom.")
            .arg(nom);
    }
    QStringList noms;
    if (!dossier.isEmpty() && folders::SameFolder(cible, dossier)) {
        noms << NomsMedia(q);
    }
    bool illisible = false;
    if (!folders::FindEntry(cible, kNomFichierQCM).isEmpty()) {
        try {
            noms << NomsMedia(LireQCM(cible));
        } catch (const Exception&) {
            // What it names is unknown: none of its files is replaced.
            illisible = !folders::FindEntry(cible, nom).isEmpty();
        }
    }
    if (illisible || std::any_of(noms.cbegin(), noms.cend(), [&](const QString& n) {
            return n.compare(nom, Qt::CaseInsensitive) == 0;
        })) {
        return QStringLiteral("« %1 » est un fichier du questionnaire du dossier « %2 » : un "
                              "export ou une impression ne le remplace jamais. Choisissez un "
                              "autre nom ou un autre dossier.")
            .arg(nom, cible);
    }
    return {};
}

// Raises when chemin, or the file it leads to, is a questionnaire's.
void VerifierProtection(const QString& chemin, const TQuestionnaire& q, const QString& dossier) {
    QString raison = Protege(chemin, q, dossier);
    const QString reel = folders::ResolvedPath(chemin);
    if (raison.isEmpty() && !reel.isEmpty() && reel != chemin) {
        raison = Protege(reel, q, dossier);
    }
    if (!raison.isEmpty()) {
        throw EEchange(raison);
    }
}

// Whether chemin holds nothing, or already holds exactly octets under
// that very name (case and all), so that writing it replaces nothing.
bool Libre(const QString& chemin, const QByteArray& octets) {
    const qsizetype barre = chemin.lastIndexOf(QLatin1Char('/'));
    const QString nom = chemin.mid(barre + 1);
    const QString trouve = folders::FindEntry(chemin.left(std::max<qsizetype>(barre, 1)), nom);
    if (trouve.isEmpty()) {
        return true;
    }
    if (trouve != nom || folders::IsFolder(chemin) || QFileInfo(chemin).size() != octets.size()) {
        return false;
    }
    try {
        return ReadWholeFile(chemin, octets.size()) == octets;
    } catch (const Exception&) {
        return false;
    }
}

// voulu in the folder cote when writing it there replaces nothing, else
// "<name>-2.<ext>", "-3" and so on: AMC-TXT reads no space in a picture's
// name. pris holds the names already given, so two never meet.
QString NomLibre(const QString& cote, const QString& voulu, const QByteArray& octets,
                 const TQuestionnaire& q, const QString& dossier, QStringList& pris) {
    const qsizetype point = voulu.lastIndexOf(QLatin1Char('.'));
    const QString base = point < 0 ? voulu : voulu.left(point);
    const QString extension = point < 0 ? QString() : voulu.mid(point);
    constexpr int kEssais = 1000;
    for (int k = 1; k <= kEssais; ++k) {
        const QString nom =
            k == 1 ? voulu : QStringLiteral("%1-%2%3").arg(base).arg(k).arg(extension);
        const QString chemin = cote + nom;
        if (!pris.contains(nom, Qt::CaseInsensitive) && Protege(chemin, q, dossier).isEmpty() &&
            Libre(chemin, octets)) {
            pris << nom;
            return nom;
        }
    }
    throw EEchange(QStringLiteral("Aucun nom libre pour « %1 » dans « %2 » : rien n'est écrit.")
                       .arg(voulu, cote));
}

} // namespace

void VerifierDestination(const QString& fichier, const TQuestionnaire& q, const QString& dossier) {
    const QString cible =
        fichier.left(std::max<qsizetype>(fichier.lastIndexOf(QLatin1Char('/')), 1));
    if (!folders::IsFolder(cible)) {
        throw EEchange(QStringLiteral("Le dossier « %1 » n'existe pas : le fichier ne "
                                      "peut pas y être écrit.")
                           .arg(cible));
    }
    if (folders::IsFolder(fichier)) {
        throw EEchange(
            QStringLiteral("« %1 » est un dossier : donnez un nom de fichier.").arg(fichier));
    }
    VerifierProtection(fichier, q, dossier);
}

void EcrireSortie(const QString& fichier, const QByteArray& octets,
                  const std::vector<FichierJoint>& joints, const TQuestionnaire& q,
                  const QString& dossier) {
    VerifierDestination(fichier, q, dossier);
    const QString cote = fichier.left(fichier.lastIndexOf(QLatin1Char('/')) + 1);
    for (const FichierJoint& joint : joints) {
        try {
            VerifierProtection(cote + joint.Nom, q, dossier);
        } catch (const EEchange& e) {
            throw EEchange(e.Message() +
                           QStringLiteral("\n(Cette image serait écrite à côté du fichier "
                                          "exporté, sous un nom tiré du sien.)"));
        }
    }
    std::vector<const FichierJoint*> aEcrire;
    for (const FichierJoint& joint : joints) {
        const QString chemin = cote + joint.Nom;
        if (!Libre(chemin, joint.Octets)) {
            throw EEchange(QStringLiteral("« %1 » est déjà là : un export ne remplace aucun "
                                          "fichier à côté du sien. Rien n'est écrit.")
                               .arg(chemin));
        }
        // One already there holds the same bytes: it stays untouched.
        if (!QFileInfo::exists(chemin)) {
            aEcrire.push_back(&joint);
        }
    }
    for (const FichierJoint* joint : aEcrire) {
        WriteFileAtomically(cote + joint->Nom, joint->Octets);
    }
    WriteFileAtomically(fichier, octets);
}

QStringList ExporterVers(const TQuestionnaire& q, const QString& dossier, FormatExport format,
                         const QString& fichier, int seuil) {
    // Refused before the pictures are read.
    VerifierDestination(fichier, q, dossier);
    const QString nom = fichier.mid(fichier.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const QString cote = fichier.left(fichier.lastIndexOf(QLatin1Char('/')) + 1);
    QStringList pris;
    const ExportComplet resultat = ExporterComplet(
        q, dossier, format, point > 0 ? nom.left(point) : nom,
        [&](const QString& voulu, const QByteArray& octets) {
            return NomLibre(cote, voulu, octets, q, dossier, pris);
        },
        seuil);
    EcrireSortie(fichier, resultat.Octets, resultat.Joints, q, dossier);
    return resultat.Pertes;
}

QString NomExport(const TQuestionnaire& q) {
    QString nom;
    for (const QChar c : Nettoye(q.Titre)) {
        const bool garde = c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
                           c == QLatin1Char('\'') || c == QLatin1Char(',');
        nom += garde ? c : QLatin1Char(' ');
    }
    constexpr qsizetype kLongueurMax = 60;
    nom = nom.simplified().left(kLongueurMax).trimmed();
    static const QRegularExpression kNomQCM(QStringLiteral("^qcm[0-9]*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (nom.isEmpty() || kNomQCM.match(nom).hasMatch()) {
        return QStringLiteral("questionnaire");
    }
    return nom;
}

QString CheminMedia(const QString& dossier, const QString& nom) {
    if (Nettoye(nom).isEmpty()) {
        return {};
    }
    const QString trouve = folders::FindEntry(dossier, nom);
    return trouve.isEmpty() ? QString() : folders::Join(dossier, trouve);
}

} // namespace qcm::exchange
