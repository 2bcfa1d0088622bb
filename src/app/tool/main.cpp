#include "Tool.h"

#include "core/Folders.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool Is(const char* arg, const char* text) {
    return std::strcmp(arg, text) == 0;
}

bool AsksHelp(const char* arg) {
    return Is(arg, "--help") || Is(arg, "-h");
}

} // namespace

int main(int argc, char** argv) {
    // Help and version need neither Qt nor a screen.
    if (argc == 2 && AsksHelp(argv[1])) {
        qcm::app::tool::PrintHelp(stdout);
        return 0;
    }
    if (argc == 2 && Is(argv[1], "--version")) {
        std::puts("qcm-tool " QCM_VERSION);
        return 0;
    }
    for (int i = 2; i < argc; ++i) {
        if (AsksHelp(argv[i])) {
            if (qcm::app::tool::PrintCommandHelp(QString::fromLocal8Bit(argv[1]), stdout)) {
                return 0;
            }
            break;
        }
    }
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
        qcm::app::tool::PrintHelp(stderr);
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
    std::fprintf(stderr, "commande inconnue : %s\n\n", command.toUtf8().constData());
    qcm::app::tool::PrintHelp(stderr);
    return 2;
}
