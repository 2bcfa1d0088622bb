#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The about box's texts are kept scrambled: each byte has the key's byte
// added modulo 256, the key starting over at its first letter.
namespace qcm::dialogs::codage {

// The text back from its scrambled bytes. Empty data gives empty text; an
// empty key leaves the data as it is.
QByteArray Decoder(QByteArrayView cle, QByteArrayView donnees);

// The scrambled bytes of texte, for the tool that prepares new texts.
QByteArray Coder(QByteArrayView cle, QByteArrayView texte);

} // namespace qcm::dialogs::codage
