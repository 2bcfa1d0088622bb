#pragma once

#include <QByteArray>
#include <QString>

// The questionnaire file is Windows-1252; the program works in Unicode.
// Conversion happens only at the file boundary, through these two functions.
namespace qcm::core::cp1252 {

// Every byte has a character: the five bytes that code page 1252 leaves
// undefined map to the C1 controls of the same value, so any file reads and
// writes back unchanged.
QString Decode(QByteArrayView bytes);

// True when every character of text has a byte in code page 1252.
bool CanEncode(QStringView text);
bool CanEncode(QChar c);

// Characters without a byte become '?'; callers check canEncode() first
// where a loss would matter.
QByteArray Encode(QStringView text);

} // namespace qcm::core::cp1252
