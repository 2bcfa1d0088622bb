#include "Tool.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "exchange/Export.h"
#include "exchange/Import.h"
#include "exchange/Impression.h"
#include "model/Catalogue.h"
#include "model/QcmFile.h"

#include <cstdio>
#include <exception>

namespace qcm::app::tool {

using namespace qcm::core;
using namespace qcm::exchange;
using namespace qcm::model;

int Export(const QStringList& args) {
    QString dossier;
    QString sortie;
    std::optional<FormatExport> format;
    bool correct = true;
    for (qsizetype i = 0; i < args.size() && correct; ++i) {
        if (args[i] == QLatin1String("--to") && i + 1 < args.size()) {
            format = FormatNomme(args[++i]);
            correct = format.has_value();
        } else if (args[i] == QLatin1String("-o") && i + 1 < args.size()) {
            sortie = args[++i];
        } else if (dossier.isEmpty() && !args[i].startsWith(QLatin1Char('-'))) {
            dossier = args[i];
        } else {
            correct = false;
        }
    }
    if (!correct || dossier.isEmpty() || !format) {
        std::fputs("usage: qcm-tool export DOSSIER --to gift|moodle|amc|html [-o FICHIER]\n",
                   stderr);
        return 2;
    }
    try {
        const QString chemin = folders::Join(folders::Current(), dossier);
        const QString fichier =
            sortie.isEmpty() ? QString() : folders::Join(folders::Current(), sortie);
        // The files written beside the output are named after it.
        const qsizetype barre = fichier.lastIndexOf(QLatin1Char('/'));
        const QString nom = fichier.mid(barre + 1);
        const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
        const QString prefixe = point > 0 ? nom.left(point) : nom;
        const ExportComplet resultat = ExporterComplet(LireQCM(chemin), chemin, *format, prefixe);
        for (const QString& perte : resultat.Pertes) {
            std::fprintf(stderr, "%s\n", perte.toUtf8().constData());
        }
        if (fichier.isEmpty()) {
            std::fwrite(resultat.Octets.constData(), 1, static_cast<size_t>(resultat.Octets.size()),
                        stdout);
            if (!resultat.Joints.empty()) {
                std::fputs("Les images ne sont écrites qu'avec -o FICHIER.\n", stderr);
            }
            return 0;
        }
        VerifierDestination(fichier);
        for (const FichierJoint& joint : resultat.Joints) {
            WriteFileAtomically(fichier.left(barre + 1) + joint.Nom, joint.Octets);
        }
        WriteFileAtomically(fichier, resultat.Octets);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

int Import(const QStringList& args) {
    QString fichier;
    QString depart;
    bool correct = true;
    for (qsizetype i = 0; i < args.size() && correct; ++i) {
        if (args[i] == QLatin1String("--into") && i + 1 < args.size()) {
            depart = args[++i];
        } else if (fichier.isEmpty() && !args[i].startsWith(QLatin1Char('-'))) {
            fichier = args[i];
        } else {
            correct = false;
        }
    }
    if (!correct || fichier.isEmpty() || depart.isEmpty()) {
        std::fputs("usage: qcm-tool import FICHIER --into DOSSIER_DEPART\n", stderr);
        return 2;
    }
    try {
        const QString chemin = folders::Join(folders::Current(), fichier);
        ResultatImport resultat = Importer(ReadWholeFile(chemin, kTailleMaxImport), chemin);
        for (const QString& perte : resultat.Pertes) {
            std::fprintf(stderr, "%s\n", perte.toUtf8().constData());
        }
        const QString dossierDepart = folders::Join(folders::Current(), depart);
        if (!folders::IsFolder(dossierDepart)) {
            throw EEchange(QStringLiteral("Le dossier de départ « %1 » n'existe pas.").arg(depart));
        }
        const QString nom = ProchainDossierQCM(dossierDepart);
        const QString dossier = folders::Join(dossierDepart, nom);
        folders::MakeFolder(dossier);
        for (const FichierJoint& image : resultat.Images) {
            WriteFileAtomically(folders::Join(dossier, image.Nom), image.Octets);
        }
        resultat.Questionnaire.Repertoire = nom;
        EcrireQCM(resultat.Questionnaire, dossier);
        const int n = resultat.NombreQuestions;
        std::printf("%d %s dans %s\n", n, n > 1 ? "questions importées" : "question importée",
                    nom.toUtf8().constData());
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

int Print(const QStringList& args) {
    QString dossier;
    QString sortie;
    Corrige corrige = Corrige::Sans;
    bool correct = true;
    for (qsizetype i = 0; i < args.size() && correct; ++i) {
        if (args[i] == QLatin1String("-o") && i + 1 < args.size()) {
            sortie = args[++i];
        } else if (args[i] == QLatin1String("--corrige")) {
            corrige = Corrige::Avec;
        } else if (dossier.isEmpty() && !args[i].startsWith(QLatin1Char('-'))) {
            dossier = args[i];
        } else {
            correct = false;
        }
    }
    if (!correct || dossier.isEmpty() || sortie.isEmpty()) {
        std::fputs("usage: qcm-tool print DOSSIER -o FICHIER.pdf [--corrige]\n", stderr);
        return 2;
    }
    try {
        const QString chemin = folders::Join(folders::Current(), dossier);
        VerifierDestination(folders::Join(folders::Current(), sortie));
        WriteFileAtomically(folders::Join(folders::Current(), sortie),
                            ImprimerPdf(LireQCM(chemin), chemin, corrige));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

} // namespace qcm::app::tool
