// The MIDI reader and player on arbitrary bytes: the piece is opened and
// played for a few blocks on the real synthesizer, in memory. One engine for
// the run, so that the sound font loads once.
#include "platform/MoteurSon.h"
#include "platform/Musique.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qcm::platform;
    static MoteurSon moteur(SortieSon::Memoire);
    static const QTemporaryDir dossier;
    static const QStringList fontes = FontesGeneralMidi();
    const QString chemin = dossier.filePath(QStringLiteral("piece.mid"));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size)) {
        std::abort();
    }
    f.close();
    moteur.OuvrirPiece(chemin, fontes);
    moteur.Jouer(false, 1);
    moteur.Rendre(8 * MoteurSon::kBloc);
    moteur.Jouer(true, 2);
    moteur.Rendre(2 * MoteurSon::kBloc);
    moteur.FermerPiece();
    return 0;
}
