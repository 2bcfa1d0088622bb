#include "Glyphes.h"

#include <QPixmap>

namespace qcm::editor::glyphes {

namespace {
QString Chemin(const QString& nom) {
    return QStringLiteral(":/glyphes/%1.png").arg(nom);
}
} // namespace

QImage Glyphe(const QString& nom) {
    QImage img(Chemin(nom));
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
    const QPixmap main(Chemin(QStringLiteral("DOIGT")));
    if (main.isNull()) {
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(main, 11, 9);
}

QImage Icone() {
    return QImage(Chemin(QStringLiteral("MAINICON")));
}

} // namespace qcm::editor::glyphes
