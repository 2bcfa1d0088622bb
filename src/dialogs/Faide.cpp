#include "Faide.h"

#include "platform/Modal.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qcm::dialogs {

TFaide::TFaide(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), QUITTER(new QPushButton(this)) {
    setObjectName(QStringLiteral("Faide"));
    auto* layout = new QVBoxLayout(this);
    auto* titre = new QLabel(QStringLiteral("QCM"), this);
    titre->setAlignment(Qt::AlignCenter);
    layout->addWidget(titre);
    QUITTER->setObjectName(QStringLiteral("QUITTER"));
    QUITTER->setText(QStringLiteral("QUITTER"));
    layout->addWidget(QUITTER);
    connect(QUITTER, &QPushButton::clicked, this, &QDialog::accept);
}

void TFaide::Montrer() {
    platform::ExecuterModal(*this);
}

} // namespace qcm::dialogs
