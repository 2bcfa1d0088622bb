#include "Modal.h"

#include <QDialog>

namespace qcm::platform {

namespace {

class ExecuteurQt : public ExecuteurModal {
public:
    int Executer(QDialog& dialog) override { return dialog.exec(); }
};

ExecuteurModal* installe = nullptr;

} // namespace

ExecuteurModal& Executeur() {
    static ExecuteurQt qt;
    return installe != nullptr ? *installe : qt;
}

void InstallerExecuteur(ExecuteurModal* e) {
    installe = e;
}

int ExecuteurScripte::Executer(QDialog& dialog) {
    montres.push_back(dialog.objectName());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!actions_.empty()) {
        Action a = std::move(actions_.front());
        actions_.pop_front();
        a(dialog);
    }
    dialog.hide();
    return dialog.result();
}

} // namespace qcm::platform
