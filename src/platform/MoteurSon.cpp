#include "MoteurSon.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>

namespace qcm::platform {

using namespace qcm::core;

namespace {

// Frames between two looks at the piece: 1.5 ms, as a sequencer keeps time.
constexpr int kTranche = 64;
// What the sound server holds beyond the blocks handed over, at most.
constexpr auto kLatenceSortie = std::chrono::milliseconds(150);
// The output asks for a block every 46 ms; one that stops asking has gone.
constexpr auto kGuet = std::chrono::milliseconds(500);
constexpr auto kSortieMuette = std::chrono::seconds(1);
// A General MIDI piece is a few hundred kilobytes at most.
constexpr qint64 kTaillePieceMax = qint64{16} << 20;
// Background music that sounds no note for this long is heard as none.
constexpr double kSilenceMax = 60.0;
constexpr qint64 kJamais = std::numeric_limits<qint64>::max();

void FaireTaireFluidSynth() {
    static std::once_flag fait;
    std::call_once(fait, [] {
        for (int niveau : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(niveau, nullptr, nullptr);
        }
    });
}

std::int64_t Maintenant() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

using Octet = unsigned char;

// A reading position in a track: the event at pos falls at tick.
struct Curseur {
    const Octet* pos = nullptr;
    const Octet* fin = nullptr;
    qint64 tick = 0;
    Octet statut = 0; // running status
    bool fini = true;
};

struct Evenement {
    Octet statut = 0;
    Octet type = 0; // of a meta event
    const Octet* donnees = nullptr;
    int taille = 0;
};

// A variable-length number: four bytes at most, as files write it.
bool LireNombre(const Octet*& p, const Octet* fin, quint32& v) {
    v = 0;
    for (int i = 0; i < 4 && p != fin; ++i) {
        const Octet o = *p++;
        v = (v << 7) | (o & 0x7F);
        if ((o & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// The delta before the next event; the track ends with its bytes.
bool LireDelta(Curseur& c) {
    if (c.pos == c.fin) {
        c.fini = true;
        return true;
    }
    quint32 delta = 0;
    if (!LireNombre(c.pos, c.fin, delta)) {
        return false;
    }
    c.tick += delta;
    return true;
}

bool Debuter(Curseur& c, const Octet* debut, const Octet* fin) {
    c = Curseur{debut, fin, 0, 0, false};
    return LireDelta(c);
}

// Reads the event at c into e and moves c to the next one; false when the
// track is damaged there.
bool Lire(Curseur& c, Evenement& e) {
    if (c.pos == c.fin) {
        return false;
    }
    Octet s = *c.pos;
    if ((s & 0x80) != 0) {
        ++c.pos;
    } else if (c.statut != 0) {
        s = c.statut;
    } else {
        return false;
    }
    e = Evenement{s, 0, nullptr, 0};
    if (s < 0xF0) {
        c.statut = s;
        const int n = (s & 0xE0) == 0xC0 ? 1 : 2;
        if (c.fin - c.pos < n) {
            return false;
        }
        e.donnees = c.pos;
        e.taille = n;
        c.pos += n;
    } else if (s == 0xF0 || s == 0xF7 || s == 0xFF) {
        if (s == 0xFF) {
            if (c.pos == c.fin) {
                return false;
            }
            e.type = *c.pos++;
        }
        quint32 n = 0;
        if (!LireNombre(c.pos, c.fin, n) || n > quint32(c.fin - c.pos)) {
            return false;
        }
        e.donnees = c.pos;
        e.taille = int(n);
        c.pos += n;
        if (s == 0xFF && e.type == 0x2F) {
            c.fini = true;
            return true;
        }
    } else {
        return false;
    }
    return LireDelta(c);
}

bool EstNote(const Evenement& e) {
    return (e.statut & 0xF0) == 0x90 && (e.donnees[1] & 0x7F) != 0;
}

// Moves c to the next note that sounds, or to the track's end.
void ChercherNote(Curseur& c) {
    while (!c.fini) {
        Curseur d = c;
        Evenement e;
        if (!Lire(d, e) || EstNote(e)) {
            return;
        }
        c = d;
    }
}

quint32 Mot32(const Octet* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

} // namespace

// A standard MIDI file played from its own bytes, each track with its
// cursor: the work of a block is the events due in it, and its memory the
// file's.
class MoteurSon::Piece {
public:
    explicit Piece(QByteArray fichier);
    // Set when the file cannot be played at all.
    std::optional<FinPiece> Panne() const { return panne_; }
    void Rembobiner();
    // Sends the events due now to synthe, then lets frames pass; the end of
    // the play when it ends here.
    std::optional<FinPiece> Jouer(fluid_synth_t* synthe, int frames,
                                  std::atomic<std::int64_t>& envoyes);
    int Position() const { return int(std::min<double>(tick_, std::numeric_limits<int>::max())); }

private:
    struct Piste {
        const Octet* debut;
        const Octet* fin;
        Curseur lu;
        // At the track's next note that sounds.
        Curseur note;
    };
    void Envoyer(fluid_synth_t* synthe, const Evenement& e);
    double UsParTick() const { return division_ > 0 ? double(tempo_) / division_ : usTickSmpte_; }
    qint64 Prochain() const;
    double Silence() const;

    QByteArray fichier_;
    std::vector<Piste> pistes_;
    std::optional<FinPiece> panne_;
    qint64 duree_ = 0;
    int division_ = 0; // ticks a quarter note; 0 in SMPTE time
    double usTickSmpte_ = 0;

    double tick_ = 0;
    int tempo_ = 500000; // microseconds a quarter note
    qint64 prochain_ = 0;
    int framesFenetre_ = 0;
    int evenementsFenetre_ = 0;
    qint64 framesJouees_ = 0;
};

MoteurSon::Piece::Piece(QByteArray fichier) : fichier_(std::move(fichier)) {
    const auto* p = reinterpret_cast<const Octet*>(fichier_.constData());
    const Octet* const fin = p + fichier_.size();
    panne_ = FinPiece::Vide;
    if (fin - p < 14 || std::memcmp(p, "MThd", 4) != 0) {
        return;
    }
    const quint32 entete = Mot32(p + 4);
    const int format = p[8] << 8 | p[9];
    const int pistes = p[10] << 8 | p[11];
    if (entete < 6 || entete > quint32(fin - p - 8) || format > 2) {
        return;
    }
    if ((p[12] & 0x80) != 0) {
        // Frames a second (29 stands for 29.97) and ticks a frame.
        const int images = -static_cast<signed char>(p[12]);
        if (p[13] == 0) {
            return;
        }
        usTickSmpte_ = 1e6 / ((images == 29 ? 29.97 : images) * p[13]);
    } else {
        // Ticks of no duration: the piece would never move on.
        division_ = p[12] << 8 | p[13];
        if (division_ == 0) {
            return;
        }
    }
    p += 8 + entete;
    qint64 notes = 0;
    pistes_.reserve(std::min(pistes, int((fin - p) / 8)));
    for (int i = 0; i < pistes; ++i) {
        // Chunks of other kinds are skipped.
        for (bool trouvee = false; !trouvee;) {
            if (fin - p < 8 || Mot32(p + 4) > quint32(fin - p - 8)) {
                return;
            }
            const quint32 n = Mot32(p + 4);
            trouvee = std::memcmp(p, "MTrk", 4) == 0;
            if (trouvee) {
                pistes_.push_back({p + 8, p + 8 + n, {}, {}});
            }
            p += 8 + n;
        }
        Curseur c;
        Evenement e;
        if (!Debuter(c, pistes_.back().debut, pistes_.back().fin)) {
            return;
        }
        qint64 derniere = 0;
        while (!c.fini) {
            derniere = c.tick;
            if (!Lire(c, e)) {
                return;
            }
            notes += EstNote(e) ? 1 : 0;
        }
        duree_ = std::max(duree_, derniere);
    }
    if (duree_ == 0) {
        return;
    }
    panne_.reset();
    if (notes == 0) {
        panne_ = FinPiece::Muette;
    }
    Rembobiner();
}

void MoteurSon::Piece::Rembobiner() {
    tick_ = 0;
    tempo_ = 500000;
    framesFenetre_ = 0;
    evenementsFenetre_ = 0;
    framesJouees_ = 0;
    for (Piste& t : pistes_) {
        Debuter(t.lu, t.debut, t.fin);
        t.note = t.lu;
        ChercherNote(t.note);
    }
    prochain_ = Prochain();
}

qint64 MoteurSon::Piece::Prochain() const {
    qint64 p = kJamais;
    for (const Piste& t : pistes_) {
        if (!t.lu.fini) {
            p = std::min(p, t.lu.tick);
        }
    }
    return p;
}

// Seconds until a note sounds; to the end when none is left.
double MoteurSon::Piece::Silence() const {
    qint64 note = duree_;
    for (const Piste& t : pistes_) {
        if (!t.note.fini) {
            note = std::min(note, t.note.tick);
        }
    }
    return std::max(0.0, double(note) - tick_) * UsParTick() / 1e6;
}

std::optional<FinPiece> MoteurSon::Piece::Jouer(fluid_synth_t* synthe, int frames,
                                                std::atomic<std::int64_t>& envoyes) {
    if (panne_) {
        return panne_;
    }
    const auto maintenant = qint64(tick_);
    if (prochain_ <= maintenant) {
        for (Piste& t : pistes_) {
            while (!t.lu.fini && t.lu.tick <= maintenant) {
                if (++evenementsFenetre_ > kEvenementsParBloc) {
                    return FinPiece::Surchargee;
                }
                const bool note = t.lu.pos == t.note.pos && !t.note.fini;
                Evenement e;
                Lire(t.lu, e);
                Envoyer(synthe, e);
                ++envoyes;
                if (note) {
                    t.note = t.lu;
                    ChercherNote(t.note);
                }
            }
        }
        prochain_ = Prochain();
        if (prochain_ == kJamais) {
            // A piece over before a block has passed would loop without end.
            return framesJouees_ < kBloc ? FinPiece::Vide : FinPiece::Terminee;
        }
    }
    framesJouees_ += frames;
    framesFenetre_ += frames;
    if (framesFenetre_ >= kBloc) {
        framesFenetre_ = 0;
        evenementsFenetre_ = 0;
        if (Silence() > kSilenceMax) {
            return FinPiece::Muette;
        }
    }
    tick_ += frames * 1e6 / kFrequence / UsParTick();
    return std::nullopt;
}

void MoteurSon::Piece::Envoyer(fluid_synth_t* synthe, const Evenement& e) {
    const int canal = e.statut & 0x0F;
    const int a = e.taille > 0 ? e.donnees[0] & 0x7F : 0;
    const int b = e.taille > 1 ? e.donnees[1] & 0x7F : 0;
    switch (e.statut & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synthe, canal, a);
        break;
    case 0x90:
        if (b == 0) {
            fluid_synth_noteoff(synthe, canal, a);
        } else {
            fluid_synth_noteon(synthe, canal, a, b);
        }
        break;
    case 0xA0:
        fluid_synth_key_pressure(synthe, canal, a, b);
        break;
    case 0xB0:
        fluid_synth_cc(synthe, canal, a, b);
        break;
    case 0xC0:
        fluid_synth_program_change(synthe, canal, a);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synthe, canal, a);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synthe, canal, a | b << 7);
        break;
    default:
        if (e.statut == 0xF0 && e.taille > 0) {
            const int n = e.donnees[e.taille - 1] == 0xF7 ? e.taille - 1 : e.taille;
            fluid_synth_sysex(synthe, reinterpret_cast<const char*>(e.donnees), n, nullptr, nullptr,
                              nullptr, 0);
        } else if (e.statut == 0xFF && e.type == 0x51 && e.taille == 3) {
            tempo_ = std::max(1, e.donnees[0] << 16 | e.donnees[1] << 8 | e.donnees[2]);
        }
        break;
    }
}

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
    piece_.reset();
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

// The engine's thread: the work handed over, the silent clock's blocks when
// there is no sound output, and a watch on the output while it sounds.
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
        if (horloge_ && actif_) {
            if (reveil_.wait_until(verrou, prochain) == std::cv_status::timeout) {
                verrou.unlock();
                RendreBloc(kBloc, g.data(), d.data());
                verrou.lock();
                prochain += duree;
            }
            continue;
        }
        if (pilote_ != nullptr && actif_) {
            reveil_.wait_for(verrou, kGuet);
            verrou.unlock();
            Guetter();
            verrou.lock();
        } else {
            reveil_.wait(verrou);
        }
        prochain = Horloge::now();
    }
}

// An output that went away (its server stopped) asks for no more blocks: the
// music then goes on with the silent clock, and the loss is told once.
void MoteurSon::Guetter() {
    const auto muette =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(kSortieMuette);
    if (horloge_ || !actif_ || Maintenant() - dernierBloc_ < muette.count()) {
        return;
    }
    std::lock_guard verrou(rendu_);
    horloge_ = true;
    if (rappels_.sansSortie) {
        rappels_.sansSortie(true);
    }
}

void MoteurSon::PreparerReglages() {
    FaireTaireFluidSynth();
    if (reglages_ != nullptr) {
        return;
    }
    reglages_ = new_fluid_settings();
    fluid_settings_setnum(reglages_, "synth.sample-rate", kFrequence);
    // Samples are read when an instrument is first chosen, not all at once.
    fluid_settings_setint(reglages_, "synth.dynamic-sample-loading", 1);
}

bool MoteurSon::AssurerSynthe(const QStringList& fontes) {
    PreparerReglages();
    for (const QString& fonte : fontes) {
        if (synthe_ != nullptr && fonte == fonte_) {
            return true;
        }
        if (fontesIllisibles_.contains(fonte)) {
            continue;
        }
        fluid_synth_t* synthe = new_fluid_synth(reglages_);
        if (synthe == nullptr ||
            fluid_synth_sfload(synthe, fonte.toLocal8Bit().constData(), 1) < 0) {
            if (synthe != nullptr) {
                delete_fluid_synth(synthe);
            }
            fontesIllisibles_.insert(fonte);
            continue;
        }
        std::unique_ptr<Piece> ancienne;
        std::lock_guard verrou(rendu_);
        ancienne = std::move(piece_);
        joue_ = false;
        if (synthe_ != nullptr) {
            delete_fluid_synth(synthe_);
        }
        synthe_ = synthe;
        fonte_ = fonte;
        return true;
    }
    return false;
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
    dernierBloc_ = Maintenant();
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
        rappels_.sansSortie(false);
    }
}

