// Background music: time from Open to the first rendered block (the first
// piece of a run loads the sound font, later ones do not); the share of one
// core, and the memory, that 3 minutes of a typical piece take against a
// 12 MB piece; and a "note storm" (5.5 million note-ons at one instant): the
// blocks and time until its verdict, and how long the engine takes to go
// away while it plays on the sound output (or its silent clock).
#include "platform/MoteurSon.h"
#include "platform/Musique.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <memory>

using namespace qcm::platform;

namespace {

void Varlen(QByteArray& b, quint32 v) {
    QByteArray t(1, char(v & 0x7F));
    while ((v >>= 7) != 0) {
        t.prepend(char(0x80 | (v & 0x7F)));
    }
    b += t;
}

QByteArray Fichier(const QByteArray& piste) {
    QByteArray f = QByteArray::fromHex("4d546864000000060000000101e0") + "MTrk";
    const quint32 n = piste.size() + 4;
    f += char(n >> 24);
    f += char(n >> 16);
    f += char(n >> 8);
    f += char(n);
    return f + piste + QByteArray::fromHex("00ff2f00");
}

// Four instruments (piano, strings, bass, flute) playing eighth notes at 120
// beats a minute (480 ticks a beat), one track; with expression, each
// instrument also moves its expression controller every 5 ticks, as the
// pieces a sequencer exports do.
QByteArray Piece(int secondes, bool expression) {
    QByteArray t;
    const int programmes[] = {0, 48, 33, 73};
    for (int c = 0; c < 4; ++c) {
        t += char(0);
        t += char(0xC0 | c);
        t += char(programmes[c]);
    }
    const int pas = 240; // an eighth note
    const int fin = secondes * 960;
    int dernier = 0;
    auto evenement = [&](int tick, int statut, int a, int b) {
        Varlen(t, tick - dernier);
        dernier = tick;
        t += char(statut);
        t += char(a);
        t += char(b);
    };
    for (int tick = 0; tick < fin; tick += expression ? 5 : pas) {
        if (tick % pas == 0) {
            const int i = tick / pas;
            for (int c = 0; c < 4 && i > 0; ++c) {
                evenement(tick, 0x80 | c, 48 + c * 7 + ((i - 1) * 5 + c) % 12, 0);
            }
            for (int c = 0; c < 4; ++c) {
                evenement(tick, 0x90 | c, 48 + c * 7 + (i * 5 + c) % 12, 90);
            }
        }
        for (int c = 0; c < 4 && expression; ++c) {
            evenement(tick, 0xB0 | c, 11, 64 + (tick / 5 + c * 16) % 64);
        }
    }
    return Fichier(t);
}

// Note-ons at the first instant, as many as 16 MB hold, then one second.
QByteArray Tempete() {
    QByteArray t = QByteArray::fromHex("00c000"
                                       "00903c64");
    const int notes = 5500000;
    t.reserve(notes * 3 + 16);
    for (int i = 1; i < notes; ++i) {
        t += char(0);
        t += char(i % 128);
        t += char(100);
    }
    return Fichier(t + QByteArray::fromHex("8740803c00"));
}

double Cpu() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The process's resident memory, in MB.
double Memoire() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& ligne : f.readAll().split('\n')) {
        if (ligne.startsWith("VmRSS:")) {
            return ligne.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024;
        }
    }
    return 0;
}

QString Ecrire(const QTemporaryDir& dossier, const char* nom, const QByteArray& contenu) {
    const QString chemin = dossier.filePath(QString::fromLatin1(nom));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
        std::fprintf(stderr, "cannot write %s\n", nom);
        std::exit(1);
    }
    return chemin;
}

void Mesurer(MoteurSon& moteur, Musique& m, const QString& chemin, const char* nom) {
    const double avant = Memoire();
    QElapsedTimer t;
    t.start();
    m.FileName = chemin;
    m.Open();
    m.Play();
    moteur.Rendre(1024);
    const double ouverture = t.nsecsElapsed() / 1e6;
    const double debut = Cpu();
    const int secondes = 180;
    moteur.Rendre(secondes * MoteurSon::kFrequence);
    const double cpu = Cpu() - debut;
    std::printf("%-16s Open to first block %7.1f ms; 3 minutes: %5.2f s of CPU, %5.2f %% of one "
                "core; memory +%.0f MB\n",
                nom, ouverture, cpu, 100.0 * cpu / secondes, Memoire() - avant);
    m.Close();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dossier;
    const QString typique = Ecrire(dossier, "typique.mid", Piece(180, false));
    const QByteArray grand = Piece(3600, true);
    const QString gros = Ecrire(dossier, "gros.mid", grand);
    const QString tempete = Ecrire(dossier, "tempete.mid", Tempete());
    std::printf("sound font: %s\n", qPrintable(FonteGeneralMidi()));

    {
        MoteurSon moteur(SortieSon::Memoire);
        Musique m(moteur);
        m.FileName = typique;
        for (const char* tour : {"first Open of the run", "next Open"}) {
            QElapsedTimer t;
            t.start();
            m.Open();
            m.Play();
            moteur.Rendre(1024);
            std::printf("%-22s Open to first rendered block: %6.1f ms\n", tour,
                        t.nsecsElapsed() / 1e6);
        }
        Mesurer(moteur, m, typique, "typical piece");
        std::printf("(%.1f MB, one hour) ", grand.size() / 1e6);
        Mesurer(moteur, m, gros, "");
    }

    // The storm rendered in memory: blocks until the engine gives its verdict.
    {
        MoteurSon moteur(SortieSon::Memoire);
        Musique m(moteur);
        QString verdict;
        m.OnErreur = [&](const QString& texte) { verdict = texte; };
        m.FileName = tempete;
        QElapsedTimer t;
        t.start();
        m.Open();
        m.Notify(true);
        m.Play();
        int blocs = 0;
        for (; verdict.isEmpty() && blocs < 2000; ++blocs) {
            moteur.Rendre(1024);
            QCoreApplication::processEvents();
        }
        std::printf("storm (%.1f MB): verdict after %d blocks, %.0f ms: %s\n",
                    QFile(tempete).size() / 1e6, blocs, t.nsecsElapsed() / 1e6,
                    verdict.isEmpty() ? "none" : qPrintable(verdict));
    }

    // The storm on the sound output, then leaving while it plays.
    {
        auto moteur = std::make_unique<MoteurSon>(SortieSon::Systeme);
        auto m = std::make_unique<Musique>(*moteur);
        m->FileName = tempete;
        m->Open();
        m->Play();
        QThread::msleep(500);
        QElapsedTimer t;
        t.start();
        m.reset();
        moteur.reset();
        std::printf("storm playing on the sound output: leaving takes %.0f ms\n",
                    t.nsecsElapsed() / 1e6);
    }
    return 0;
}
