// The editor of questionnaires. Its start folder is the current folder.
#include "editor/Programme.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before Qt starts: neither needs a screen.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("qcm " QCM_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("utilisation : qcm [--help | --version]\n"
                      "Lance l'éditeur de questionnaires à choix multiples ; le dossier courant "
                      "est le dossier de départ,\n"
                      "où sont rangés les questionnaires QCM1, QCM2…");
            return 0;
        }
    }
    qcm::editor::Application app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QCM_VERSION));
    qcm::editor::ChargerTraductions(app);
    qcm::editor::Programme programme;
    programme.Show();
    return qcm::editor::Application::exec();
}
