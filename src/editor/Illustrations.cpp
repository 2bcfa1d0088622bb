#include "Illustrations.h"

#include "pictures/Bitmap.h"
#include "pictures/ImageLimits.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace qcm::editor {

using namespace qcm::core;
using namespace qcm::pictures;

EDivByZero::EDivByZero() : Exception(QStringLiteral("Division par zéro")) {}

QSize GrilleFond(QSize surface, QSize tuile) {
    if (tuile.width() <= 0 || tuile.height() <= 0) {
        throw EDivByZero();
    }
    return {surface.width() / tuile.width() + 2, surface.height() / tuile.height() + 2};
}

IllustrationsEditeur::IllustrationsEditeur() {
    // Frames arrive from the painters' hand-over; the label is refreshed
    // from the event loop, once for any number of frames in between.
    courante_.OnFrame = [this] {
        if (imageDemandee_ || photo_.isNull()) {
            return;
        }
        imageDemandee_ = true;
        QMetaObject::invokeMethod(
            photo_.data(),
            [this] {
                imageDemandee_ = false;
                MontrerImage();
            },
            Qt::QueuedConnection);
    };
}

IllustrationsEditeur::~IllustrationsEditeur() {
    courante_.OnFrame = nullptr;
    courante_.Clear();
}

void IllustrationsEditeur::MontrerImage() {
    if (photo_.isNull()) {
        return;
    }
    QLabel& photo = *photo_;
    if (!courante_.Animated()) {
        photo.setPixmap(QPixmap::fromImage(courante_.Scaled()));
        return;
    }
    // In the screen's own pixels, as the still pictures are.
    const qreal echelle = photo.devicePixelRatioF();
    QImage image(DeviceSize(photo.size(), echelle), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(echelle);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        courante_.Draw(p, image.rect());
    }
    photo.setPixmap(QPixmap::fromImage(image));
}

void IllustrationsEditeur::AfficherImage(QLabel& photo, QPoint centre, const QString& chemin) {
    photo_ = &photo;
    photo.hide();
    // A hidden picture animates no more.
    courante_.Clear();
    photo.clear();
    if (chemin.isEmpty()) {
        return;
    }
    courante_.LoadFromFile(chemin);
    // An empty picture leaves the box at the size it had.
    const int w =
        courante_.Width() > 0 && courante_.Height() > 0 ? courante_.Width() : photo.width();
    const int h =
        courante_.Width() > 0 && courante_.Height() > 0 ? courante_.Height() : photo.height();
    const QSize taille = TaillePhoto(w, h);
    photo.setGeometry(centre.x() - taille.width() / 2, centre.y() - taille.height() / 2,
                      taille.width(), taille.height());
    courante_.Prepare(taille, photo.devicePixelRatioF());
    MontrerImage();
    photo.show();
}

void IllustrationsEditeur::VerifierImage(const QString& chemin) {
    ScaledPicture essai;
    essai.LoadFromFile(chemin);
    if (essai.Width() > 0 && essai.Height() > 0) {
        // Decoders read the pixels only here (a JPEG's body).
        essai.Prepare(TaillePhoto(essai.Width(), essai.Height()));
    }
}

void IllustrationsEditeur::AfficherFond(QImage& surface, const QString& chemin) {
    if (chemin.isEmpty()) {
        surface.fill(QColor(0, 0, 128));
        return;
    }
    TBitmap tuile;
    tuile.LoadFromFile(chemin);
    const int w = tuile.Width();
    const int h = tuile.Height();
    const QSize grille = GrilleFond(surface.deviceIndependentSize().toSize(), {w, h});
    QPainter p(&surface);
    // A surface in the screen's own pixels enlarges the tile smoothly.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int x = 0; x < grille.width(); ++x) {
        for (int y = 0; y < grille.height(); ++y) {
            tuile.Draw(p, QRect(w * x, h * y, w, h));
        }
    }
}

} // namespace qcm::editor
