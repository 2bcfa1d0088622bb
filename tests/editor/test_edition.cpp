// The strip, the arrows and the editing handlers.
#include "Editeur.h"

#include <QTimer>

using namespace qcm;
using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

const QColor kBlanc(255, 255, 255);
const QColor kRouge(255, 0, 0);

// A questionnaire whose question 2 holds a comment and two propositions.
const QByteArray kDeux = Lignes({"Deux",       "",     "",  "melange=NON", "musique=",
                                 "",           "Un ?", "1", "unique=OUI",  "Oui",
                                 "1",          "",     "",  "Deux ?",      "2",
                                 "unique=non", "A",    "B", "12",          "Voir le cours"});

} // namespace

TEST(Bande, ClickOnACellMovesTheBlink) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    d.StaticText1Click(3);
    d.BarreTimer();
    EXPECT_EQ(d.Cases(3)->Couleur(), kRouge);
    QTest::mouseClick(d.Cases(7), Qt::LeftButton);
    EXPECT_EQ(e.etat.QuestionCourante, 7);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(d.Cases(i)->Couleur(), kBlanc) << i;
    }
    EXPECT_TRUE(d.barre->isActive());
    // Each tick of the timer flips the current cell, and only it.
    for (const QColor& attendu : {kRouge, kBlanc, kRouge}) {
        d.BarreTimer();
        EXPECT_EQ(d.Cases(7)->Couleur(), attendu);
        EXPECT_EQ(d.Cases(3)->Couleur(), kBlanc);
    }
}

TEST(Bande, ArrowsWrapAround) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    e.Clic(d.FG);
    EXPECT_EQ(e.etat.QuestionCourante, 30);
    e.Clic(d.FD);
    EXPECT_EQ(e.etat.QuestionCourante, 1);
    d.StaticText1Click(30);
    d.BarreTimer();
    e.Clic(d.FD);
    EXPECT_EQ(e.etat.QuestionCourante, 1);
    EXPECT_EQ(d.Cases(30)->Couleur(), kBlanc);
}

TEST(Bande, ShowingAQuestionRunsTheChangeHandlers) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kDeux);
    e.Demarrer(Choisir("QCM1"));
    TDepart& d = *e.depart;
    EXPECT_FALSE(e.etat.Modifie);
    e.Clic(d.FD);
    // The handlers store back what was shown: the record is unchanged.
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_FALSE(d.Sauver->isEnabled());
    EXPECT_EQ(d.Commentaire->Texte(), QStringLiteral("Voir le cours"));
    EXPECT_EQ(d.Une->Tag, 1);
    EXPECT_EQ(d.Coches(1)->Tag, 1);
    EXPECT_EQ(d.Coches(2)->Tag, 1);
    EXPECT_FALSE(d.Coches(3)->isVisible());
    EXPECT_TRUE(d.Propositions(3)->Texte().isEmpty());
    // Back to question 1: one proposition, slot 2 emptied, its button hidden.
    e.Clic(d.FG);
    EXPECT_EQ(d.Propositions(1)->Texte(), QStringLiteral("Oui"));
    EXPECT_TRUE(d.Propositions(2)->Texte().isEmpty());
    EXPECT_FALSE(d.Coches(2)->isVisible());
    EXPECT_EQ(d.Une->Tag, 0);
    EXPECT_EQ(e.Q(2).Reponse(2), QStringLiteral("B"));
}

TEST(Edition, BlanksKeepTheRightAnswerButtonHidden) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    e.Taper(d.Propositions(1), QStringLiteral("   "));
    EXPECT_FALSE(d.Coches(1)->isVisible());
    e.Taper(d.Propositions(1), QStringLiteral("x"));
    EXPECT_TRUE(d.Coches(1)->isVisible());
    e.Clic(d.Coches(1));
    EXPECT_TRUE(e.Q(1).Juste(1));
    d.Propositions(1)->setPlainText(QString());
    EXPECT_FALSE(d.Coches(1)->isVisible());
    EXPECT_FALSE(e.Q(1).Juste(1));
    EXPECT_EQ(d.Coches(1)->Tag, 0);
    e.Taper(d.Propositions(1), QStringLiteral("y"));
    EXPECT_TRUE(d.Coches(1)->isVisible());
    EXPECT_EQ(d.Coches(1)->Tag, 0);
}

TEST(Edition, RightAnswerRules) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    for (int i = 1; i <= 5; ++i) {
        e.Taper(d.Propositions(i), QStringLiteral("p%1").arg(i));
    }
    auto marques = [&] {
        std::vector<int> m;
        for (int i = 1; i <= 5; ++i) {
            EXPECT_EQ(d.Coches(i)->Tag == 1, e.Q(1).Juste(i)) << i;
            if (e.Q(1).Juste(i)) {
                m.push_back(i);
            }
        }
        return m;
    };
    // Several answers (a new question's setting): each click toggles one.
    ASSERT_EQ(d.Une->Tag, 1);
    e.Clic(d.Coches(2));
    e.Clic(d.Coches(2));
    EXPECT_EQ(marques(), std::vector<int>{});
    e.Clic(d.Coches(1));
    e.Clic(d.Coches(3));
    EXPECT_EQ(marques(), (std::vector<int>{1, 3}));
    // To a single answer with two marks: both go.
    e.Clic(d.Une);
    EXPECT_TRUE(e.Q(1).Unique);
    EXPECT_EQ(marques(), std::vector<int>{});
    // Single answer: radio buttons.
    e.Clic(d.Coches(2));
    e.Clic(d.Coches(4));
    EXPECT_EQ(marques(), std::vector<int>{4});
    e.Clic(d.Coches(4));
    EXPECT_EQ(marques(), std::vector<int>{4});
    // To several and back with one mark: it stays.
    e.Clic(d.Une);
    EXPECT_FALSE(e.Q(1).Unique);
    EXPECT_EQ(marques(), std::vector<int>{4});
    e.Clic(d.Une);
    EXPECT_EQ(marques(), std::vector<int>{4});
}

