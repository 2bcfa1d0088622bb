#include "Musique.h"

#include "MoteurSon.h"
#include "core/AtomicFile.h"

#include <QFileInfo>

namespace qcm::platform {

using namespace qcm::core;

EMCIDeviceError::EMCIDeviceError(Panne panne) : Exception(Texte(panne)), panne_(panne) {}

QString EMCIDeviceError::Texte(Panne panne) {
    switch (panne) {
    case Panne::AucunPeripherique:
        return QStringLiteral("Aucun périphérique MCI ouvert");
    case Panne::FichierIntrouvable:
        return QStringLiteral("Le fichier de musique est introuvable");
    case Panne::PasMidi:
        return QStringLiteral("Ce fichier n'est pas un fichier MIDI");
    case Panne::PieceVide:
        return QStringLiteral(
            "Ce fichier MIDI est endommagé ou ne dure rien : il ne peut être joué");
    case Panne::PieceSurchargee:
        return QStringLiteral(
            "Ce fichier MIDI demande trop de notes à la fois : il ne peut être joué");
    case Panne::PieceMuette:
        return QStringLiteral("Ce fichier MIDI ne fait entendre aucune note pendant plus d'une "
                              "minute : il ne peut être joué");
    case Panne::PasDeFonte:
        return QStringLiteral(
            "Aucune fonte sonore General MIDI n'est installée : la musique ne peut être jouée");
    case Panne::SortieOccupee:
        return QStringLiteral("La sortie son est occupée par une autre application");
    case Panne::Inconnue:
        break;
    }
    return QStringLiteral("Code d'erreur inconnu");
}

QStringList FontesGeneralMidi() {
    // The desktop's default, then the fonts that distributions package.
    static const char* const kConnues[] = {
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf3/default-GM.sf3",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/sounds/sf3/MuseScore_General.sf3",
        "/usr/share/sounds/sf2/MuseScore_General.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2",
    };
    QStringList fontes;
    QStringList vraies;
    for (const char* chemin : kConnues) {
        const QFileInfo f(QString::fromLatin1(chemin));
        // The default is a link to one of the others: each file once.
        if (f.isFile() && !vraies.contains(f.canonicalFilePath())) {
            vraies += f.canonicalFilePath();
            fontes += f.filePath();
        }
    }
    return fontes;
}

QString FonteGeneralMidi() {
    const QStringList fontes = FontesGeneralMidi();
    return fontes.isEmpty() ? QString() : fontes.constFirst();
}

void VerifierPieceMidi(const QString& chemin) {
    QByteArray marque;
    try {
        marque = chemin.isEmpty() ? QByteArray() : ReadFileStart(chemin, 4);
    } catch (const EInOutError& e) {
        if (e.Code() != EInOutError::FileNotFound && e.Code() != EInOutError::BadFileName) {
            throw;
        }
        throw EMCIDeviceError(EMCIDeviceError::Panne::FichierIntrouvable);
    }
    if (chemin.isEmpty()) {
        throw EMCIDeviceError(EMCIDeviceError::Panne::FichierIntrouvable);
    }
    if (marque != QByteArrayLiteral("MThd")) {
        throw EMCIDeviceError(EMCIDeviceError::Panne::PasMidi);
    }
}

Musique::Musique(MoteurSon& moteur, QObject* parent) : QObject(parent), moteur_(moteur) {
    // The engine calls from its threads: everything comes back through the
    // event loop, and is dropped once this player is gone.
    MoteurSon::Rappels r;
    r.fin = [this](int lecture, FinPiece fin) {
        QMetaObject::invokeMethod(
            this, [this, lecture, fin] { Fin(lecture, fin); }, Qt::QueuedConnection);
    };
    r.erreur = [this](const QString& texte) {
        QMetaObject::invokeMethod(
            this,
            [this, texte] {
                Fermer();
                if (OnErreur) {
                    OnErreur(texte);
                }
            },
            Qt::QueuedConnection);
    };
    r.sansSortie = [this](bool perdue) {
        QMetaObject::invokeMethod(
            this,
            [this, perdue] {
                if (OnSansSortie) {
                    OnSansSortie(perdue);
                }
            },
            Qt::QueuedConnection);
    };
    moteur_.Brancher(std::move(r));
}

Musique::~Musique() {
    moteur_.Brancher({});
    Fermer();
}

void Musique::Notify(bool valeur) {
    demande_ = true;
    valeur_ = valeur;
}

bool Musique::Demande(bool defaut) {
    const bool v = demande_ ? valeur_ : defaut;
    demande_ = false;
    return v;
}

void Musique::Poster(Issue issue) {
    QMetaObject::invokeMethod(
        this,
        [this, issue] {
            NotifyValue = issue;
            if (OnNotify) {
                OnNotify();
            }
        },
        Qt::QueuedConnection);
}

void Musique::Open() {
    const bool notifier = Demande(false);
    Fermer();
    // Only the mark at the file's start is read here; the piece itself is
    // read by the engine's thread.
    VerifierPieceMidi(FileName);
    const QStringList fontes = Fontes.isEmpty() ? FontesGeneralMidi() : Fontes;
    if (fontes.isEmpty()) {
        throw EMCIDeviceError(EMCIDeviceError::Panne::PasDeFonte);
    }
    moteur_.OuvrirPiece(FileName, fontes);
    ouvert_ = true;
    fichierOuvert_ = FileName;
    if (notifier) {
        Poster(Issue::Reussie);
    }
}

void Musique::Play() {
    if (!ouvert_) {
        throw EMCIDeviceError(EMCIDeviceError::Panne::AucunPeripherique);
    }
    const bool notifier = Demande(true);
    if (joue_ && notifierLecture_) {
        Poster(Issue::Remplacee);
    }
    const bool rembobiner = aLaFin_;
    aLaFin_ = false;
    joue_ = true;
    notifierLecture_ = notifier;
    moteur_.Jouer(rembobiner, ++lecture_);
}

void Musique::Stop() {
    if (!ouvert_) {
        throw EMCIDeviceError(EMCIDeviceError::Panne::AucunPeripherique);
    }
    const bool notifier = Demande(false);
    ++lecture_;
    if (joue_) {
        joue_ = false;
        moteur_.Arreter();
        if (notifierLecture_) {
            Poster(Issue::Interrompue);
        }
    }
    notifierLecture_ = false;
    if (notifier) {
        Poster(Issue::Reussie);
    }
}

void Musique::Close() {
    const bool notifier = Demande(false);
    if (!ouvert_) {
        return;
    }
    Fermer();
    if (notifier) {
        Poster(Issue::Reussie);
    }
}

void Musique::Fermer() {
    if (!ouvert_) {
        return;
    }
    ++lecture_;
    ouvert_ = false;
    joue_ = false;
    aLaFin_ = false;
    notifierLecture_ = false;
    fichierOuvert_.clear();
    moteur_.FermerPiece();
}

Musique::ModeLecture Musique::Mode() const {
    if (!ouvert_) {
        return ModeLecture::Ferme;
    }
    return joue_ ? ModeLecture::Joue : ModeLecture::Arrete;
}

void Musique::Fin(int lecture, FinPiece fin) {
    // A play that was stopped, replaced or closed since has been told so.
    if (lecture != lecture_ || !joue_) {
        return;
    }
    if (fin != FinPiece::Terminee) {
        // Played again, it would end the same way at once: reported once,
        // and the device closes so that nothing loops on it.
        const bool notifier = notifierLecture_;
        Fermer();
        if (notifier) {
            NotifyValue = Issue::Echec;
            if (OnNotify) {
                OnNotify();
            }
        }
        if (OnErreur) {
            using P = EMCIDeviceError::Panne;
            OnErreur(EMCIDeviceError::Texte(fin == FinPiece::Surchargee ? P::PieceSurchargee
                                            : fin == FinPiece::Muette   ? P::PieceMuette
                                                                        : P::PieceVide));
        }
        return;
    }
    joue_ = false;
    aLaFin_ = true;
    if (notifierLecture_) {
        notifierLecture_ = false;
        NotifyValue = Issue::Reussie;
        if (OnNotify) {
            OnNotify();
        }
    }
}

} // namespace qcm::platform
