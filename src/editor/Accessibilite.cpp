#include "Accessibilite.h"

#include "Clavier.h"
#include "Controles.h"
#include "Depart.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace qcm::editor {

using namespace qcm::model;

namespace {

// Dynamic properties the interfaces read: the role a glyph button plays,
// and whether a strip cell is the current question's.
constexpr const char* kRole = "qcmRoleAccessible";
constexpr const char* kCourante = "qcmCourante";

QAccessible::Role RoleDe(const QWidget* w) {
    const QVariant role = w->property(kRole);
    return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : QAccessible::Button;
}

// A glyph button: a push button, or a check box or radio button checked
// when its tag is 1.
class AccessibleGlyphe : public QAccessibleWidget {
public:
    explicit AccessibleGlyphe(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::Role role() const override {
        const QAccessible::Role r = RoleDe(widget());
        return r == QAccessible::CheckBox || r == QAccessible::RadioButton ? r
                                                                           : QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (role() != QAccessible::Button) {
            s.checkable = true;
            s.checked = Bouton()->Tag == 1;
        }
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{state().checkable ? toggleAction() : pressAction()} +
               QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() || action == toggleAction()) {
            if (Bouton()->isEnabled()) {
                Bouton()->click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        const ToucheEditeur* t = ToucheDe(widget()->objectName());
        if (t != nullptr && (action == pressAction() || action == toggleAction())) {
            return {TexteTouche(t->touche)};
        }
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    BoutonGlyphe* Bouton() const { return static_cast<BoutonGlyphe*>(widget()); }
};

// A strip cell: a button that goes to its question, selected when current.
class AccessibleCase : public QAccessibleWidget {
public:
    explicit AccessibleCase(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = widget()->property(kCourante).toBool();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            emit static_cast<CaseBande*>(widget())->Clic();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// The surface inside a scrolling field (an edit, a list) that Qt shows as a
// child of its own: named after the field.
class AccessibleSurface : public QAccessibleWidget {
public:
    explicit AccessibleSurface(QWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}
    QString text(QAccessible::Text t) const override {
        QString propre = QAccessibleWidget::text(t);
        if (!propre.isEmpty() || t != QAccessible::Name) {
            return propre;
        }
        QAccessibleInterface* champ = QAccessible::queryAccessibleInterface(widget()->parent());
        return champ != nullptr ? champ->text(QAccessible::Name) : QString();
    }
};

QAccessibleInterface* Fabrique(const QString& classe, QObject* objet) {
    if (objet == nullptr || !objet->isWidgetType()) {
        return nullptr;
    }
    auto* w = static_cast<QWidget*>(objet);
    if (classe == QLatin1String("QWidget") &&
        qobject_cast<QAbstractScrollArea*>(w->parentWidget()) != nullptr &&
        static_cast<QAbstractScrollArea*>(w->parentWidget())->viewport() == w) {
        return new AccessibleSurface(w);
    }
    if (classe == QLatin1String(BoutonGlyphe::staticMetaObject.className())) {
        return new AccessibleGlyphe(w);
    }
    if (classe == QLatin1String(CaseBande::staticMetaObject.className())) {
        return new AccessibleCase(w);
    }
    return nullptr;
}

void Nommer(QWidget* w, const QString& nom) {
    if (w->accessibleName() != nom) {
        w->setAccessibleName(nom);
    }
    // The surface a field scrolls is read by itself; some Qt versions make
    // its interface before our factory could name it.
    if (auto* zone = qobject_cast<QAbstractScrollArea*>(w);
        zone != nullptr && zone->viewport()->accessibleName() != nom) {
        zone->viewport()->setAccessibleName(nom);
    }
}

void AnnoncerEtat(QWidget* w, QAccessible::State etat) {
    QAccessibleStateChangeEvent evenement(w, etat);
    QAccessible::updateAccessibility(&evenement);
}

} // namespace

void InstallerAccessibilite() {
    static const bool installe = [] {
        QAccessible::installFactory(Fabrique);
        return true;
    }();
    (void)installe;
}

AccessibiliteDepart::AccessibiliteDepart(TDepart& fenetre, const EtatEditeur& etat)
    : QObject(&fenetre), fenetre_(fenetre), etat_(etat) {
    setObjectName(QStringLiteral("Accessibilite"));
    InstallerAccessibilite();
    TDepart& d = fenetre_;
    Nommer(d.fond, QStringLiteral("Fond d'écran du questionnaire"));
    Nommer(d.Ltitre, QStringLiteral("Titre du questionnaire"));
    Nommer(d.Auteur, QStringLiteral("Auteur du questionnaire"));
    // The buttons say what they do, and their key; the three two-state
    // buttons are check boxes named after what "checked" means.
    for (BoutonGlyphe* b : {d.NouveauQ, d.Charger, d.Sauver, d.ChargeImage, d.Changefond,
                            d.BMelange, d.Une, d.FG, d.FD, d.Son, d.Fin}) {
        const ToucheEditeur* t = ToucheDe(b->objectName());
        Nommer(b, QString::fromUtf8(t->action));
        b->setAccessibleDescription(
            QStringLiteral("%1 (%2)").arg(b->toolTip(), TexteTouche(t->touche)));
    }
    Nommer(d.BMelange, QStringLiteral("Questions mélangées"));
    Nommer(d.Une, QStringLiteral("Réponses multiples"));
    Nommer(d.Son, QStringLiteral("Musique"));
    for (BoutonGlyphe* b : {d.BMelange, d.Une, d.Son}) {
        b->setProperty(kRole, static_cast<int>(QAccessible::CheckBox));
    }
    for (int k = 1; k <= kMaxReponses; ++k) {
        Nommer(d.Coches(k), QStringLiteral("Proposition %1 juste").arg(k));
        d.Coches(k)->setAccessibleDescription(
            TexteTouche(ToucheDe(d.Coches(k)->objectName())->touche));
    }
    for (BoutonGlyphe* b : fenetre_.findChildren<BoutonGlyphe*>()) {
        connect(b, &BoutonGlyphe::GlypheChange, this, &AccessibiliteDepart::Actualiser);
    }
    Actualiser();
}

void AccessibiliteDepart::Actualiser() {
    TDepart& d = fenetre_;
    const int n = etat_.QuestionCourante;
    const QString deLaQuestion = n > 0 ? QStringLiteral(" de la question %1").arg(n) : QString();
    Nommer(d.Questionposee, QStringLiteral("Énoncé") + deLaQuestion);
    Nommer(d.Commentaire,
           QStringLiteral("Commentaire%1, montré après une réponse fausse").arg(deLaQuestion));
    for (int k = 1; k <= kMaxReponses; ++k) {
        Nommer(d.Propositions(k), QStringLiteral("Proposition %1").arg(k) + deLaQuestion);
    }
    for (int i = 1; i <= kMaxQuestions; ++i) {
        Nommer(d.Cases(i), QuestionVide(etat_.Questionnaire.Question(i))
                               ? QStringLiteral("Question %1 vide").arg(i)
                               : QStringLiteral("Question %1").arg(i));
    }
    const QString image = n > 0 ? etat_.Questionnaire.Question(n).Image : QString();
    Nommer(d.Photo, image.isEmpty() ? QStringLiteral("Pas d'image")
                                    : QStringLiteral("Image : %1").arg(image));

    QAccessible::State selection;
    selection.selected = true;
    if (courante_ != n) {
        if (courante_ > 0) {
            d.Cases(courante_)->setProperty(kCourante, false);
            AnnoncerEtat(d.Cases(courante_), selection);
        }
        courante_ = n;
        if (n > 0) {
            d.Cases(n)->setProperty(kCourante, true);
            AnnoncerEtat(d.Cases(n), selection);
        }
    }
    // One answer: radio buttons; several: check boxes. Une's tag is 0 for
    // one answer.
    const int role = d.Une->Tag == 0 ? QAccessible::RadioButton : QAccessible::CheckBox;
    for (int k = 1; k <= kMaxReponses; ++k) {
        if (d.Coches(k)->property(kRole).toInt() != role) {
            d.Coches(k)->setProperty(kRole, role);
        }
    }
    QAccessible::State coche;
    coche.checked = true;
    for (BoutonGlyphe* b : {d.Coches(1), d.Coches(2), d.Coches(3), d.Coches(4), d.Coches(5),
                            d.BMelange, d.Une, d.Son}) {
        const auto ancien = etats_.find(b);
        if (ancien == etats_.end()) {
            etats_.insert(b, b->Tag);
        } else if (*ancien != b->Tag) {
            *ancien = b->Tag;
            AnnoncerEtat(b, coche);
        }
    }
}

} // namespace qcm::editor
