// The editor by keyboard alone, and what a screen reader is told of it.
#include "Editeur.h"

#include "editor/Clavier.h"

#include <QAccessible>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace qcm;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

const QByteArray kQuestionnaire =
    Lignes({"Capitales", "CM2",        "",           "melange=NON", "musique=", "", "Italie ?",
            "2",         "unique=OUI", "Rome",       "Milan",       "1",        "", "",
            "France ?",  "1",          "unique=OUI", "Paris",       "1",        ""});

void Activer(QWidget* fenetre) {
    fenetre->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == fenetre; }));
}

void Ouvrir(Editeur& e) {
    e.dossier.Write(QStringLiteral("QCM1/QCM.txt"), kQuestionnaire);
    e.Demarrer(Choisir(QStringLiteral("QCM1")));
    ASSERT_EQ(e.etat.QuestionCourante, 1);
    e.modal.montres.clear();
    Activer(e.depart.get());
}

// The key typed in w, its window active again afterwards, as it is once a
// dialog the key opened is closed.
void Touche(QWidget* w, QKeyCombination touche) {
    QTest::keyClick(w, touche.key(), touche.keyboardModifiers());
    Editeur::Attendre();
    Activer(w->window());
}

// The visible objects of the tree under i that have no name, by object
// name and role.
void Anonymes(QAccessibleInterface* i, QStringList& out) {
    if (i == nullptr || i->state().invisible) {
        return;
    }
    if (i->text(QAccessible::Name).trimmed().isEmpty()) {
        out << QStringLiteral("%1 (rôle %2)")
                   .arg(i->object() != nullptr
                            ? i->object()->objectName() + QLatin1Char('/') +
                                  QLatin1String(i->object()->metaObject()->className())
                            : QString())
                   .arg(static_cast<int>(i->role()));
    }
    for (int c = 0; c < i->childCount(); ++c) {
        Anonymes(i->child(c), out);
    }
}

QAccessibleInterface* Interface(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

} // namespace

