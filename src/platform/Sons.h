#pragma once

#include <QByteArray>

namespace qcm::platform {

class MoteurSon;

// The short sound played on leaving the editor, CHAO, built into the program.
class Sons {
public:
    explicit Sons(MoteurSon& moteur) : moteur_(moteur) {}
    // Starts the leaving sound and returns at once.
    void JouerDepart();

private:
    MoteurSon& moteur_;
};

// The samples of a wave file as CHAO is made (RIFF WAVE, PCM, mono,
// 22050 Hz, 8 bits). Raises core::Exception when wav is not one.
QByteArray EchantillonsOnde(const QByteArray& wav);

// The wave file CHAO.
QByteArray Chao();

} // namespace qcm::platform
