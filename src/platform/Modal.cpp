#include "Modal.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

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

namespace {

std::vector<QPointer<QWidget>> PopupsVisibles() {
    std::vector<QPointer<QWidget>> popups;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowType() == Qt::Popup) {
            popups.emplace_back(w);
        }
    }
    return popups;
}

} // namespace

int ExecuterModal(QDialog& dialog) {
    const std::vector<QPointer<QWidget>> avant = PopupsVisibles();
    const int resultat = Executeur().Executer(dialog);
    for (const QPointer<QWidget>& popup : PopupsVisibles()) {
        if (std::find(avant.begin(), avant.end(), popup) == avant.end()) {
            popup->hide();
        }
    }
    return resultat;
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
