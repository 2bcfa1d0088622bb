#pragma once

class QColor;
class QPainter;
class QRect;

// The desktop's 3D edges, drawn as its classic look draws them.
namespace qcm::platform {

// One 1-pixel ring along the inside of r: top and left in hautGauche, bottom
// and right in basDroite, which also takes the top-right and bottom-left
// corners.
void Liseret(QPainter& p, const QRect& r, const QColor& hautGauche, const QColor& basDroite);

// The sunken edge of an edit field: 2 pixels, grey over white outside,
// black over light grey inside.
constexpr int kBordCreux = 2;
void BordCreux(QPainter& p, const QRect& r);

} // namespace qcm::platform