void MoteurSon::OuvrirPiece(const QString& chemin, const QStringList& fontes) {
    Confier([this, chemin, fontes] {
        QByteArray midi;
        QString erreur;
        try {
            midi = ReadWholeFile(chemin, kTaillePieceMax);
        } catch (const Exception& e) {
            erreur = e.Message();
        }
        if (erreur.isEmpty() && !AssurerSynthe(fontes)) {
            erreur = fontes.size() == 1
                         ? QStringLiteral("La fonte sonore %1 est illisible").arg(fontes[0])
                         : QStringLiteral("Aucune des fontes sonores installées n'est lisible "
                                          "(%1) : la musique ne peut être jouée")
                               .arg(fontes.join(QStringLiteral(", ")));
        }
        if (!erreur.isEmpty()) {
            std::lock_guard verrou(rendu_);
            if (rappels_.erreur) {
                rappels_.erreur(erreur);
            }
            return;
        }
        AssurerSortie(true);
        // Read here, off the renderer's lock; the old piece is freed off it too.
        auto piece = std::make_unique<Piece>(std::move(midi));
        std::lock_guard verrou(rendu_);
        std::swap(piece_, piece);
        joue_ = false;
        fluid_synth_system_reset(synthe_);
    });
}

void MoteurSon::Jouer(bool rembobiner, int lecture) {
    Confier([this, rembobiner, lecture] {
        std::lock_guard verrou(rendu_);
        if (piece_ == nullptr) {
            return;
        }
        if (rembobiner) {
            // As the piece was heard first: its instruments and controllers anew.
            piece_->Rembobiner();
            fluid_synth_system_reset(synthe_);
        }
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
            fluid_synth_all_notes_off(synthe_, -1);
        }
    });
}

