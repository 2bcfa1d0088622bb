#include "Tool.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "exchange/Export.h"
#include "exchange/Impression.h"
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
        const QByteArray octets = Exporter(LireQCM(chemin), chemin, *format);
        if (sortie.isEmpty()) {
            std::fwrite(octets.constData(), 1, static_cast<size_t>(octets.size()), stdout);
        } else {
            WriteFileAtomically(folders::Join(folders::Current(), sortie), octets);
        }
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
