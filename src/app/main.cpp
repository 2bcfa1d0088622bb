// The editor of questionnaires. Its start folder is the current folder.
#include "editor/Programme.h"

int main(int argc, char** argv) {
    qcm::Application app(argc, argv);
    qcm::ChargerTraductions(app);
    qcm::Programme programme;
    programme.Show();
    return qcm::Application::exec();
}
