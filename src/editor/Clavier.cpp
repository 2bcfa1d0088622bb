#include "Clavier.h"

#include "platform/Garde.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qcm::editor {

QString TexteTouche(QKeyCombination touche) {
    if (touche.key() == Qt::Key_unknown) {
        return {};
    }
    static const std::map<QString, QString> kNoms{
        {QStringLiteral("Shift"), QStringLiteral("Maj")},
        {QStringLiteral("PgUp"), QStringLiteral("Page préc.")},
        {QStringLiteral("PgDown"), QStringLiteral("Page suiv.")},
        {QStringLiteral("Ins"), QStringLiteral("Inser")},
        {QStringLiteral("Del"), QStringLiteral("Suppr")},
        {QStringLiteral("Left"), QStringLiteral("←")},
        {QStringLiteral("Right"), QStringLiteral("→")},
        {QStringLiteral("Up"), QStringLiteral("↑")},
        {QStringLiteral("Down"), QStringLiteral("↓")},
        {QStringLiteral("Return"), QStringLiteral("Entrée")},
        {QStringLiteral("Esc"), QStringLiteral("Échap")},
    };
    // The portable text, never the desktop's translation: the same words
    // whatever the language Qt was given.
    QStringList parties =
        QKeySequence(touche).toString(QKeySequence::PortableText).split(QLatin1Char('+'));
    for (QString& partie : parties) {
        if (const auto it = kNoms.find(partie); it != kNoms.end()) {
            partie = it->second;
        }
    }
    return parties.join(QLatin1Char('+'));
}

QString TexteTouches(const ToucheEditeur& t) {
    const QString autre = TexteTouche(t.autre);
    return autre.isEmpty() ? TexteTouche(t.touche)
                           : QStringLiteral("%1 ou %2").arg(TexteTouche(t.touche), autre);
}

const ToucheEditeur* ToucheDe(const QString& cible) {
    for (const ToucheEditeur& t : kTouches) {
        if (QLatin1String(t.cible) == cible && !cible.isEmpty()) {
            return &t;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- help box

AideClavier::AideClavier(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AideClavier"));
    setWindowTitle(QStringLiteral("Touches de l'éditeur"));
    setAccessibleName(windowTitle());
    // Within the editor's 640 x 480.
    resize(620, 440);
    auto* titre = new QLabel(QStringLiteral("Chaque touche de l'éditeur, ce qu'elle fait et où la "
                                            "souris trouve la même chose :"),
                             this);
    titre->setWordWrap(true);
    auto* table = new QTreeWidget(this);
    table->setObjectName(QStringLiteral("Touches"));
    table->setAccessibleName(QStringLiteral("Touches de l'éditeur"));
    table->setColumnCount(3);
    table->setHeaderLabels(
        {QStringLiteral("Touche"), QStringLiteral("Action"), QStringLiteral("Avec la souris")});
    table->setRootIsDecorated(false);
    // Whole texts, wrapped, never cut short with an ellipsis.
    table->setWordWrap(true);
    table->setTextElideMode(Qt::ElideNone);
    table->setUniformRowHeights(false);
    table->setAllColumnsShowFocus(true);
    for (const ToucheEditeur& t : kTouches) {
        // A second key on a line of its own, so that the column stays narrow.
        const QString autre = TexteTouche(t.autre);
        const QString touches =
            TexteTouche(t.touche) + (autre.isEmpty() ? QString() : QStringLiteral("\nou ") + autre);
        table->addTopLevelItem(
            new QTreeWidgetItem({touches, QString::fromUtf8(t.action), QString::fromUtf8(t.ou)}));
    }
    table->setColumnWidth(0, 125);
    table->setColumnWidth(1, 235);
    table->setCurrentItem(table->topLevelItem(0));
    titre->setBuddy(table);
    auto* fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("Fermer"));
    fermer->setAccessibleDescription(QStringLiteral("Entrée ou Échap"));
    fermer->setDefault(true);
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(titre);
    disposition->addWidget(table);
    disposition->addWidget(fermer, 0, Qt::AlignRight);
    table->setFocus();
}

// --------------------------------------------------------------- shortcuts

RaccourcisClavier::RaccourcisClavier(QWidget& fenetre,
                                     std::map<QString, std::function<void()>> commandes)
    : QObject(&fenetre) {
    setObjectName(QStringLiteral("Clavier"));
    for (const ToucheEditeur& t : kTouches) {
        const QString cible = QString::fromLatin1(t.cible);
        if (cible.isEmpty()) {
            continue;
        }
        std::function<void()> action;
        if (const auto it = commandes.find(cible); it != commandes.end()) {
            action = it->second;
        } else if (auto* bouton = fenetre.findChild<QAbstractButton*>(cible)) {
            // As a click would: nothing while the button cannot be clicked.
            action = [bouton = QPointer<QAbstractButton>(bouton)] {
                if (!bouton.isNull() && bouton->isVisible() && bouton->isEnabled()) {
                    bouton->click();
                }
            };
        } else {
            continue;
        }
        for (const QKeyCombination touche : {t.touche, t.autre}) {
            if (touche.key() == Qt::Key_unknown) {
                continue;
            }
            auto* raccourci = new QShortcut(QKeySequence(touche), &fenetre);
            connect(raccourci, &QShortcut::activated, this,
                    [action] { platform::Proteger(action); });
            prises_.insert(touche.toCombined());
        }
    }
    // The edits would keep some of these keys (Page Up, Ctrl+U, Ctrl+E on
    // some desktops) for themselves.
    for (QWidget* w : fenetre.findChildren<QWidget*>()) {
        w->installEventFilter(this);
    }
}

bool RaccourcisClavier::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::ShortcutOverride &&
        prises_.contains(static_cast<QKeyEvent*>(evenement)->keyCombination().toCombined())) {
        evenement->ignore();
        return true;
    }
    return QObject::eventFilter(objet, evenement);
}

} // namespace qcm::editor
