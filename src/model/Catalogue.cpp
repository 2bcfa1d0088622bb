#include "Catalogue.h"

#include "QcmFile.h"
#include "core/AtomicFile.h"
#include "core/Folders.h"

#include <QDirIterator>
#include <QFile>

namespace qcm {

namespace {

// Titles are shown in a list: the start of the file is all that is needed,
// however large the file.
constexpr qint64 kDebutLu = 64 * 1024;

} // namespace

void ParcourirQuestionnaires(
    const QString& depart,
    const std::function<void(const QString& titre, const QString& dossier)>& ajouter) {
    QDirIterator it(depart, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString nom = it.fileName();
        // Only names without an extension are questionnaire folders.
        if (nom.contains(QLatin1Char('.'))) {
            continue;
        }
        const QString dossier = folders::join(depart, nom);
        const QString fichier = folders::findEntry(dossier, kNomFichierQCM);
        if (fichier.isEmpty()) {
            continue;
        }
        const QString path = folders::join(dossier, fichier);
        QFile essai(path);
        if (!essai.open(QIODevice::ReadOnly)) {
            continue;
        }
        essai.close();
        ajouter(PremiereLigneQCM(ReadWholeFile(path).left(kDebutLu)), nom);
    }
}

} // namespace qcm
