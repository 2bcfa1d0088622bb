#pragma once

#include <QString>

#include <deque>
#include <vector>

class QWidget;

// Modal message boxes owned by the application. The editor asks its
// questions through here so that tests can script the answers.
namespace qcm::platform {

// OuiNon must be answered with one of its buttons, as when "Non" would throw
// work away; OuiNonEchapNon takes Escape as "Non", for questions whose "Non"
// changes nothing.
enum class Boutons { Ok, OkAnnuler, OuiNon, OuiNonEchapNon, OuiNonAnnuler };
enum class Icone { Question, Exclamation, Erreur };
enum class Reponse { Ok, Annuler, Oui, Non };

class BoitesMessages {
public:
    virtual ~BoitesMessages() = default;
    virtual Reponse Montrer(const QString& texte, const QString& titre, Boutons boutons,
                            Icone icone) = 0;
};

// The boxes in force; the real Qt boxes unless a test installed others.
BoitesMessages& Boites();
// Installs boxes (not owned); nullptr brings back the real ones.
void InstallerBoites(BoitesMessages* b);

inline Reponse MessageBox(const QString& texte, const QString& titre, Boutons boutons,
                          Icone icone) {
    return Boites().Montrer(texte, titre, boutons, icone);
}

// Boxes that answer from a script and remember what they showed. A box
// without a scripted answer gets the refusing answer (Annuler or Non).
class BoitesScriptees : public BoitesMessages {
public:
    struct Boite {
        QString texte;
        QString titre;
        Boutons boutons;
        Icone icone;
    };

    BoitesScriptees() { InstallerBoites(this); }
    ~BoitesScriptees() override { InstallerBoites(nullptr); }
    BoitesScriptees(const BoitesScriptees&) = delete;
    BoitesScriptees& operator=(const BoitesScriptees&) = delete;

    void Repondre(Reponse r) { reponses_.push_back(r); }
    Reponse Montrer(const QString& texte, const QString& titre, Boutons boutons,
                    Icone icone) override;

    std::vector<Boite> montrees;
    // Answers left over: a test that scripted too many notices.
    std::size_t Restantes() const { return reponses_.size(); }

private:
    std::deque<Reponse> reponses_;
};

} // namespace qcm::platform
