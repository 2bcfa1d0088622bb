#include "Glyphes.h"

#include <QImageReader>
#include <QPixmap>

namespace qcm::editor::glyphes {

namespace {
QString Chemin(const QString& nom) {
    return QStringLiteral(":/glyphes/%1.png").arg(nom);
}
// Read as PNG outright: left to guess, Qt loads every image plugin (and the
// libraries behind them) to ask each one first.
QImage Png(const QString& chemin) {
    QImageReader lecteur(chemin, "png");
    lecteur.setAutoDetectImageFormat(false);
    return lecteur.read();
}
} // namespace

QImage Image(const QString& nom) {
    return Png(Chemin(nom));
}

QImage Glyphe(const QString& nom) {
    QImage img = Image(nom);
    if (img.isNull()) {
        return img;
    }
    img = img.convertToFormat(QImage::Format_ARGB32);
    const QRgb cle = img.pixel(0, img.height() - 1);
    for (int y = 0; y < img.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (ligne[x] == cle) {
                ligne[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return img;
}

QCursor Doigt() {
    const QPixmap main = QPixmap::fromImage(Image(QStringLiteral("DOIGT")));
    if (main.isNull()) {
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(main, 11, 9);
}

QImage Icone() {
    return Image(QStringLiteral("MAINICON"));
}

} // namespace qcm::editor::glyphes
