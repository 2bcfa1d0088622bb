#include "MoteurSon.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>

namespace qcm::platform {

using namespace qcm::core;

namespace {

constexpr int kBloc = 1024;
// What the sound server holds beyond the blocks handed over, at most.
constexpr auto kLatenceSortie = std::chrono::milliseconds(150);
// A General MIDI piece is a few hundred kilobytes at most.
constexpr qint64 kTaillePieceMax = qint64{16} << 20;

void FaireTaireFluidSynth() {
    static std::once_flag fait;
    std::call_once(fait, [] {
        for (int niveau : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(niveau, nullptr, nullptr);
        }
    });
}

} // namespace

MoteurSon::MoteurSon(SortieSon sortie) : sortie_(sortie) {}

MoteurSon::~MoteurSon() {
    // The leaving sound is heard to its end, but never for longer than it
    // lasts: the windows are gone by now, only the process lingers.
    if (sortie_ == SortieSon::Systeme && fil_.joinable()) {
        const auto fin = finOnde_;
        bool muet = false;
        {
            std::lock_guard verrou(rendu_);
            muet = horloge_;
        }
        if (!muet) {
            std::this_thread::sleep_until(fin);
        }
    }
    if (fil_.joinable()) {
        {
            std::lock_guard verrou(file_);
            fin_ = true;
        }
        reveil_.notify_all();
        fil_.join();
    }
    if (pilote_ != nullptr) {
        delete_fluid_audio_driver(pilote_);
    }
    if (piece_ != nullptr) {
        delete_fluid_player(piece_);
    }
    if (synthe_ != nullptr) {
        delete_fluid_synth(synthe_);
    }
    if (reglages_ != nullptr) {
        delete_fluid_settings(reglages_);
    }
}

void MoteurSon::Brancher(Rappels rappels) {
    std::lock_guard verrou(rendu_);
    rappels_ = std::move(rappels);
}

void MoteurSon::Confier(std::function<void()> travail) {
    if (sortie_ == SortieSon::Memoire) {
        travail();
        return;
    }
    {
        std::lock_guard verrou(file_);
        travaux_.push_back(std::move(travail));
    }
    // Nothing runs before the first sound is needed.
    if (!fil_.joinable()) {
        fil_ = std::thread([this] { Boucle(); });
    }
    reveil_.notify_all();
}

// The engine's thread: the work handed over, and the silent clock's blocks
// when there is no sound output.
void MoteurSon::Boucle() {
    using Horloge = std::chrono::steady_clock;
    const auto duree = std::chrono::microseconds(std::int64_t{kBloc} * 1000000 / kFrequence);
    auto prochain = Horloge::now();
    std::vector<float> g(kBloc);
    std::vector<float> d(kBloc);
    std::unique_lock verrou(file_);
    while (!fin_) {
        if (!travaux_.empty()) {
            auto travail = std::move(travaux_.front());
            travaux_.pop_front();
            verrou.unlock();
            travail();
            verrou.lock();
            continue;
        }
        if (!(horloge_ && actif_)) {
            reveil_.wait(verrou);
            prochain = Horloge::now();
            continue;
        }
        if (reveil_.wait_until(verrou, prochain) == std::cv_status::timeout) {
            verrou.unlock();
            RendreBloc(kBloc, g.data(), d.data());
            verrou.lock();
            prochain += duree;
        }
    }
}

void MoteurSon::PreparerReglages() {
    FaireTaireFluidSynth();
    if (reglages_ != nullptr) {
        return;
    }
    reglages_ = new_fluid_settings();
    fluid_settings_setnum(reglages_, "synth.sample-rate", kFrequence);
    // The piece keeps the time of the blocks rendered, in memory too.
    fluid_settings_setstr(reglages_, "player.timing-source", "sample");
    // Samples are read when an instrument is first chosen, not all at once.
    fluid_settings_setint(reglages_, "synth.dynamic-sample-loading", 1);
}

bool MoteurSon::AssurerSynthe(const QString& fonte) {
    if (synthe_ != nullptr && fonte == fonte_) {
        return true;
    }
    PreparerReglages();
    fluid_synth_t* synthe = new_fluid_synth(reglages_);
    if (synthe == nullptr || fluid_synth_sfload(synthe, fonte.toLocal8Bit().constData(), 1) < 0) {
        if (synthe != nullptr) {
            delete_fluid_synth(synthe);
        }
        return false;
    }
    std::lock_guard verrou(rendu_);
    if (piece_ != nullptr) {
        delete_fluid_player(piece_);
        piece_ = nullptr;
    }
    if (synthe_ != nullptr) {
        delete_fluid_synth(synthe_);
    }
    synthe_ = synthe;
    fonte_ = fonte;
    return true;
}

void MoteurSon::AssurerSortie(bool signaler) {
    if (sortieEssayee_ || sortie_ == SortieSon::Memoire) {
        return;
    }
    sortieEssayee_ = true;
    PreparerReglages();
    // FluidSynth asks the server for one period of latency, 64 frames by
    // default: a busy machine then drops out every few blocks. Background
    // music needs no such speed; 46 ms, and 93 ms of buffer for ALSA.
    fluid_settings_setint(reglages_, "audio.period-size", 2048);
    fluid_settings_setint(reglages_, "audio.periods", 2);
    for (const char* nom : {"pulseaudio", "alsa"}) {
        fluid_settings_setstr(reglages_, "audio.driver", nom);
        pilote_ = new_fluid_audio_driver2(reglages_, &MoteurSon::Rappel, this);
        if (pilote_ != nullptr) {
            return;
        }
    }
    std::lock_guard verrou(rendu_);
    horloge_ = true;
    if (signaler && rappels_.sansSortie) {
        rappels_.sansSortie();
    }
}

void MoteurSon::OuvrirPiece(const QString& chemin, const QString& fonte) {
    Confier([this, chemin, fonte] {
        QByteArray midi;
        QString erreur;
        try {
            midi = ReadWholeFile(chemin, kTaillePieceMax);
        } catch (const Exception& e) {
            erreur = e.Message();
        }
        if (erreur.isEmpty() && !AssurerSynthe(fonte)) {
            erreur = QStringLiteral("La fonte sonore %1 est illisible").arg(fonte);
        }
        if (!erreur.isEmpty()) {
            std::lock_guard verrou(rendu_);
            if (rappels_.erreur) {
                rappels_.erreur(erreur);
            }
            return;
        }
        AssurerSortie(true);
        std::lock_guard verrou(rendu_);
        if (piece_ != nullptr) {
            delete_fluid_player(piece_);
        }
        fluid_synth_all_sounds_off(synthe_, -1);
        piece_ = new_fluid_player(synthe_);
        fluid_player_add_mem(piece_, midi.constData(), static_cast<size_t>(midi.size()));
        joue_ = false;
    });
}

void MoteurSon::Jouer(bool rembobiner, int lecture) {
    Confier([this, rembobiner, lecture] {
        std::lock_guard verrou(rendu_);
        if (piece_ == nullptr) {
            return;
        }
        if (rembobiner) {
            fluid_player_seek(piece_, 0);
        }
        fluid_player_play(piece_);
        joue_ = true;
        lecture_ = lecture;
        actif_ = true;
    });
    reveil_.notify_all();
}

void MoteurSon::Arreter() {
    Confier([this] {
        std::lock_guard verrou(rendu_);
        joue_ = false;
        if (piece_ != nullptr) {
            fluid_player_stop(piece_);
            fluid_synth_all_notes_off(synthe_, -1);
        }
    });
}

void MoteurSon::FermerPiece() {
    Confier([this] {
        std::lock_guard verrou(rendu_);
        joue_ = false;
        if (piece_ != nullptr) {
            delete_fluid_player(piece_);
            piece_ = nullptr;
            fluid_synth_all_sounds_off(synthe_, -1);
        }
    });
}

void MoteurSon::JouerOnde(const QByteArray& echantillons) {
    // Two frames a sample, and what the output holds still to be played.
    finOnde_ = std::chrono::steady_clock::now() +
               std::chrono::microseconds(qint64{1000000} * 2 * echantillons.size() / kFrequence) +
               kLatenceSortie;
    Confier([this, echantillons] {
        AssurerSortie(false);
        std::lock_guard verrou(rendu_);
        onde_ = echantillons;
        ondePos_ = 0;
        actif_ = true;
        ++ondesJouees_;
    });
    reveil_.notify_all();
}

void MoteurSon::Rendre(int frames, std::vector<float>* gauche) {
    std::vector<float> g(kBloc);
    std::vector<float> d(kBloc);
    for (int fait = 0; fait < frames; fait += kBloc) {
        const int n = std::min(kBloc, frames - fait);
        RendreBloc(n, g.data(), d.data());
        if (gauche != nullptr) {
            gauche->insert(gauche->end(), g.begin(), g.begin() + n);
        }
    }
}

int MoteurSon::Position() const {
    std::lock_guard verrou(rendu_);
    return piece_ == nullptr ? -1 : fluid_player_get_current_tick(piece_);
}

void MoteurSon::RendreBloc(int n, float* gauche, float* droite) {
    std::lock_guard verrou(rendu_);
    if (synthe_ != nullptr) {
        fluid_synth_write_float(synthe_, n, gauche, 0, 1, droite, 0, 1);
    } else {
        std::fill(gauche, gauche + n, 0.0F);
        std::fill(droite, droite + n, 0.0F);
    }
    // The wave has half the rate: each sample lasts two frames.
    for (int i = 0; i < n && ondePos_ < 2 * onde_.size(); ++i, ++ondePos_) {
        const auto octet = static_cast<unsigned char>(onde_[ondePos_ / 2]);
        const float v = (static_cast<float>(octet) - 128.0F) / 128.0F;
        gauche[i] += v;
        droite[i] += v;
    }
    // The piece ends with its last event, as a sequencer's does; FluidSynth
    // itself would wait for the last notes to fade out.
    if (joue_ && piece_ != nullptr &&
        (fluid_player_get_status(piece_) == FLUID_PLAYER_DONE ||
         fluid_player_get_current_tick(piece_) >= fluid_player_get_total_ticks(piece_))) {
        // A body that would not load leaves no track: no time at all.
        const bool vide = fluid_player_get_total_ticks(piece_) <= 0;
        fluid_player_stop(piece_);
        joue_ = false;
        if (rappels_.fin) {
            rappels_.fin(lecture_, vide);
        }
    }
    actif_ = joue_ || ondePos_ < 2 * onde_.size();
}

int MoteurSon::Rappel(void* donnees, int len, int, float*[], int nout, float* out[]) {
    if (nout < 2) {
        return FLUID_FAILED;
    }
    static_cast<MoteurSon*>(donnees)->RendreBloc(len, out[0], out[1]);
    return FLUID_OK;
}

} // namespace qcm::platform
