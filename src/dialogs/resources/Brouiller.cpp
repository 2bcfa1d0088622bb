// Scrambles the about box's texts: reads lines of UTF-8 text on standard
// input and prints each, in Windows-1252 and scrambled with the box's key,
// as a C++ string literal to paste into FaideTextes.cpp.
#include "core/Cp1252.h"
#include "dialogs/Codage.h"
#include "dialogs/FaideTextes.h"

#include <cstdio>
#include <iostream>
#include <string>

int main() {
    using namespace qcm;
    const QByteArrayView cle(dialogs::textes::kCle.data(),
                             static_cast<qsizetype>(dialogs::textes::kCle.size()));
    std::string ligne;
    while (std::getline(std::cin, ligne)) {
        const QString texte = QString::fromUtf8(ligne.data(), static_cast<qsizetype>(ligne.size()));
        if (!core::cp1252::CanEncode(texte)) {
            std::fprintf(stderr, "not in Windows-1252: %s\n", ligne.c_str());
            return 1;
        }
        const QByteArray brouille = dialogs::codage::Coder(cle, core::cp1252::Encode(texte));
        std::printf("\"");
        for (const char c : brouille) {
            std::printf("\\x%02x", static_cast<unsigned char>(c));
        }
        std::printf("\"sv,\n");
    }
    return 0;
}
