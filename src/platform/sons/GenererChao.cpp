// Writes the leaving sound CHAO, a RIFF WAVE file (PCM, mono, 22050 Hz,
// 8 bits, 21760 samples), as a C++ array into the file given on the command
// line. Integer arithmetic only, so the sound is the same on every machine:
// two falling notes of a soft triangle wave, each fading out.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr std::uint32_t kFrequence = 22050;
constexpr std::uint32_t kEchantillons = 21760;

void Mot(std::vector<std::uint8_t>& b, std::uint32_t v, int octets) {
    for (int i = 0; i < octets; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// Sample i of a note of frequence hertz starting at debut, length longueur.
int Note(std::uint32_t i, std::uint32_t debut, std::uint32_t longueur, std::uint32_t frequence) {
    if (i < debut || i >= debut + longueur) {
        return 0;
    }
    const std::uint32_t t = i - debut;
    // Phase on 16 bits: a triangle from -32768 to 32767.
    const std::uint32_t phase =
        static_cast<std::uint32_t>((std::uint64_t{t} * frequence * 65536) / kFrequence) & 0xFFFF;
    const int tri = phase < 32768 ? static_cast<int>(phase) * 2 - 32768
                                  : 32767 - (static_cast<int>(phase) - 32768) * 2;
    // Short attack, then a linear fade to silence.
    const int attaque = 220;
    const int reste = static_cast<int>(longueur - t);
    const int enveloppe = static_cast<int>(t) < attaque ? static_cast<int>(t) * 256 / attaque
                                                        : reste * 256 / static_cast<int>(longueur);
    return tri / 256 * enveloppe / 256 * 90 / 128;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s Chao.cpp\n", argv[0]);
        return 2;
    }
    std::vector<std::uint8_t> wav;
    for (char c : {'R', 'I', 'F', 'F'}) {
        wav.push_back(static_cast<std::uint8_t>(c));
    }
    Mot(wav, 36 + kEchantillons, 4);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) {
        wav.push_back(static_cast<std::uint8_t>(c));
    }
    Mot(wav, 16, 4);
    Mot(wav, 1, 2);          // PCM
    Mot(wav, 1, 2);          // mono
    Mot(wav, kFrequence, 4); // samples per second
    Mot(wav, kFrequence, 4); // bytes per second
    Mot(wav, 1, 2);          // block align
    Mot(wav, 8, 2);          // bits per sample
    for (char c : {'d', 'a', 't', 'a'}) {
        wav.push_back(static_cast<std::uint8_t>(c));
    }
    Mot(wav, kEchantillons, 4);
    for (std::uint32_t i = 0; i < kEchantillons; ++i) {
        const int v = Note(i, 0, 9000, 784) + Note(i, 7000, kEchantillons - 7000, 523);
        const int octet = 128 + v;
        wav.push_back(static_cast<std::uint8_t>(octet < 0 ? 0 : (octet > 255 ? 255 : octet)));
    }
    std::FILE* f = std::fopen(argv[1], "w");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(f, "// Written by GenererChao.\n#include \"platform/sons/Chao.h\"\n\n"
                    "namespace qcm::platform::sons {\n\nconst unsigned char kChao[] = {");
    for (std::size_t i = 0; i < wav.size(); ++i) {
        std::fprintf(f, "%s%u,", i % 24 == 0 ? "\n" : "", wav[i]);
    }
    std::fprintf(f, "\n};\nconst std::size_t kTailleChao = sizeof(kChao);\n\n}\n");
    return std::fclose(f) == 0 ? 0 : 1;
}
