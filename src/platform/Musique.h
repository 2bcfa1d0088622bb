#pragma once

#include "core/Errors.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace qcm::platform {

class MoteurSon;
enum class FinPiece;

// A failure of the music player, with a French text per kind.
class EMCIDeviceError : public core::Exception {
public:
    enum class Panne {
        AucunPeripherique,
        FichierIntrouvable,
        PasMidi,
        PieceVide,
        PieceSurchargee,
        PieceMuette,
        PasDeFonte,
        SortieOccupee,
        Inconnue,
    };
    explicit EMCIDeviceError(Panne panne);
    Panne Genre() const noexcept { return panne_; }
    const char* ClassName() const noexcept override { return "EMCIDeviceError"; }
    static QString Texte(Panne panne);

private:
    Panne panne_;
};

// The General MIDI sound fonts installed, the desktop's default first; each
// is tried in turn until one loads.
QStringList FontesGeneralMidi();
// The first of them; empty when none is installed.
QString FonteGeneralMidi();

// Checks that the file at chemin may be opened as a piece: it exists and
// starts with the MIDI mark. Raises EMCIDeviceError.
void VerifierPieceMidi(const QString& chemin);

// The background music player. Commands return at once; the end of a Play
// comes back later through the event loop as a call of OnNotify.
class Musique : public QObject {
    Q_OBJECT
public:
    enum class ModeLecture { Ferme, Arrete, Joue };
    enum class Issue { Reussie, Remplacee, Interrompue, Echec };

    explicit Musique(MoteurSon& moteur, QObject* parent = nullptr);
    ~Musique() override;

    // The file Open opens: an absolute path.
    QString FileName;
    // Run for every notification, never inside a command.
    std::function<void()> OnNotify;
    // A piece that failed after Open returned, and the lack of sound output
    // (perdue: it went away while the music played).
    std::function<void(const QString&)> OnErreur;
    std::function<void(bool perdue)> OnSansSortie;
    // The last notification's outcome.
    Issue NotifyValue = Issue::Reussie;
    // The sound fonts, tried in turn; FontesGeneralMidi() unless set.
    QStringList Fontes;

    // Sets the one-shot notify request that the next command consumes.
    void Notify(bool valeur);
    // Closes any open piece, then opens FileName. Raises EMCIDeviceError.
    void Open();
    // Plays from the position; from the start when the piece had ended.
    void Play();
    // Stops, keeping the position; a pending Play is notified as interrupted.
    void Stop();
    void Close();
    ModeLecture Mode() const;

    bool Ouvert() const { return ouvert_; }
    // The piece the device is open on.
    const QString& FichierOuvert() const { return fichierOuvert_; }

private:
    // Consumes the notify request; defaut when none was made.
    bool Demande(bool defaut);
    void Poster(Issue issue);
    void Fin(int lecture, FinPiece fin);
    void Fermer();

    MoteurSon& moteur_;
    bool demande_ = false;
    bool valeur_ = false;
    bool ouvert_ = false;
    bool joue_ = false;
    bool aLaFin_ = false;
    bool notifierLecture_ = false;
    int lecture_ = 0;
    QString fichierOuvert_;
};

} // namespace qcm::platform
