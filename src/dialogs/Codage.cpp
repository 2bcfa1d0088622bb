#include "Codage.h"

namespace qcm::dialogs::codage {

namespace {

// signe: -1 to take the key off, +1 to add it.
QByteArray Appliquer(QByteArrayView cle, QByteArrayView donnees, int signe) {
    if (donnees.isEmpty()) {
        return {};
    }
    if (cle.isEmpty()) {
        return donnees.toByteArray();
    }
    QByteArray out(donnees.size(), Qt::Uninitialized);
    qsizetype k = 0;
    for (qsizetype p = 0; p < donnees.size(); ++p) {
        const int octet = static_cast<unsigned char>(donnees[p]);
        const int decalage = static_cast<unsigned char>(cle[k]);
        out[p] = static_cast<char>((octet + signe * decalage + 256) % 256);
        k = (k + 1) % cle.size();
    }
    return out;
}

} // namespace

QByteArray Decoder(QByteArrayView cle, QByteArrayView donnees) {
    return Appliquer(cle, donnees, -1);
}

QByteArray Coder(QByteArrayView cle, QByteArrayView texte) {
    return Appliquer(cle, texte, +1);
}

} // namespace qcm::dialogs::codage
