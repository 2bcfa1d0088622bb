#include "Tool.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "exchange/Export.h"
#include "exchange/Import.h"
#include "exchange/Impression.h"
#include "model/Catalogue.h"
#include "model/QcmFile.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <cstdio>
#include <exception>
#include <optional>

namespace qcm::app::tool {

using namespace qcm::core;
using namespace qcm::exchange;
using namespace qcm::model;

namespace {

// A subcommand's arguments: at most one that is not an option, options
// that take the next argument as their value, and flags. Null when an
// argument fits none of them.
struct Arguments {
    QString libre;
    QHash<QString, QString> valeurs;
    QSet<QString> drapeaux;
};

std::optional<Arguments> Lire(const QStringList& args, const QStringList& avecValeur,
                              const QStringList& drapeaux = {}) {
    Arguments lus;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (avecValeur.contains(args[i]) && i + 1 < args.size()) {
            lus.valeurs.insert(args[i], args[i + 1]);
            ++i;
        } else if (drapeaux.contains(args[i])) {
            lus.drapeaux.insert(args[i]);
        } else if (lus.libre.isEmpty() && !args[i].startsWith(QLatin1Char('-'))) {
            lus.libre = args[i];
        } else {
            return std::nullopt;
        }
    }
    return lus;
}

void Signaler(const QStringList& lignes) {
    for (const QString& ligne : lignes) {
        std::fprintf(stderr, "%s\n", ligne.toUtf8().constData());
    }
}

// Runs a subcommand's work; an error is told on stderr with status 1.
template <typename Travail> int Executer(Travail travail) {
    try {
        return travail();
    } catch (const Exception& e) {
        Signaler({e.Message()});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}

QString Chemin(const QString& nom) {
    return nom.isEmpty() ? QString() : folders::Join(folders::Current(), nom);
}

} // namespace

int Export(const QStringList& args) {
    const auto lus =
        Lire(args, {QStringLiteral("--to"), QStringLiteral("-o"), QStringLiteral("--seuil")});
    const std::optional<FormatExport> format =
        lus ? FormatNomme(lus->valeurs.value(QStringLiteral("--to"))) : std::nullopt;
    if (!format || lus->libre.isEmpty()) {
        return Misuse("export");
    }
    int seuil = kSeuilParDefaut;
    if (lus->valeurs.contains(QStringLiteral("--seuil"))) {
        bool nombre = false;
        seuil = lus->valeurs.value(QStringLiteral("--seuil")).toInt(&nombre);
        const bool scorm = *format == FormatExport::Scorm12 || *format == FormatExport::Scorm2004;
        if (!nombre || seuil < 0 || seuil > 100 || !scorm) {
            return Misuse("export");
        }
    }
    return Executer([&] {
        const QString chemin = Chemin(lus->libre);
        const QString fichier = Chemin(lus->valeurs.value(QStringLiteral("-o")));
        if (!fichier.isEmpty()) {
            Signaler(ExporterVers(LireQCM(chemin), chemin, *format, fichier, seuil));
            return 0;
        }
        const ExportComplet resultat =
            ExporterComplet(LireQCM(chemin), chemin, *format, {}, {}, seuil);
        Signaler(resultat.Pertes);
        std::fwrite(resultat.Octets.constData(), 1, static_cast<size_t>(resultat.Octets.size()),
                    stdout);
        if (!resultat.Joints.empty()) {
            std::fputs("Les images ne sont écrites qu'avec -o FICHIER.\n", stderr);
        }
        return 0;
    });
}

int Import(const QStringList& args) {
    const auto lus = Lire(args, {QStringLiteral("--into")});
    if (!lus || lus->libre.isEmpty() || lus->valeurs.value(QStringLiteral("--into")).isEmpty()) {
        return Misuse("import");
    }
    return Executer([&] {
        const QString chemin = Chemin(lus->libre);
        ResultatImport resultat = Importer(ReadWholeFile(chemin, kTailleMaxImport), chemin);
        Signaler(resultat.Pertes);
        const int n = resultat.NombreQuestions;
        const QString nom =
            EcrireImport(std::move(resultat), Chemin(lus->valeurs.value(QStringLiteral("--into"))));
        std::printf("%d %s dans %s\n", n, n > 1 ? "questions importées" : "question importée",
                    nom.toUtf8().constData());
        return 0;
    });
}

int Print(const QStringList& args) {
    const auto lus = Lire(args, {QStringLiteral("-o")}, {QStringLiteral("--corrige")});
    if (!lus || lus->libre.isEmpty() || lus->valeurs.value(QStringLiteral("-o")).isEmpty()) {
        return Misuse("print");
    }
    const Corrige corrige =
        lus->drapeaux.contains(QStringLiteral("--corrige")) ? Corrige::Avec : Corrige::Sans;
    return Executer([&] {
        const QString chemin = Chemin(lus->libre);
        ImprimerVers(LireQCM(chemin), chemin, corrige,
                     Chemin(lus->valeurs.value(QStringLiteral("-o"))));
        return 0;
    });
}

} // namespace qcm::app::tool
