#pragma once

#include <QString>

#include <functional>
#include <vector>

// The desktop's web browser, for a page the editor has written or the
// program's guide. Tests install a scripted one.
namespace qcm::platform {

class Navigateur {
public:
    virtual ~Navigateur() = default;
    // Opens the file chemin (or a URL). Either echec or reussite runs once, on the GUI
    // thread, now or later: echec when no browser took it.
    virtual void Ouvrir(const QString& chemin, std::function<void()> echec,
                        std::function<void()> reussite = {}) = 0;
};

// The desktop's opener: programme (xdg-open when empty and on the path) is
// started with the file, in the environment the program was given, and
// watched, since it tells by its exit status whether a browser took it;
// still running after kDelaiPrise, it holds the browser itself and took
// it. Without such a program, Qt's own opener.
class NavigateurBureau : public Navigateur {
public:
    static constexpr int kDelaiPrise = 3000; // ms

    explicit NavigateurBureau(QString programme = QString());
    void Ouvrir(const QString& chemin, std::function<void()> echec,
                std::function<void()> reussite = {}) override;

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

    void Ouvrir(const QString& chemin, std::function<void()> echec,
                std::function<void()> reussite = {}) override;

    bool reussite = true;
    std::vector<QString> ouverts;
    // Whether each file existed when it was asked for.
    std::vector<bool> existaient;
};

} // namespace qcm::platform
