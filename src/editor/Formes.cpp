#include "Formes.h"

#include "Clavier.h"
#include "Controles.h"
#include "Depart.h"
#include "platform/Bip.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

#include <functional>
#include <map>
#include <utility>

namespace qcm::editor {

namespace {

// A statement as a box quotes it: on one line, cut at a word within 50
// characters.
QString Citation(const QString& enonce) {
    constexpr int kLongueur = 50;
    QString texte = Nettoye(enonce).simplified();
    if (texte.size() <= kLongueur) {
        return texte;
    }
    QString debut = texte.left(kLongueur + 1);
    const qsizetype espace = debut.lastIndexOf(QLatin1Char(' '));
    debut.truncate(espace > kLongueur / 2 ? espace : kLongueur);
    return debut + QChar(u'…');
}

} // namespace

FormesQuestionnaire::FormesQuestionnaire(TDepart& fenetre, EtatEditeur& etat)
    : QObject(&fenetre), fenetre_(fenetre), etat_(etat) {
    setObjectName(QStringLiteral("Formes"));
    struct Commande {
        const char* nom;
        const char* texte;
        std::function<void()> action;
    };
    // The keys come from the editor's one table, which also makes them
    // shortcuts of the window.
    const Commande commandes[] = {
        {commande::kInserer, "Insérer une question avant celle-ci", [this] { InsererClick(); }},
        {commande::kDupliquer, "Dupliquer la question", [this] { DupliquerClick(); }},
        {commande::kSupprimer, "Supprimer la question…", [this] { SupprimerClick(); }},
        {commande::kPlusTot, "Déplacer la question plus tôt", [this] { DeplacerClick(-1); }},
        {commande::kPlusTard, "Déplacer la question plus tard", [this] { DeplacerClick(1); }},
        {"RetirerImage", "Retirer l'image de la question", [this] { RetirerImageClick(); }},
        {"RetirerFond", "Retirer le fond d'écran", [this] { RetirerFondClick(); }},
        {commande::kAnnuler, "Annuler", [this] { AnnulerClick(); }},
        {commande::kRetablir, "Rétablir", [this] { RetablirClick(); }},
    };
    std::map<QString, QAction*> actions;
    for (const Commande& c : commandes) {
        QString texte = QString::fromUtf8(c.texte);
        if (const ToucheEditeur* t = ToucheDe(QString::fromLatin1(c.nom))) {
            texte += QLatin1Char('\t') + TexteTouche(t->touche);
        }
        auto* a = new QAction(texte, this);
        a->setObjectName(QString::fromUtf8(c.nom));
        const auto action = c.action;
        connect(a, &QAction::triggered, this, [action] { platform::Proteger(action); });
        actions[a->objectName()] = a;
    }
    retirerImage_ = actions.at(QStringLiteral("RetirerImage"));
    retirerFond_ = actions.at(QStringLiteral("RetirerFond"));
    annuler_ = actions.at(QStringLiteral("Annuler"));
    retablir_ = actions.at(QStringLiteral("Retablir"));

    const auto remplir = [&](QMenu* menu, const QStringList& noms) {
        for (const QString& nom : noms) {
            if (nom.isEmpty()) {
                menu->addSeparator();
            } else {
                menu->addAction(actions.at(nom));
            }
        }
    };
    const QStringList questions{QStringLiteral("Inserer"),   QStringLiteral("Dupliquer"),
                                QStringLiteral("Supprimer"), {},
                                QStringLiteral("PlusTot"),   QStringLiteral("PlusTard")};
    const QStringList historique{QStringLiteral("Annuler"), QStringLiteral("Retablir")};
    MenuBande = new QMenu(&fenetre_);
    MenuBande->setObjectName(QStringLiteral("MenuBande"));
    remplir(MenuBande,
            questions + QStringList{{}, QStringLiteral("RetirerImage"), {}} + historique);
    MenuImage = new QMenu(&fenetre_);
    MenuImage->setObjectName(QStringLiteral("MenuImage"));
    remplir(MenuImage,
            QStringList{QStringLiteral("RetirerImage"), QStringLiteral("RetirerFond"), {}} +
                questions + QStringList{{}} + historique);

    // A right click on a cell first makes its question the current one.
    for (int i = 1; i <= kMaxQuestions; ++i) {
        CaseBande* c = fenetre_.Cases(i);
        c->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(c, &QWidget::customContextMenuRequested, this, [this, c, i](const QPoint& p) {
            platform::Proteger([&] {
                if (!Ouvert()) {
                    return;
                }
                if (i != etat_.QuestionCourante) {
                    fenetre_.StaticText1Click(i);
                }
                Montrer(*MenuBande, c->mapToGlobal(p));
            });
        });
    }
    // The picture's menu also takes the background's entry: where no
    // picture is shown, the background is what the click lands on.
    for (QWidget* w : std::initializer_list<QWidget*>{fenetre_.Photo, fenetre_.fond}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) {
            platform::Proteger([&] {
                if (Ouvert()) {
                    Montrer(*MenuImage, w->mapToGlobal(p));
                }
            });
        });
    }

    // A click elsewhere ends the visit of a field.
    for (QWidget* w : fenetre_.findChildren<QWidget*>()) {
        w->installEventFilter(this);
    }
    connect(qApp, &QApplication::focusChanged, this, [this] { visite_ = nullptr; });
}

