#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QDialog;

// Modal dialogs (the chooser, the about box) run through here, so that
// tests can act on them without a nested event loop waiting for a person.
namespace qcm::platform {

class ExecuteurModal {
public:
    virtual ~ExecuteurModal() = default;
    // Shows dialog modally and returns its result once it is closed.
    virtual int Executer(QDialog& dialog) = 0;
};

ExecuteurModal& Executeur();
// Installs a runner (not owned); nullptr brings back QDialog::exec.
void InstallerExecuteur(ExecuteurModal* e);

// Runs dialog through the runner in force. A popup the dialog left open
// (its name completer's list, a menu) is closed with it: it would take the
// editor's next clicks.
int ExecuterModal(QDialog& dialog);

// Shows the dialog, runs the next scripted action on it and hides it again.
// Without a scripted action the dialog is only shown and closed (rejected).
class ExecuteurScripte : public ExecuteurModal {
public:
    using Action = std::function<void(QDialog&)>;

    ExecuteurScripte() { InstallerExecuteur(this); }
    ~ExecuteurScripte() override { InstallerExecuteur(nullptr); }
    ExecuteurScripte(const ExecuteurScripte&) = delete;
    ExecuteurScripte& operator=(const ExecuteurScripte&) = delete;

    void Ajouter(Action a) { actions_.push_back(std::move(a)); }
    int Executer(QDialog& dialog) override;

    // Object names of the dialogs shown, in order.
    std::vector<QString> montres;
    std::size_t Restantes() const { return actions_.size(); }

private:
    std::deque<Action> actions_;
};

} // namespace qcm::platform
