#pragma once

#include <QColor>
#include <QWidget>

namespace qcm::dialogs {

// A plain panel in its colour with a raised outer and a lowered inner
// bevel, 2 px each, as the chooser and the about box have.
class Panneau : public QWidget {
public:
    Panneau(const QColor& couleur, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor couleur_;
};

} // namespace qcm::dialogs