bool FormesQuestionnaire::eventFilter(QObject* objet, QEvent* evenement) {
    // A click elsewhere (a cell, an arrow, a button) ends the visit of a
    // field, even when it keeps the focus.
    if (evenement->type() == QEvent::MouseButtonPress && visite_ != nullptr) {
        const auto* champ = qobject_cast<const QWidget*>(visite_);
        const auto* cible = qobject_cast<const QWidget*>(objet);
        if (champ == nullptr || cible == nullptr ||
            (cible != champ && !champ->isAncestorOf(cible))) {
            visite_ = nullptr;
        }
    }
    return QObject::eventFilter(objet, evenement);
}

bool FormesQuestionnaire::Ouvert() const {
    return etat_.QuestionCourante > 0 && !etat_.DossierOuvert.isEmpty();
}

void FormesQuestionnaire::Montrer(QMenu& menu, const QPoint& global) {
    const TQuestionnaire& q = etat_.Questionnaire;
    retirerImage_->setEnabled(!q.Question(etat_.QuestionCourante).Image.isEmpty());
    retirerFond_->setEnabled(!q.Fond.isEmpty());
    annuler_->setEnabled(historique_.PeutAnnuler());
    retablir_->setEnabled(historique_.PeutRetablir());
    menu.popup(global);
}

// ------------------------------------------------------------- operations

void FormesQuestionnaire::InsererClick() {
    Ajouter(InsererQuestion);
}

void FormesQuestionnaire::DupliquerClick() {
    Ajouter(DupliquerQuestion);
}

void FormesQuestionnaire::Ajouter(Resultat (*operation)(const TQuestionnaire&, int)) {
    if (!Ouvert()) {
        return;
    }
    if (const QString refus = RefusAjout(etat_.Questionnaire); !refus.isEmpty()) {
        platform::MessageBox(refus, QStringLiteral("AJOUT D'UNE QUESTION"), platform::Boutons::Ok,
                             platform::Icone::Exclamation);
        return;
    }
    Appliquer(operation(etat_.Questionnaire, etat_.QuestionCourante));
}

void FormesQuestionnaire::SupprimerClick() {
    if (!Ouvert()) {
        return;
    }
    const int n = etat_.QuestionCourante;
    const QString citation = Citation(etat_.Questionnaire.Question(n).Enonce);
    const QString texte =
        citation.isEmpty()
            ? QStringLiteral("Supprimer la question %1, sans énoncé ?").arg(n)
            : QStringLiteral("Supprimer la question %1 « %2 » ?").arg(n).arg(citation);
    if (platform::MessageBox(texte, QStringLiteral("SUPPRESSION D'UNE QUESTION"),
                             platform::Boutons::OuiNonEchapNon,
                             platform::Icone::Question) != platform::Reponse::Oui) {
        return;
    }
    Appliquer(SupprimerQuestion(etat_.Questionnaire, n));
}

