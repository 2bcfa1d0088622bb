#include "Tool.h"

#include "core/Folders.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void Usage() {
    std::fputs("usage:\n"
               "  qcm-tool show DOSSIER             affiche le questionnaire en JSON\n"
               "  qcm-tool resave DOSSIER           relit et réenregistre QCM.txt\n"
               "  qcm-tool picture FICHIER [--png SORTIE]\n"
               "                                    charge une image comme l'éditeur\n"
               "  qcm-tool frames FICHIER DOSSIER [--passes N]\n"
               "                                    écrit chaque image d'une animation GIF\n"
               "  qcm-tool export DOSSIER --to gift|moodle|amc|html [-o FICHIER]\n"
               "                                    exporte le questionnaire\n"
               "  qcm-tool print DOSSIER -o FICHIER.pdf [--corrige]\n"
               "                                    imprime le questionnaire en PDF (A4)\n"
               "  qcm-tool import FICHIER --into DOSSIER_DEPART\n"
               "                                    importe un fichier GIFT ou Moodle XML\n",
               stderr);
}

} // namespace

int main(int argc, char** argv) {
    const bool drawing =
        argc > 1 && (std::strcmp(argv[1], "picture") == 0 || std::strcmp(argv[1], "frames") == 0 ||
                     std::strcmp(argv[1], "export") == 0 || std::strcmp(argv[1], "import") == 0 ||
                     std::strcmp(argv[1], "print") == 0);
    // Drawing pictures needs a GUI application, but never a screen.
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QCoreApplication> app = drawing
                                                ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    // Names that are not UTF-8 keep their bytes, as every path of the program.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << qcm::core::folders::DecodeName(argv[i]);
    }
    if (args.isEmpty()) {
        Usage();
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("show")) {
        return qcm::app::tool::Show(args);
    }
    if (command == QLatin1String("resave")) {
        return qcm::app::tool::Resave(args);
    }
    if (command == QLatin1String("picture")) {
        return qcm::app::tool::Picture(args);
    }
    if (command == QLatin1String("frames")) {
        return qcm::app::tool::Frames(args);
    }
    if (command == QLatin1String("export")) {
        return qcm::app::tool::Export(args);
    }
    if (command == QLatin1String("print")) {
        return qcm::app::tool::Print(args);
    }
    if (command == QLatin1String("import")) {
        return qcm::app::tool::Import(args);
    }
    Usage();
    return 2;
}