TEST(Edition, EveryHandlerEnablesSave) {
    const std::vector<std::pair<const char*, std::function<void(Editeur&)>>> gestes = {
        {"titre", [](Editeur& e) { e.Taper(e.depart->Ltitre, "x"); }},
        {"auteur", [](Editeur& e) { e.Taper(e.depart->Auteur, "x"); }},
        {"enonce", [](Editeur& e) { e.Taper(e.depart->Questionposee, "x"); }},
        {"commentaire", [](Editeur& e) { e.Taper(e.depart->Commentaire, "x"); }},
        {"proposition", [](Editeur& e) { e.Taper(e.depart->Propositions(5), "x"); }},
        // Question 2 has several answers: the click takes a mark away.
        {"coche",
         [](Editeur& e) {
             e.Clic(e.depart->FD);
             e.Clic(e.depart->Coches(1));
         }},
        {"une", [](Editeur& e) { e.Clic(e.depart->Une); }},
        {"ordre", [](Editeur& e) { e.Clic(e.depart->BMelange); }},
    };
    for (const auto& [nom, geste] : gestes) {
        Editeur e;
        e.dossier.Write("QCM1/QCM.txt", kDeux);
        e.Demarrer(Choisir("QCM1"));
        ASSERT_FALSE(e.depart->Sauver->isEnabled());
        geste(e);
        EXPECT_TRUE(e.etat.Modifie) << nom;
        EXPECT_TRUE(e.depart->Sauver->isEnabled()) << nom;
    }
}

TEST(Edition, OrderButtonToggles) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    e.Clic(d.BMelange);
    EXPECT_TRUE(e.etat.Questionnaire.Melange);
    EXPECT_EQ(d.BMelange->Glyphe(), d.desordre->Picture);
    e.Clic(d.BMelange);
    EXPECT_FALSE(e.etat.Questionnaire.Melange);
    EXPECT_EQ(d.BMelange->Glyphe(), d.ordre->Picture);
}

TEST(Edition, PropositionAboveTheCountSurvivesShowingAndSaving) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kDeux);
    e.Demarrer(Choisir("QCM1"));
    TDepart& d = *e.depart;
    ASSERT_EQ(e.Q(1).NbReponses, 1);
    e.Taper(d.Propositions(2), QStringLiteral("Non"));
    e.Clic(d.FD);
    e.Clic(d.FG);
    EXPECT_EQ(d.Propositions(2)->Texte(), QStringLiteral("Non"));
    e.Clic(d.Sauver);
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt")
                    .startsWith(Lignes({"Deux", "", "", "melange=NON", "musique=", "", "Un ?", "2",
                                        "unique=OUI", "Oui", "Non", "1", ""})));
}

TEST(Edition, GapBetweenPropositionsIsClosedOnScreenBySaving) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    d.Ltitre->setText(QStringLiteral("Trou"));
    e.Taper(d.Questionposee, QStringLiteral("Q"));
    e.Taper(d.Propositions(1), QStringLiteral("un"));
    e.Taper(d.Propositions(3), QStringLiteral("trois"));
    e.Clic(d.Coches(3));
    e.Clic(d.Sauver);
    EXPECT_EQ(d.Propositions(2)->Texte(), QStringLiteral("trois"));
    EXPECT_TRUE(d.Propositions(3)->Texte().isEmpty());
    EXPECT_EQ(d.Coches(2)->Tag, 1);
    EXPECT_FALSE(d.Coches(3)->isVisible());
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_FALSE(d.Sauver->isEnabled());
    EXPECT_TRUE(
        e.dossier.Read("QCM1/QCM.txt").contains("\r\n2\r\nunique=non\r\nun\r\ntrois\r\n2\r\n"));
}

TEST(Texte, WhatTheFileCannotHoldNeverGetsIn) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    // Enter in a proposition is refused.
    e.Taper(d.Propositions(1), QStringLiteral("a"));
    QTest::keyClick(d.Propositions(1), Qt::Key_Return);
    e.Taper(d.Propositions(1), QStringLiteral("b"));
    EXPECT_EQ(e.Q(1).Reponse(1), QStringLiteral("ab"));
    // A character without a byte in code page 1252 is refused as typed.
    e.Taper(d.Questionposee, QStringLiteral("x\u4e2dy"));
    EXPECT_EQ(e.Q(1).Enonce, QStringLiteral("xy"));
    e.Taper(d.Auteur, QStringLiteral("m\u0153\u4e2d"));
    EXPECT_EQ(e.etat.Questionnaire.Auteur, QStringLiteral("m\u0153"));
    // Line breaks that arrive by another route become spaces.
    d.Commentaire->insertPlainText(QStringLiteral("l1\r\nl2\nl3"));
    EXPECT_EQ(e.Q(1).Commentaire, QStringLiteral("l1 l2 l3"));
    EXPECT_EQ(d.Commentaire->Texte(), QStringLiteral("l1 l2 l3"));
    d.Auteur->clear();
    d.Auteur->insert(QStringLiteral("p\nq"));
    EXPECT_EQ(e.etat.Questionnaire.Auteur, QStringLiteral("p q"));
}
