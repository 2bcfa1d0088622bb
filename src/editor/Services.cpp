#include "Services.h"

#include <QImage>
#include <QLabel>

namespace qcm::editor {

void IllustrationsSimples::AfficherImage(QLabel& photo, QPoint, const QString&) {
    photo.hide();
}

void IllustrationsSimples::AfficherFond(QImage& surface, const QString&) {
    surface.fill(QColor(0, 0, 128));
}

} // namespace qcm::editor
