#include "Panneau.h"

#include "platform/Relief.h"

#include <QPainter>

namespace qcm::dialogs {

Panneau::Panneau(const QColor& couleur, QWidget* parent) : QWidget(parent), couleur_(couleur) {}

void Panneau::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), couleur_);
    const QColor clair(255, 255, 255);
    const QColor sombre(128, 128, 128);
    for (const QRect& r : {rect(), rect().adjusted(1, 1, -1, -1)}) {
        platform::Liseret(p, r, clair, sombre);
    }
    for (const QRect& r : {rect().adjusted(2, 2, -2, -2), rect().adjusted(3, 3, -3, -3)}) {
        platform::Liseret(p, r, sombre, clair);
    }
}

} // namespace qcm::dialogs
