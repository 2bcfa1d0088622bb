#pragma once

#include <QPoint>
#include <QString>

class QImage;
class QLabel;

namespace qcm::editor {

// Question pictures and the background tile. The window asks; the picture
// loader answers. Both calls may raise, with the loader's message.
class Illustrations {
public:
    virtual ~Illustrations() = default;
    // Shows picture file chemin (a path resolved in the questionnaire's
    // folder) in photo, fitted around centre; an empty path hides photo.
    virtual void AfficherImage(QLabel& photo, QPoint centre, const QString& chemin) = 0;
    // Paints the background from tile chemin into surface, or a plain navy
    // fill when chemin is empty.
    virtual void AfficherFond(QImage& surface, const QString& chemin) = 0;
};

// The background music player.
class LecteurMusique {
public:
    struct Etat {
        QString fichier;
        bool ouvert = false;
        bool joue = false;
        bool operator==(const Etat&) const = default;
    };
    virtual ~LecteurMusique() = default;
    // Opens fichier (closing any other piece) and plays it from its start.
    virtual void Demarrer(const QString& fichier) = 0;
    // Stops; the piece stays open at its position.
    virtual void Arreter() = 0;
    // Plays the open piece on from its position.
    virtual void Reprendre() = 0;
    virtual void Fermer() = 0;
    virtual Etat EtatLecteur() const = 0;
    // Sets the player's state as it is: a piece named while music is off
    // is kept for when it is switched on again.
    virtual void Restaurer(const Etat& etat) = 0;
};

// Stand-in until music playback comes: keeps the state, plays nothing.
class LecteurMuet : public LecteurMusique {
public:
    void Demarrer(const QString& fichier) override { etat_ = {fichier, true, true}; }
    void Arreter() override { etat_.joue = false; }
    void Reprendre() override { etat_.joue = etat_.ouvert; }
    void Fermer() override { etat_ = {etat_.fichier, false, false}; }
    Etat EtatLecteur() const override { return etat_; }
    void Restaurer(const Etat& etat) override { etat_ = etat; }

private:
    Etat etat_;
};

} // namespace qcm::editor
