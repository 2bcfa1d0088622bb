#include "RecordingView.h"

#include "core/Errors.h"
#include "core/Folders.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

using namespace qcm;

TEST(Trimming, RemovesCodesZeroToThirtyTwoOnly) {
    EXPECT_EQ(Trimmed(QStringLiteral("\t\x01 Rome \r\n\x1f")), QStringLiteral("Rome"));
    EXPECT_EQ(Trimmed(QStringLiteral("\u00a0Rome\u00a0")), QStringLiteral("\u00a0Rome\u00a0"));
    EXPECT_EQ(Trimmed(QStringLiteral("   ")), QString());
    EXPECT_EQ(UpperAscii(QStringLiteral("fond écran.mid")), QStringLiteral("FOND éCRAN.MID"));
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
    RecordingView view;
    ViderQuestionnaire(q, view);
    EXPECT_EQ(q.Titre, QStringLiteral("Nouveau QCM"));
    EXPECT_EQ(q.Repertoire, QStringLiteral("Nouveau QCM"));
    EXPECT_TRUE(q.Auteur.isEmpty() && q.Fond.isEmpty() && q.Musique.isEmpty());
    EXPECT_FALSE(q.Melange);
    EXPECT_EQ(q.NbQuestions, 30);
    for (const TQuestion& question : q.Questions) {
        EXPECT_EQ(question, TQuestion{});
        EXPECT_EQ(question.NbReponses, 0);
    }
    EXPECT_EQ(view.calls, (QStringList{"Melange 0", "FermerMusique", "CacherCoches"}));
}

TEST(DerniereQuestion, CountsStatementWithAnyProposition) {
    TQuestionnaire q;
    EXPECT_EQ(DerniereQuestion(q), 0);

    q.Question(7).Enonce = QStringLiteral("Seule question");
    q.Question(7).Reponse(1) = QStringLiteral("oui");
    EXPECT_EQ(DerniereQuestion(q), 7);

    // A statement with only blank propositions does not count.
    q.Question(9).Enonce = QStringLiteral("Sans proposition");
    q.Question(9).Reponse(2) = QStringLiteral("  \t");
    EXPECT_EQ(DerniereQuestion(q), 7);

    // All five slots count, whatever NbReponses says.
    q.Question(12).Enonce = QStringLiteral("Cinquième");
    q.Question(12).Reponse(5) = QStringLiteral("e");
    q.Question(12).NbReponses = 0;
    EXPECT_EQ(DerniereQuestion(q), 12);

    // A statement of spaces is empty.
    q.Question(20).Enonce = QStringLiteral("    ");
    q.Question(20).Reponse(1) = QStringLiteral("a");
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

TEST(OuvrirQuestionnaire, EntersTheFolderAndShowsQuestionOne) {
    TempFolder start;
    QDir(start.path()).mkdir(QStringLiteral("QCM3"));
    EtatEditeur etat;
    etat.Questionnaire.Titre = QStringLiteral("Titre");
    etat.Questionnaire.Auteur = QStringLiteral("Auteur");
    etat.Questionnaire.Repertoire = QStringLiteral("QCM3");
    RecordingView view;
    OuvrirQuestionnaire(etat, view);
    EXPECT_EQ(etat.QuestionCourante, 1);
    EXPECT_EQ(view.calls, (QStringList{"Entete Titre|Auteur", "Question 1"}));
    EXPECT_TRUE(folders::sameFolder(folders::current(), start.file(QStringLiteral("QCM3"))));
}

TEST(OuvrirQuestionnaire, MissingFolderRaisesBeforeShowing) {
    TempFolder start;
    EtatEditeur etat;
    etat.Questionnaire.Repertoire = QStringLiteral("QCM9");
    RecordingView view;
    EXPECT_THROW(OuvrirQuestionnaire(etat, view), EInOutError);
    EXPECT_FALSE(view.calls.contains(QStringLiteral("Question 1")));
    EXPECT_TRUE(folders::sameFolder(folders::current(), start.path()));
}
