#include "Sons.h"

#include "MoteurSon.h"
#include "core/Errors.h"
#include "sons/Chao.h"

#include <QtEndian>

namespace qcm::platform {

using namespace qcm::core;

namespace {

quint32 Mot32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 Mot16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

} // namespace

QByteArray EchantillonsOnde(const QByteArray& wav) {
    const Exception invalide(QStringLiteral("Son invalide"));
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE") {
        throw invalide;
    }
    bool format = false;
    qsizetype at = 12;
    while (at + 8 <= wav.size()) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 taille = Mot32(wav, at + 4);
        at += 8;
        if (taille > static_cast<quint64>(wav.size() - at)) {
            throw invalide;
        }
        if (id == "fmt ") {
            format = taille >= 16 && Mot16(wav, at) == 1 && Mot16(wav, at + 2) == 1 &&
                     Mot32(wav, at + 4) == MoteurSon::kFrequence / 2 && Mot16(wav, at + 14) == 8;
        } else if (id == "data") {
            if (!format) {
                throw invalide;
            }
            return wav.mid(at, taille);
        }
        at += taille + (taille & 1);
    }
    throw invalide;
}

QByteArray Chao() {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(sons::kChao), sons::kTailleChao);
}

void Sons::JouerDepart() {
    static const QByteArray echantillons = EchantillonsOnde(Chao());
    moteur_.JouerOnde(echantillons);
}

} // namespace qcm::platform
