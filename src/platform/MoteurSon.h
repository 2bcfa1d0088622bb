#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace qcm::platform {

// Where the engine's sound goes: the desktop's sound output (PulseAudio, then
// ALSA, else a silent clock that keeps real time), or memory, rendered only
// when Rendre is called (tests).
enum class SortieSon { Systeme, Memoire };

// How a play of the piece ended.
enum class FinPiece {
    // At its last event.
    Terminee,
    // At once: the file is damaged, or its piece lasts no time.
    Vide,
    // More events fell due at once than a block may send.
    Surchargee,
    // No note would sound for longer than a piece may stay silent.
    Muette,
};

// The one synthesizer and sound output of the program, shared by the music
// player and the leaving sound. The GUI thread only hands work over: the
// sound font, the MIDI file and the output are opened on the engine's own
// thread, the first time they are needed, and blocks are rendered on the
// output's thread. In memory the work runs at once on the caller's thread.
// The piece is played by the engine itself from the file's bytes, so that
// the work of one block is bounded whatever the file holds.
class MoteurSon {
public:
    explicit MoteurSon(SortieSon sortie);
    ~MoteurSon();
    MoteurSon(const MoteurSon&) = delete;
    MoteurSon& operator=(const MoteurSon&) = delete;

    static constexpr int kFrequence = 44100;
    static constexpr int kBloc = 1024;
    // At most this many events of the piece are sent in one block's time.
    static constexpr int kEvenementsParBloc = 1024;

    // What the engine reports, called from its threads; set before use.
    struct Rappels {
        // The play number lecture ended, as fin says.
        std::function<void(int lecture, FinPiece fin)> fin;
        // The piece could not be loaded after all; the text says why.
        std::function<void(const QString&)> erreur;
        // No sound output (perdue: it went away while sounding): the music
        // plays silently.
        std::function<void(bool perdue)> sansSortie;
    };
    void Brancher(Rappels rappels);

    // The piece chemin with the first sound font of fontes that loads, in
    // place of any other.
    void OuvrirPiece(const QString& chemin, const QStringList& fontes);
    // Plays the piece from its position (from its start when rembobiner).
    void Jouer(bool rembobiner, int lecture);
    void Arreter();
    void FermerPiece();
    // Plays a mono wave at half the engine's rate, 8-bit samples.
    void JouerOnde(const QByteArray& echantillons);

    // Memory only: renders frames into gauche (stereo, left kept).
    void Rendre(int frames, std::vector<float>* gauche = nullptr);
    // The piece's position in ticks, -1 without a piece.
    int Position() const;
    int OndesJouees() const { return ondesJouees_; }
    // The events of pieces sent to the synthesizer so far.
    std::int64_t EvenementsEnvoyes() const { return evenements_; }

    class Piece;

private:
    void Confier(std::function<void()> travail);
    void Boucle();
    void PreparerReglages();
    bool AssurerSynthe(const QStringList& fontes);
    void AssurerSortie(bool signaler);
    void Guetter();
    void RendreBloc(int n, float* gauche, float* droite);
    static int Rappel(void* donnees, int len, int nfx, float* fx[], int nout, float* out[]);

    const SortieSon sortie_;
    _fluid_hashtable_t* reglages_ = nullptr;
    _fluid_synth_t* synthe_ = nullptr;
    _fluid_audio_driver_t* pilote_ = nullptr;
    QString fonte_;
    QSet<QString> fontesIllisibles_;
    bool sortieEssayee_ = false;
    // Written on the engine's thread under rendu_.
    bool horloge_ = false;
    // When the last wave handed over ends at the latest, output included.
    std::chrono::steady_clock::time_point finOnde_;
    // When the output last asked for a block, in steady-clock ticks.
    std::atomic<std::int64_t> dernierBloc_{0};

    // Guards the synthesizer, the piece and the wave against the renderer.
    mutable std::mutex rendu_;
    Rappels rappels_;
    std::unique_ptr<Piece> piece_;
    bool joue_ = false;
    int lecture_ = 0;
    QByteArray onde_;
    qsizetype ondePos_ = 0;
    std::atomic<bool> actif_{false};
    std::atomic<int> ondesJouees_{0};
    std::atomic<std::int64_t> evenements_{0};

    // The engine's thread and its work.
    std::mutex file_;
    std::condition_variable reveil_;
    std::deque<std::function<void()>> travaux_;
    bool fin_ = false;
    std::thread fil_;
};

} // namespace qcm::platform
