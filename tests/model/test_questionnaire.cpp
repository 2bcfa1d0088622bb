#include "RecordingView.h"

#include <gtest/gtest.h>

using namespace qcm;
using namespace qcm::model;

TEST(Trimming, RemovesCodesZeroToThirtyTwoOnly) {
    EXPECT_EQ(Nettoye(QStringLiteral("\t\x01 Rome \r\n\x1f")), QStringLiteral("Rome"));
    EXPECT_EQ(Nettoye(QStringLiteral("\u00a0Rome\u00a0")), QStringLiteral("\u00a0Rome\u00a0"));
    EXPECT_EQ(Nettoye(QStringLiteral("   ")), QString());
    EXPECT_EQ(MajusculesAscii(QStringLiteral("fond écran.mid")), QStringLiteral("FOND éCRAN.MID"));
}

TEST(ViderQuestionnaire, GivesANewEmptyQuestionnaire) {
    TQuestionnaire q;
    q.Titre = QStringLiteral("Ancien");
    q.Auteur = QStringLiteral("Moi");
    q.Melange = true;
    q.Fond = QStringLiteral("fond écran.bmp");
    q.Musique = QStringLiteral("X.MID");
    q.Question(4).Enonce = QStringLiteral("?");
    q.Question(4).NbReponses = 3;
    q.Question(4).Juste(2) = true;
    ViderQuestionnaire(q);
    EXPECT_EQ(q.Titre, QStringLiteral("Nouveau QCM"));
    EXPECT_EQ(q.Repertoire, QStringLiteral("Nouveau QCM"));
    EXPECT_TRUE(q.Auteur.isEmpty() && q.Fond.isEmpty() && q.Musique.isEmpty());
    EXPECT_FALSE(q.Melange);
    EXPECT_EQ(q.NbQuestions, 30);
    for (const TQuestion& question : q.Questions) {
        EXPECT_EQ(question, TQuestion{});
        EXPECT_EQ(question.NbReponses, 0);
    }
}

TEST(DerniereQuestion, CountsAnyQuestionThatHoldsSomething) {
    TQuestionnaire q;
    EXPECT_EQ(DerniereQuestion(q), 0);
    // Blanks hold nothing; every text field counts, in any slot.
    const struct {
        int n;
        QString TQuestion::*champ;
        int slot;
    } cases[] = {{3, &TQuestion::Enonce, 0},
                 {5, &TQuestion::Commentaire, 0},
                 {8, &TQuestion::Image, 0},
                 {12, nullptr, 5}};
    for (const auto& c : cases) {
        TQuestion& question = q.Question(c.n);
        QString& champ = c.champ != nullptr ? question.*c.champ : question.Reponse(c.slot);
        champ = QStringLiteral(" \t ");
        EXPECT_LT(DerniereQuestion(q), c.n);
        champ = QStringLiteral("x");
        EXPECT_EQ(DerniereQuestion(q), c.n);
    }
    // Marks and settings alone are not worth a block.
    q.Question(20).Juste(1) = true;
    q.Question(20).Unique = true;
    EXPECT_EQ(DerniereQuestion(q), 12);
}

TEST(MarquerModifie, SetsTheFlagAndEnablesSave) {
    EtatEditeur etat;
    RecordingView view;
    EXPECT_FALSE(etat.Modifie);
    EXPECT_TRUE(etat.MusiqueActive);
    MarquerModifie(etat, view);
    EXPECT_TRUE(etat.Modifie);
    EXPECT_EQ(view.calls, QStringList{"Sauver 1"});
}

TEST(OuvrirQuestionnaire, ShowsQuestionOne) {
    EtatEditeur etat;
    etat.Questionnaire.Titre = QStringLiteral("Titre");
    etat.Questionnaire.Auteur = QStringLiteral("Auteur");
    RecordingView view;
    OuvrirQuestionnaire(etat, view);
    EXPECT_EQ(etat.QuestionCourante, 1);
    EXPECT_EQ(view.calls, (QStringList{"Entete Titre|Auteur", "Question 1"}));
}