void FormesQuestionnaire::DeplacerClick(int sens) {
    if (!Ouvert()) {
        return;
    }
    if (auto r = DeplacerQuestion(etat_.Questionnaire, etat_.QuestionCourante, sens)) {
        Appliquer(std::move(*r));
    } else {
        platform::Bip();
    }
}

void FormesQuestionnaire::RetirerImageClick() {
    if (!Ouvert()) {
        return;
    }
    if (auto r = RetirerImage(etat_.Questionnaire, etat_.QuestionCourante)) {
        Appliquer(std::move(*r));
    } else {
        platform::Bip();
    }
}

void FormesQuestionnaire::RetirerFondClick() {
    if (!Ouvert()) {
        return;
    }
    if (auto q = RetirerFond(etat_.Questionnaire)) {
        Appliquer({std::move(*q), etat_.QuestionCourante});
    } else {
        platform::Bip();
    }
}

void FormesQuestionnaire::Appliquer(Resultat r) {
    historique_.Noter(etat_.Questionnaire, etat_.QuestionCourante, r.Question);
    Revenir(std::move(r.Questionnaire), r.Question);
}

// ---------------------------------------------------------------- history

void FormesQuestionnaire::AnnulerClick() {
    if (!Ouvert()) {
        return;
    }
    if (auto i = historique_.Annuler(etat_.Questionnaire)) {
        Revenir(std::move(i->Questionnaire), i->Question);
    } else {
        platform::Bip();
    }
}

void FormesQuestionnaire::RetablirClick() {
    if (!Ouvert()) {
        return;
    }
    if (auto i = historique_.Retablir(etat_.Questionnaire)) {
        Revenir(std::move(i->Questionnaire), i->Question);
    } else {
        platform::Bip();
    }
}

void FormesQuestionnaire::Revenir(TQuestionnaire record, int question) {
    const TQuestionnaire avant = std::exchange(etat_.Questionnaire, std::move(record));
    // Filling the window runs the fields' handlers: they see no change.
    Recaler();
    const TQuestionnaire& q = etat_.Questionnaire;
    fenetre_.Ltitre->SetTexte(q.Titre);
    fenetre_.Auteur->SetTexte(q.Auteur);
    fenetre_.MontrerMelange(q.Melange);
    // A background or a piece that cannot be read is told; the rest is shown.
    if (q.Fond != avant.Fond) {
        platform::Proteger([&] { fenetre_.AfficherFond(q.Fond); });
    }
    if (q.Musique != avant.Musique) {
        platform::Proteger([&] { fenetre_.ReglerMusique(q.Musique); });
    }
    fenetre_.StaticText1Click(question);
    MarquerModifie(etat_, fenetre_);
}

void FormesQuestionnaire::Recommencer() {
    historique_.Vider();
    Recaler();
}

void FormesQuestionnaire::Recaler() {
    connu_ = etat_.Questionnaire;
    visite_ = nullptr;
}

void FormesQuestionnaire::Changement(const QObject* source) {
    if (etat_.Questionnaire == connu_) {
        return;
    }
    const int n = etat_.QuestionCourante;
    const bool champ = qobject_cast<const QLineEdit*>(source) != nullptr ||
                       qobject_cast<const QPlainTextEdit*>(source) != nullptr;
    const bool suite =
        champ && source == visite_ && n == questionVisite_ && historique_.PeutAnnuler();
    if (!suite) {
        historique_.Noter(connu_, n, n);
    }
    visite_ = champ ? source : nullptr;
    questionVisite_ = n;
    connu_ = etat_.Questionnaire;
}

} // namespace qcm::editor
