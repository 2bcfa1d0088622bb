// The editor of questionnaires. Its start folder is the current folder.
#include "editor/Programme.h"

int main(int argc, char** argv) {
    qcm::editor::Application app(argc, argv);
    qcm::editor::ChargerTraductions(app);
    qcm::editor::Programme programme;
    programme.Show();
    return qcm::editor::Application::exec();
}
