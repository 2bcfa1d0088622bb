#include "Glyphes.h"

#include <QPixmap>

namespace qcm::editor::glyphes {

namespace {
QString chemin(const QString& nom) {
    return QStringLiteral(":/glyphes/%1.png").arg(nom);
}
} // namespace

QImage Glyphe(const QString& nom) {
    QImage img(chemin(nom));
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
    const QPixmap main(chemin(QStringLiteral("DOIGT")));
    if (main.isNull()) {
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(main, 11, 9);
}

QImage Icone() {
    return QImage(chemin(QStringLiteral("MAINICON")));
}

} // namespace qcm::editor::glyphes
