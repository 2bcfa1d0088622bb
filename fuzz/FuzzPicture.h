#pragma once

// What every picture fuzz target shares: a GUI application on the offscreen
// platform, and the load-then-draw round of one picture kind.
#include "pictures/Graphic.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

// Qt's font database keeps fontconfig patterns for the life of the process.
// Not inline: each target is one file, and the sanitizer must find it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace qcm::fuzz {

using namespace qcm::core;
using namespace qcm::pictures;

inline void StartApplication(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Damaged files make Qt warn about fonts and pens; the warnings only slow the run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication app(*argc, *argv);
}

// Loads the bytes as a Kind. It must accept them or raise Error; what it
// accepts must report a sane size and draw.
template <class Kind, class Error = EInvalidGraphic>
int LoadAndDraw(const std::uint8_t* data, std::size_t size, int side = 16) {
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    buffer.open(QIODevice::ReadOnly);
    Kind picture;
    try {
        picture.LoadFromStream(buffer);
    } catch (const Error&) {
        return 0;
    }
    if (picture.Width() < 0 || picture.Height() < 0) {
        std::abort();
    }
    QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    picture.Draw(painter, canvas.rect());
    return 0;
}

} // namespace qcm::fuzz
