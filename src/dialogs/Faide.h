#pragma once

#include <QDialog>

class QPushButton;

namespace qcm::dialogs {

// The credits box shown on leaving.
class BoiteApropos {
public:
    virtual ~BoiteApropos() = default;
    // Shows the box modally; returns when the user dismisses it.
    virtual void Montrer() = 0;
};

// A plain box until the credits and their texts come.
class TFaide : public QDialog, public BoiteApropos {
    Q_OBJECT
public:
    explicit TFaide(QWidget* parent = nullptr);
    void Montrer() override;

    QPushButton* QUITTER;
};

} // namespace qcm::dialogs
