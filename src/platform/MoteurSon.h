#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_audio_driver_t;

namespace qcm::platform {

// Where the engine's sound goes: the desktop's sound output (PulseAudio, then
// ALSA, else a silent clock that keeps real time), or memory, rendered only
// when Rendre is called (tests).
enum class SortieSon { Systeme, Memoire };

// The one synthesizer and sound output of the program, shared by the music
// player and the leaving sound. The GUI thread only hands work over: the
// sound font, the MIDI file and the output are opened on the engine's own
// thread, the first time they are needed, and blocks are rendered on the
// output's thread. In memory the work runs at once on the caller's thread.
class MoteurSon {
public:
    explicit MoteurSon(SortieSon sortie);
    ~MoteurSon();
    MoteurSon(const MoteurSon&) = delete;
    MoteurSon& operator=(const MoteurSon&) = delete;

    static constexpr int kFrequence = 44100;

    // What the engine reports, called from its threads; set before use.
    struct Rappels {
        // The piece of play number lecture reached its end; vide when it
        // played for no time (its body would not load, or holds no time).
        std::function<void(int lecture, bool vide)> fin;
        // The piece could not be loaded after all; the text says why.
        std::function<void(const QString&)> erreur;
        // No sound output: the music plays silently.
        std::function<void()> sansSortie;
    };
    void Brancher(Rappels rappels);

    // The piece chemin with the sound font fonte, in place of any other.
    void OuvrirPiece(const QString& chemin, const QString& fonte);
    // Plays the piece from its position (from its start when rembobiner).
    void Jouer(bool rembobiner, int lecture);
    void Arreter();
    void FermerPiece();
    // Plays a mono wave at half the engine's rate, 8-bit samples.
    void JouerOnde(const QByteArray& echantillons);

    // Memory only: renders frames into gauche (stereo, left kept).
    void Rendre(int frames, std::vector<float>* gauche = nullptr);
    // The player's position in ticks, -1 without a piece.
    int Position() const;
    int OndesJouees() const { return ondesJouees_; }

private:
    void Confier(std::function<void()> travail);
    void Boucle();
    void PreparerReglages();
    bool AssurerSynthe(const QString& fonte);
    void AssurerSortie(bool signaler);
    void RendreBloc(int n, float* gauche, float* droite);
    static int Rappel(void* donnees, int len, int nfx, float* fx[], int nout, float* out[]);

    const SortieSon sortie_;
    _fluid_hashtable_t* reglages_ = nullptr;
    _fluid_synth_t* synthe_ = nullptr;
    _fluid_player_t* piece_ = nullptr;
    _fluid_audio_driver_t* pilote_ = nullptr;
    QString fonte_;
    bool sortieEssayee_ = false;
    // Written on the engine's thread under rendu_.
    bool horloge_ = false;
    // When the last wave handed over ends at the latest, output included.
    std::chrono::steady_clock::time_point finOnde_;

    // Guards the synthesizer, the piece and the wave against the renderer.
    mutable std::mutex rendu_;
    Rappels rappels_;
    bool joue_ = false;
    int lecture_ = 0;
    QByteArray onde_;
    qsizetype ondePos_ = 0;
    std::atomic<bool> actif_{false};
    std::atomic<int> ondesJouees_{0};

    // The engine's thread and its work.
    std::mutex file_;
    std::condition_variable reveil_;
    std::deque<std::function<void()>> travaux_;
    bool fin_ = false;
    std::thread fil_;
};

} // namespace qcm::platform
