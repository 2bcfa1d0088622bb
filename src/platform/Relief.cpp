#include "Relief.h"

#include <QPainter>

namespace qcm::platform {

void Liseret(QPainter& p, const QRect& r, const QColor& hautGauche, const QColor& basDroite) {
    p.setPen(hautGauche);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(basDroite);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void BordCreux(QPainter& p, const QRect& r) {
    Liseret(p, r, QColor(128, 128, 128), QColor(255, 255, 255));
    Liseret(p, r.adjusted(1, 1, -1, -1), QColor(0, 0, 0), QColor(192, 192, 192));
}

} // namespace qcm::platform
