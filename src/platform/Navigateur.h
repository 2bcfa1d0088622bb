#pragma once

#include <QString>

#include <functional>
#include <vector>

// The desktop's web browser, for a page the editor has written. Tests
// install a scripted one.
namespace qcm::platform {

class Navigateur {
public:
    virtual ~Navigateur() = default;
    // Opens the file chemin. echec runs on the GUI thread, now or later,
    // when no browser took it.
    virtual void Ouvrir(const QString& chemin, std::function<void()> echec) = 0;
};

// The desktop's opener: programme (xdg-open when empty and on the path) is
// started with the file and watched, since it tells by its exit status
// whether a browser took it; without such a program, Qt's own opener.
class NavigateurBureau : public Navigateur {
public:
    explicit NavigateurBureau(QString programme = QString());
    void Ouvrir(const QString& chemin, std::function<void()> echec) override;

private:
    QString programme_;
};

// The browser in force; the desktop's unless a test installed another.
Navigateur& NavigateurCourant();
// Installs a browser (not owned); nullptr brings back the desktop's.
void InstallerNavigateur(Navigateur* n);

// Remembers the files it was asked to open and answers with reussite.
class NavigateurScripte : public Navigateur {
public:
    NavigateurScripte() { InstallerNavigateur(this); }
    ~NavigateurScripte() override { InstallerNavigateur(nullptr); }
    NavigateurScripte(const NavigateurScripte&) = delete;
    NavigateurScripte& operator=(const NavigateurScripte&) = delete;

    void Ouvrir(const QString& chemin, std::function<void()> echec) override;

    bool reussite = true;
    std::vector<QString> ouverts;
    // Whether each file existed when it was asked for.
    std::vector<bool> existaient;
};

} // namespace qcm::platform