TEST(Clavier, TheKeysAreFrenchAndNoneServesTwoPurposes) {
    const struct {
        QKeyCombination touche;
        const char* texte;
    } cas[] = {
        {Qt::CTRL | Qt::SHIFT | Qt::Key_P, "Ctrl+Maj+P"},
        {Qt::Key_PageUp, "Page préc."},
        {Qt::Key_PageDown, "Page suiv."},
        {Qt::ALT | Qt::SHIFT | Qt::Key_Insert, "Alt+Maj+Inser"},
        {Qt::ALT | Qt::Key_Delete, "Alt+Suppr"},
        {Qt::ALT | Qt::Key_Left, "Alt+←"},
        {Qt::Key_F1, "F1"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(TexteTouche(c.touche), QString::fromUtf8(c.texte));
    }
    EXPECT_EQ(TexteTouches(*ToucheDe(QStringLiteral("Coche3"))), QStringLiteral("Ctrl+3"));
    QSet<int> prises;
    for (const ToucheEditeur& t : kTouches) {
        EXPECT_FALSE(QString::fromUtf8(t.action).isEmpty());
        EXPECT_FALSE(QString::fromUtf8(t.ou).isEmpty());
        if (QLatin1String(t.cible).isEmpty()) {
            continue;
        }
        for (const QKeyCombination k : {t.touche, t.autre}) {
            if (k.key() != Qt::Key_unknown) {
                EXPECT_FALSE(prises.contains(k.toCombined())) << TexteTouche(k).toStdString();
                prises.insert(k.toCombined());
            }
        }
    }
}

// Page Down, Ctrl+U and Ctrl+1..5 typed in an edit were kept by the edit
// (or did nothing): every button of the window needed the mouse.
TEST(Clavier, EveryKeyFromAnEditPressesItsButtonOnlyWhenItCanBeClicked) {
    Editeur e;
    Ouvrir(e);
    TDepart& d = *e.depart;
    for (const ToucheEditeur& t : kTouches) {
        auto* bouton = d.findChild<BoutonGlyphe*>(QString::fromLatin1(t.cible));
        // New would empty the record, which the steps below do not need.
        if (bouton == nullptr || QLatin1String(t.cible) == QLatin1String("NouveauQ")) {
            continue;
        }
        SCOPED_TRACE(t.cible);
        // Every proposition filled, so that every right-answer button shows,
        // and a change, so that Save can be clicked.
        for (int k = 1; k <= 5; ++k) {
            d.Propositions(k)->SetTexte(QStringLiteral("%1 %2").arg(QLatin1String(t.cible)).arg(k));
        }
        ASSERT_TRUE(d.Sauver->isEnabled());
        d.Propositions(2)->setFocus();
        QSignalSpy clics(bouton, &QAbstractButton::clicked);
        Touche(d.Propositions(2), t.touche);
        EXPECT_EQ(clics.count(), 1);
        e.boites.montrees.clear();
        e.modal.montres.clear();
    }
    // What cannot be clicked is not pressed by its key either.
    d.Propositions(5)->SetTexte(QString());
    d.SauverClick();
    ASSERT_FALSE(d.Sauver->isEnabled());
    for (BoutonGlyphe* b : {d.Sauver, d.Coches(5)}) {
        QSignalSpy clics(b, &QAbstractButton::clicked);
        Touche(d.Questionposee, ToucheDe(b->objectName())->touche);
        EXPECT_EQ(clics.count(), 0) << b->objectName().toStdString();
    }
    // Page Down from the statement goes to the next question, Ctrl+2 marks
    // its second proposition.
    d.StaticText1Click(1);
    d.Questionposee->setFocus();
    Touche(d.Questionposee, Qt::Key_PageDown);
    Touche(d.Questionposee, Qt::Key_PageDown);
    Touche(d.Questionposee, Qt::Key_PageUp);
    ASSERT_EQ(e.etat.QuestionCourante, 2);
    d.Propositions(2)->SetTexte(QStringLiteral("Lyon"));
    Touche(d.Questionposee, Qt::CTRL | Qt::Key_2);
    EXPECT_TRUE(e.Q(2).Juste(2));
    EXPECT_FALSE(e.Q(2).Juste(1));
}

TEST(Clavier, HelpAndMusicMenuFromTheKeyboard) {
    Editeur e;
    Ouvrir(e);
    TDepart& d = *e.depart;
    int lignes = 0;
    e.modal.Ajouter([&](QDialog& boite) {
        const auto* table = boite.findChild<QTreeWidget*>();
        ASSERT_NE(table, nullptr);
        lignes = table->topLevelItemCount();
        // Each key is there with where the mouse finds it.
        EXPECT_EQ(table->topLevelItem(1)->text(0), QStringLiteral("Ctrl+N"));
        EXPECT_EQ(table->topLevelItem(1)->text(2), QString::fromUtf8(kTouches.at(1).ou));
        EXPECT_EQ(table->topLevelItem(25)->text(0), QStringLiteral("Ctrl+Y\nou Ctrl+Maj+Z"));
    });
    Touche(d.Ltitre, Qt::Key_F1);
    ASSERT_EQ(e.modal.montres, std::vector<QString>{QStringLiteral("AideClavier")});
    EXPECT_EQ(lignes, static_cast<int>(kTouches.size()));

    d.Son->show();
    Touche(d.Ltitre, Qt::CTRL | Qt::SHIFT | Qt::Key_M);
    EXPECT_TRUE(d.PopM->isVisible());
    EXPECT_EQ(d.PopM->activeAction(), d.Charger1);
    d.PopM->close();
}

TEST(Accessibilite, EveryVisibleControlHasANameAndTheRightAnswersTheirState) {
    Editeur e;
    Ouvrir(e);
    TDepart& d = *e.depart;
    QStringList anonymes;
    Anonymes(Interface(&d), anonymes);
    EXPECT_TRUE(anonymes.isEmpty()) << anonymes.join(QLatin1Char('\n')).toStdString();

    const struct {
        QWidget* w;
        const char* nom;
    } noms[] = {
        {d.Questionposee, "Énoncé de la question 1"},
        {d.Propositions(2), "Proposition 2 de la question 1"},
        {d.Ltitre, "Titre du questionnaire"},
        {d.Cases(1), "Question 1"},
        {d.Cases(3), "Question 3 vide"},
        {d.Photo, "Pas d'image"},
        {d.Coches(2), "Proposition 2 juste"},
        {d.Sauver, "Enregistrer le questionnaire"},
    };
    for (const auto& n : noms) {
        EXPECT_EQ(Interface(n.w)->text(QAccessible::Name), QString::fromUtf8(n.nom));
    }
    EXPECT_EQ(Interface(d.Charger)->text(QAccessible::Description),
              QStringLiteral("Charger un questionnaire (Ctrl+O)"));
    EXPECT_EQ(Interface(d.Cases(1))->role(), QAccessible::Button);
    EXPECT_TRUE(Interface(d.Cases(1))->state().selected);
    EXPECT_FALSE(Interface(d.Cases(2))->state().selected);

    // One answer: radio buttons; several: check boxes; the state follows
    // the toggles, and the names follow the current question.
    const struct {
        std::function<void()> action;
        QAccessible::Role role;
        bool juste1;
        bool juste2;
    } etapes[] = {
        {[] {}, QAccessible::RadioButton, true, false},
        {[&] { d.Une->click(); }, QAccessible::CheckBox, true, false},
        {[&] { d.Coches(2)->click(); }, QAccessible::CheckBox, true, true},
        {[&] {
             Interface(d.Coches(1))
                 ->actionInterface()
                 ->doAction(QAccessibleActionInterface::toggleAction());
         },
         QAccessible::CheckBox, false, true},
    };
    for (const auto& etape : etapes) {
        etape.action();
        EXPECT_EQ(Interface(d.Coches(1))->role(), etape.role);
        EXPECT_TRUE(Interface(d.Coches(1))->state().checkable);
        EXPECT_EQ(Interface(d.Coches(1))->state().checked, etape.juste1);
        EXPECT_EQ(Interface(d.Coches(2))->state().checked, etape.juste2);
    }
    EXPECT_EQ(e.Q(1).Juste(1), false);
    EXPECT_EQ(Interface(d.Une)->role(), QAccessible::CheckBox);
    EXPECT_TRUE(Interface(d.Une)->state().checked);

    Interface(d.Cases(2))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(e.etat.QuestionCourante, 2);
    EXPECT_TRUE(Interface(d.Cases(2))->state().selected);
    EXPECT_FALSE(Interface(d.Cases(1))->state().selected);
    EXPECT_EQ(Interface(d.Commentaire)->text(QAccessible::Name),
              QStringLiteral("Commentaire de la question 2, montré après une réponse fausse"));
    d.Questionposee->SetTexte(QString());
    d.Propositions(1)->SetTexte(QString());
    EXPECT_EQ(Interface(d.Cases(2))->text(QAccessible::Name), QStringLiteral("Question 2 vide"));
}

TEST(Accessibilite, ChooserAboutBoxAndHelpNameWhatTheyShow) {
    Editeur e;
    e.dossier.Write(QStringLiteral("QCM1/QCM.txt"), kQuestionnaire);
    e.dossier.Write(QStringLiteral("QCM2/QCM.txt"), "\r\n");
    e.Creer();
    AideClavier aide;
    for (QDialog* boite : std::initializer_list<QDialog*>{e.choix.get(), e.faide.get(), &aide}) {
        boite->show();
        QStringList anonymes;
        Anonymes(Interface(boite), anonymes);
        EXPECT_TRUE(anonymes.isEmpty())
            << boite->objectName().toStdString() << ": " << anonymes.join(u' ').toStdString();
        boite->hide();
    }
}

// The chooser needed the mouse: its buttons take no focus and Escape did
// nothing.
TEST(ChoixQCM, ArrowsChooseEnterLaunchesCtrlNCreatesEscapeCancels) {
    Editeur e;
    e.dossier.Write(QStringLiteral("QCM1/QCM.txt"), kQuestionnaire);
    e.dossier.Write(QStringLiteral("QCM2/QCM.txt"), Lignes({"Fleuves"}));
    e.Creer();
    const QString second = e.choix->ListeReps->item(1)->text();
    const struct {
        std::vector<QKeyCombination> touches;
        ReponseChoix attendue;
    } cas[] = {
        {{Qt::Key_Down, Qt::Key_Return}, {ReponseChoix::Sorte::Dossier, second}},
        {{Qt::Key_Enter}, {ReponseChoix::Sorte::Dossier, e.choix->ListeReps->item(0)->text()}},
        {{Qt::CTRL | Qt::Key_N}, {ReponseChoix::Sorte::Nouveau, {}}},
        {{Qt::Key_Down, Qt::Key_Escape}, {}},
    };
    for (const auto& c : cas) {
        bool ferme = false;
        e.modal.Ajouter([&](QDialog& d) {
            for (const QKeyCombination k : c.touches) {
                QTest::keyClick(d.focusWidget(), k.key(), k.keyboardModifiers());
            }
            ferme = !d.isVisible();
        });
        EXPECT_EQ(e.choix->Choisir(), c.attendue);
        EXPECT_TRUE(ferme);
    }
}
