#pragma once

#include <QString>

#include <vector>

// The desktop's web browser, for a page the editor has written. Tests
// install a scripted one.
namespace qcm::platform {

class Navigateur {
public:
    virtual ~Navigateur() = default;
    // Opens the file chemin; false when no browser took it.
    virtual bool Ouvrir(const QString& chemin) = 0;
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

    bool Ouvrir(const QString& chemin) override;

    bool reussite = true;
    std::vector<QString> ouverts;
    // Whether each file existed when it was asked for.
    std::vector<bool> existaient;
};

} // namespace qcm::platform