void MoteurSon::FermerPiece() {
    Confier([this] {
        std::unique_ptr<Piece> piece;
        std::lock_guard verrou(rendu_);
        joue_ = false;
        if (piece_ != nullptr) {
            std::swap(piece_, piece);
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
    return piece_ == nullptr ? -1 : piece_->Position();
}

void MoteurSon::RendreBloc(int n, float* gauche, float* droite) {
    std::lock_guard verrou(rendu_);
    for (int fait = 0; fait < n;) {
        const int m = std::min(kTranche, n - fait);
        // The piece ends with its last event, as a sequencer's does; its last
        // notes fade out.
        if (joue_ && piece_ != nullptr) {
            if (const auto fin = piece_->Jouer(synthe_, m, evenements_)) {
                joue_ = false;
                if (*fin == FinPiece::Terminee) {
                    fluid_synth_all_notes_off(synthe_, -1);
                } else {
                    fluid_synth_all_sounds_off(synthe_, -1);
                }
                if (rappels_.fin) {
                    rappels_.fin(lecture_, *fin);
                }
            }
        }
        if (synthe_ != nullptr) {
            fluid_synth_write_float(synthe_, m, gauche, fait, 1, droite, fait, 1);
        } else {
            std::fill(gauche + fait, gauche + fait + m, 0.0F);
            std::fill(droite + fait, droite + fait + m, 0.0F);
        }
        fait += m;
    }
    // The wave has half the rate: each sample lasts two frames.
    for (int i = 0; i < n && ondePos_ < 2 * onde_.size(); ++i, ++ondePos_) {
        const auto octet = static_cast<unsigned char>(onde_[ondePos_ / 2]);
        const float v = (static_cast<float>(octet) - 128.0F) / 128.0F;
        gauche[i] += v;
        droite[i] += v;
    }
    actif_ = joue_ || ondePos_ < 2 * onde_.size();
}

int MoteurSon::Rappel(void* donnees, int len, int, float*[], int nout, float* out[]) {
    if (nout < 2) {
        return FLUID_FAILED;
    }
    auto* moteur = static_cast<MoteurSon*>(donnees);
    moteur->dernierBloc_ = Maintenant();
    {
        // Given up for lost: the silent clock keeps the time now.
        std::lock_guard verrou(moteur->rendu_);
        if (moteur->horloge_) {
            std::fill(out[0], out[0] + len, 0.0F);
            std::fill(out[1], out[1] + len, 0.0F);
            return FLUID_OK;
        }
    }
    moteur->RendreBloc(len, out[0], out[1]);
    return FLUID_OK;
}

} // namespace qcm::platform
