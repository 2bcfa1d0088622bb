#include "ChoixQCM.h"

#include "Panneau.h"
#include "core/Errors.h"
#include "editor/resources/Glyphes.h"
#include "model/Catalogue.h"
#include "platform/Garde.h"
#include "platform/Modal.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

namespace qcm::dialogs {

using namespace qcm::core;
using namespace qcm::model;

namespace {

// Rows of the designed item height, whatever the font's line spacing.
class HauteurLigne : public QStyledItemDelegate {
public:
    HauteurLigne(int hauteur, QObject* parent) : QStyledItemDelegate(parent), hauteur_(hauteur) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), hauteur_};
    }

private:
    int hauteur_;
};

QFont PoliceArial(int pixels) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

QPushButton* Bouton(QWidget* parent, const QString& nom, const QString& texte, QRect place,
                    const QColor& couleur) {
    auto* b = new QPushButton(texte, parent);
    b->setObjectName(nom);
    b->setGeometry(place);
    b->setFont(PoliceArial(13));
    b->setFocusPolicy(Qt::NoFocus);
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText, couleur);
    b->setPalette(pal);
    return b;
}

} // namespace

void ListeChoix::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    emit DoubleClic();
}

TChoixQCM::TChoixQCM(QString depart, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Panel1(new Panneau(QColor(0, 128, 0), this)), Image1(new QLabel(Panel1)),
      Label1(new QLabel(Panel1)), Liste(new ListeChoix(Panel1)), ListeReps(new QListWidget(Panel1)),
      CHARGER(Bouton(Panel1, QStringLiteral("CHARGER"), QStringLiteral("LANCER"),
                     QRect(16, 216, 81, 33), QColor(255, 255, 0))),
      NOUVEAU(Bouton(Panel1, QStringLiteral("NOUVEAU"), QStringLiteral("NOUVEAU"),
                     QRect(120, 216, 89, 33), QColor(0, 0, 255))),
      QUITTER(Bouton(Panel1, QStringLiteral("QUITTER"), QStringLiteral("ANNULER"),
                     QRect(232, 216, 89, 33), QColor(128, 64, 64))),
      depart_(std::move(depart)) {
    setObjectName(QStringLiteral("ChoixQCM"));
    setFixedSize(336, 263);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 337, 265);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 41, 43);
    Image1->setScaledContents(true);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(QPixmap::fromImage(editor::glyphes::Image(QStringLiteral("choix"))));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(56, 16, 273, 25);
    Label1->setText(QStringLiteral("Choix d'un questionnaire"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(PoliceArial(19));
    QPalette blanc = Label1->palette();
    blanc.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(blanc);

    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setGeometry(8, 56, 321, 145);
    Liste->setFont(PoliceArial(16));
    Liste->setSelectionMode(QAbstractItemView::SingleSelection);
    Liste->setUniformItemSizes(true);
    Liste->setItemDelegate(new HauteurLigne(19, Liste));
    Liste->setTextElideMode(Qt::ElideNone);
    QPalette violet = Liste->palette();
    violet.setColor(QPalette::Text, QColor(128, 0, 128));
    Liste->setPalette(violet);

    setAccessibleName(Label1->text());
    Panel1->setAccessibleName(Label1->text());
    Image1->setAccessibleName(QStringLiteral("Logo de QCM"));
    Liste->setAccessibleName(QStringLiteral("Questionnaires"));
    Liste->setAccessibleDescription(QStringLiteral(
        "Flèches : choisir ; Entrée : lancer ; Ctrl+N : nouveau questionnaire ; Échap : annuler"));
    CHARGER->setAccessibleDescription(QStringLiteral("Lancer le questionnaire choisi (Entrée)"));
    NOUVEAU->setAccessibleDescription(QStringLiteral("Créer un nouveau questionnaire (Ctrl+N)"));
    QUITTER->setAccessibleDescription(QStringLiteral("Annuler (Échap)"));

    ListeReps->setObjectName(QStringLiteral("ListeReps"));
    ListeReps->setGeometry(104, 48, 73, 81);
    ListeReps->hide();

    const auto garde = [](void (TChoixQCM::*handler)(), TChoixQCM* self) {
        return [handler, self] { platform::Proteger([&] { (self->*handler)(); }); };
    };
    connect(CHARGER, &QPushButton::clicked, this, garde(&TChoixQCM::CHARGERClick, this));
    connect(NOUVEAU, &QPushButton::clicked, this, garde(&TChoixQCM::NOUVEAUClick, this));
    connect(QUITTER, &QPushButton::clicked, this, garde(&TChoixQCM::QUITTERClick, this));
    connect(Liste, &ListeChoix::DoubleClic, this, garde(&TChoixQCM::ListeDblClick, this));
}

void TChoixQCM::FormCreate() {
    ParcourirQuestionnaires(depart_, [this](const QString& titre, const QString& dossier) {
        Liste->addItem(titre);
        if (titre.trimmed().isEmpty()) {
            // A screen reader says something for a questionnaire without a title.
            Liste->item(Liste->count() - 1)
                ->setData(Qt::AccessibleTextRole,
                          QStringLiteral("Questionnaire sans titre (%1)").arg(dossier));
        }
        ListeReps->addItem(dossier);
    });
}

ReponseChoix TChoixQCM::Choisir() {
    reponse_ = {};
    platform::ExecuterModal(*this);
    return reponse_;
}

void TChoixQCM::showEvent(QShowEvent* event) {
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        const QRect r = ecran->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    QDialog::showEvent(event);
    if (Liste->count() > 0) {
        Liste->setCurrentRow(0);
    }
    Liste->setFocus();
}

void TChoixQCM::keyPressEvent(QKeyEvent* event) {
    void (TChoixQCM::*handler)() = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        handler = &TChoixQCM::CHARGERClick;
    } else if (event->key() == Qt::Key_Escape) {
        handler = &TChoixQCM::QUITTERClick;
    } else if (event->keyCombination() == (Qt::CTRL | Qt::Key_N)) {
        handler = &TChoixQCM::NOUVEAUClick;
    }
    if (handler == nullptr) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    platform::Proteger([&] { (this->*handler)(); });
}

void TChoixQCM::CHARGERClick() {
    const int index = Liste->currentRow();
    if (index < 0 || index >= ListeReps->count()) {
        throw EListError(QStringLiteral("Indice de liste hors limites (%1)").arg(index));
    }
    reponse_ = {ReponseChoix::Sorte::Dossier, ListeReps->item(index)->text()};
    accept();
}

void TChoixQCM::NOUVEAUClick() {
    reponse_ = {ReponseChoix::Sorte::Nouveau, {}};
    accept();
}

void TChoixQCM::QUITTERClick() {
    reponse_ = {};
    done(QDialog::Rejected);
}

} // namespace qcm::dialogs
