#pragma once

#include <QCursor>
#include <QImage>
#include <QString>

// The pictures built into the program.
namespace qcm::editor::glyphes {

// The picture named nom as it is built in; a null image when there is none.
QImage Image(const QString& nom);

// The glyph named nom ("Cocheon", "Fin", ...) with the colour of its
// bottom-left pixel made transparent, as glyph buttons draw it. A null image
// when there is no such glyph.
QImage Glyphe(const QString& nom);

// The pointing-hand cursor DOIGT, hot spot at the fingertip (11, 9); the
// arrow when the picture is missing.
QCursor Doigt();

// The application icon MAINICON.
QImage Icone();

} // namespace qcm::editor::glyphes
