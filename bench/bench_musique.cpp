// Background music: time from Open to the first rendered block (the first
// piece of a run loads the sound font, later ones do not), and the share of
// one core that rendering a typical 3-minute piece takes.
#include "platform/MoteurSon.h"
#include "platform/Musique.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace qcm::platform;

namespace {

void Varlen(QByteArray& b, quint32 v) {
    QByteArray t(1, char(v & 0x7F));
    while ((v >>= 7) != 0) {
        t.prepend(char(0x80 | (v & 0x7F)));
    }
    b += t;
}

// Four instruments (piano, strings, bass, flute) playing eighth notes at
// 120 beats a minute for three minutes, one track: about 6000 notes.
QByteArray PieceTypique() {
    QByteArray t;
    const int programmes[] = {0, 48, 33, 73};
    for (int c = 0; c < 4; ++c) {
        t += char(0);
        t += char(0xC0 | c);
        t += char(programmes[c]);
    }
    const int pas = 240; // an eighth note, 480 ticks a beat
    const int notes = 180 * 4;
    for (int i = 0; i < notes; ++i) {
        for (int c = 0; c < 4; ++c) {
            Varlen(t, 0);
            t += char(0x90 | c);
            t += char(48 + c * 7 + (i * 5 + c) % 12);
            t += char(90);
        }
        for (int c = 0; c < 4; ++c) {
            Varlen(t, c == 0 ? pas : 0);
            t += char(0x80 | c);
            t += char(48 + c * 7 + (i * 5 + c) % 12);
            t += char(0);
        }
    }
    t += QByteArray::fromHex("00ff2f00");
    QByteArray f = QByteArray::fromHex("4d546864000000060000000101e0") + "MTrk";
    const quint32 n = t.size();
    f += char(n >> 24);
    f += char(n >> 16);
    f += char(n >> 8);
    f += char(n);
    return f + t;
}

double Cpu() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("fond musical.mid"));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(PieceTypique()) < 0) {
        return 1;
    }
    f.close();
    std::printf("sound font: %s\n", qPrintable(FonteGeneralMidi()));

    MoteurSon moteur(SortieSon::Memoire);
    Musique m(moteur);
    m.FileName = chemin;
    for (const char* tour : {"first Open of the run", "next Open"}) {
        QElapsedTimer t;
        t.start();
        m.Open();
        m.Play();
        moteur.Rendre(1024);
        std::printf("%-22s Open to first rendered block: %6.1f ms\n", tour, t.nsecsElapsed() / 1e6);
    }

    const double debut = Cpu();
    const int secondes = 180;
    moteur.Rendre(secondes * MoteurSon::kFrequence);
    const double cpu = Cpu() - debut;
    std::printf("3-minute piece: %.2f s of CPU, %.2f %% of one core\n", cpu,
                100.0 * cpu / secondes);
    return 0;
}
