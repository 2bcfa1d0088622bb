#include "Catalogue.h"

#include "QcmFile.h"
#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"

namespace qcm::model {

using namespace qcm::core;

namespace {

// Titles are shown in a list: the start of the file is all that is needed,
// however large the file.
constexpr qint64 kDebutLu = 64 * 1024;

} // namespace

void ParcourirQuestionnaires(
    const QString& depart,
    const std::function<void(const QString& titre, const QString& dossier)>& ajouter) {
    for (const QString& nom : folders::Subfolders(depart)) {
        // Only names without an extension are questionnaire folders.
        if (nom.contains(QLatin1Char('.'))) {
            continue;
        }
        const QString dossier = folders::Join(depart, nom);
        const QString fichier = folders::FindEntry(dossier, kNomFichierQCM);
        if (fichier.isEmpty()) {
            continue;
        }
        QByteArray debut;
        try {
            debut = ReadFileStart(folders::Join(dossier, fichier), kDebutLu);
        } catch (const EInOutError&) {
            // Unreadable, or not a file: not a questionnaire to offer.
            continue;
        }
        ajouter(PremiereLigneQCM(debut), nom);
    }
}

QString ProchainDossierQCM(const QString& depart) {
    int n = 1;
    while (!core::folders::FindEntry(depart, QStringLiteral("QCM%1").arg(n)).isEmpty()) {
        ++n;
    }
    return QStringLiteral("QCM%1").arg(n);
}

} // namespace qcm::model
