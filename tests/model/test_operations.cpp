#include "core/Errors.h"
#include "model/Historique.h"
#include "model/Operations.h"

#include "RecordingView.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qcm;
using namespace qcm::model;

namespace {

// Six questions "Q1".."Q6"; each has its picture, but 5 shows the picture of
// 2; question 3 has two propositions, the second one right.
TQuestionnaire SixQuestions() {
    TQuestionnaire q;
    ViderQuestionnaire(q);
    q.Titre = QStringLiteral("Capitales");
    q.Fond = QStringLiteral("fond écran.bmp");
    for (int n = 1; n <= 6; ++n) {
        TQuestion& question = q.Question(n);
        question.Enonce = QStringLiteral("Q%1").arg(n);
        question.Image = QStringLiteral("image %1.jpg").arg(n == 5 ? 2 : n);
    }
    q.Question(3).NbReponses = 2;
    q.Question(3).Reponse(1) = QStringLiteral("Lyon");
    q.Question(3).Reponse(2) = QStringLiteral("Paris");
    q.Question(3).Juste(2) = true;
    return q;
}

TQuestionnaire Plein() {
    TQuestionnaire q = SixQuestions();
    for (int n = 7; n <= kMaxQuestions; ++n) {
        q.Question(n).Enonce = QStringLiteral("Q%1").arg(n);
    }
    return q;
}

// The statements of the first questions, "-" for an empty one, with each
// picture after a slash: what moved where, at a glance.
QString Plan(const TQuestionnaire& q, int jusque = 7) {
    QStringList out;
    for (int n = 1; n <= jusque; ++n) {
        const TQuestion& question = q.Question(n);
        QString s = question.Enonce.isEmpty() ? QStringLiteral("-") : question.Enonce;
        if (!question.Image.isEmpty()) {
            s += QLatin1Char('/') + question.Image.mid(6, 1);
        }
        out << s;
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

TEST(Operations, MoveQuestionsWithTheirPicturesAndShowTheRightOne) {
    const TQuestionnaire six = SixQuestions();
    const struct {
        const char* nom;
        std::function<std::optional<Resultat>(const TQuestionnaire&)> operation;
        const char* plan;
        int montree;
    } cases[] = {
        {"insert first", [](auto& q) { return InsererQuestion(q, 1); },
         "- Q1/1 Q2/2 Q3/3 Q4/4 Q5/2 Q6/6", 1},
        {"insert at 4", [](auto& q) { return InsererQuestion(q, 4); },
         "Q1/1 Q2/2 Q3/3 - Q4/4 Q5/2 Q6/6", 4},
        {"insert after the last", [](auto& q) { return InsererQuestion(q, 7); },
         "Q1/1 Q2/2 Q3/3 Q4/4 Q5/2 Q6/6 -", 7},
        {"duplicate 2", [](auto& q) { return DupliquerQuestion(q, 2); },
         "Q1/1 Q2/2 Q2/2 Q3/3 Q4/4 Q5/2 Q6/6", 3},
        {"duplicate the last", [](auto& q) { return DupliquerQuestion(q, 6); },
         "Q1/1 Q2/2 Q3/3 Q4/4 Q5/2 Q6/6 Q6/6", 7},
        {"delete first", [](auto& q) { return SupprimerQuestion(q, 1); },
         "Q2/2 Q3/3 Q4/4 Q5/2 Q6/6 - -", 1},
        {"delete one sharing its picture", [](auto& q) { return SupprimerQuestion(q, 2); },
         "Q1/1 Q3/3 Q4/4 Q5/2 Q6/6 - -", 2},
        {"delete the last", [](auto& q) { return SupprimerQuestion(q, 6); },
         "Q1/1 Q2/2 Q3/3 Q4/4 Q5/2 - -", 6},
        {"move first later", [](auto& q) { return DeplacerQuestion(q, 1, 1); },
         "Q2/2 Q1/1 Q3/3 Q4/4 Q5/2 Q6/6 -", 2},
        {"move 3 earlier", [](auto& q) { return DeplacerQuestion(q, 3, -1); },
         "Q1/1 Q3/3 Q2/2 Q4/4 Q5/2 Q6/6 -", 2},
        {"move the last into an empty slot", [](auto& q) { return DeplacerQuestion(q, 6, 1); },
         "Q1/1 Q2/2 Q3/3 Q4/4 Q5/2 - Q6/6", 7},
        {"picture shared by another", [](auto& q) { return RetirerImage(q, 5); },
         "Q1/1 Q2/2 Q3/3 Q4/4 Q5 Q6/6 -", 5},
    };
    for (const auto& c : cases) {
        const auto r = c.operation(six);
        ASSERT_TRUE(r) << c.nom;
        EXPECT_EQ(Plan(r->Questionnaire), QString::fromUtf8(c.plan)) << c.nom;
        EXPECT_EQ(r->Question, c.montree) << c.nom;
        // The question's own fields travel whole; the rest stays.
        EXPECT_EQ(r->Questionnaire.Titre, six.Titre) << c.nom;
        EXPECT_EQ(r->Questionnaire.Fond, six.Fond) << c.nom;
        EXPECT_EQ(r->Questionnaire.NbQuestions, kMaxQuestions) << c.nom;
        for (const TQuestion& question : r->Questionnaire.Questions) {
            if (question.Enonce == QStringLiteral("Q3")) {
                EXPECT_EQ(question, six.Question(3)) << c.nom;
            }
        }
    }
}

TEST(Operations, NothingHappensAtTheEdges) {
    const TQuestionnaire six = SixQuestions();
    EXPECT_FALSE(DeplacerQuestion(six, 1, -1));
    EXPECT_FALSE(DeplacerQuestion(Plein(), kMaxQuestions, 1));
    EXPECT_FALSE(RetirerImage(six, 7));
    TQuestionnaire sansFond = six;
    sansFond.Fond.clear();
    EXPECT_FALSE(RetirerFond(sansFond));
    ASSERT_TRUE(RetirerFond(six));
    EXPECT_EQ(*RetirerFond(six), sansFond);
    // Deleting the thirtieth question leaves an empty thirtieth slot.
    const Resultat r = SupprimerQuestion(Plein(), kMaxQuestions);
    EXPECT_EQ(r.Questionnaire.Question(kMaxQuestions), TQuestion{});
    EXPECT_EQ(r.Question, kMaxQuestions);
}

TEST(Operations, AddingNeverPushesTheLastQuestionOut) {
    TQuestionnaire plein = Plein();
    EXPECT_FALSE(RefusAjout(plein).isEmpty());
    EXPECT_THROW(InsererQuestion(plein, 3), core::Exception);
    EXPECT_THROW(DupliquerQuestion(plein, 3), core::Exception);
    // A last slot with marks and settings only holds nothing worth keeping.
    plein.Question(kMaxQuestions) = TQuestion{};
    plein.Question(kMaxQuestions).Unique = true;
    plein.Question(kMaxQuestions).Juste(2) = true;
    EXPECT_TRUE(RefusAjout(plein).isEmpty());
    const Resultat r = InsererQuestion(plein, 1);
    EXPECT_EQ(r.Questionnaire.Question(kMaxQuestions).Enonce, QStringLiteral("Q29"));
    EXPECT_EQ(DerniereQuestion(r.Questionnaire), kMaxQuestions);
}

TEST(Historique, UndoAndRedoGiveBackTheWholeRecord) {
    const TQuestionnaire six = SixQuestions();
    const std::function<Resultat(const TQuestionnaire&)> operations[] = {
        [](auto& q) { return InsererQuestion(q, 2); },
        [](auto& q) { return DupliquerQuestion(q, 3); },
        [](auto& q) { return SupprimerQuestion(q, 2); },
        [](auto& q) { return *DeplacerQuestion(q, 4, -1); },
        [](auto& q) { return *RetirerImage(q, 5); },
        [](auto& q) {
            return Resultat{*RetirerFond(q), 4};
        },
    };
    Historique h;
    TQuestionnaire actuel = six;
    std::vector<std::pair<TQuestionnaire, int>> etats{{six, 4}};
    for (const auto& operation : operations) {
        Resultat r = operation(actuel);
        h.Noter(actuel, 4, r.Question);
        actuel = r.Questionnaire;
        etats.emplace_back(actuel, r.Question);
    }
    // Back to the start, then forward to the end, comparing whole records.
    for (std::size_t i = etats.size() - 1; i > 0; --i) {
        const auto retour = h.Annuler(actuel);
        ASSERT_TRUE(retour);
        EXPECT_EQ(retour->Questionnaire, etats[i - 1].first) << i;
        EXPECT_EQ(retour->Question, 4) << i;
        actuel = retour->Questionnaire;
    }
    EXPECT_FALSE(h.Annuler(actuel));
    for (std::size_t i = 1; i < etats.size(); ++i) {
        const auto avance = h.Retablir(actuel);
        ASSERT_TRUE(avance);
        EXPECT_EQ(avance->Questionnaire, etats[i].first) << i;
        EXPECT_EQ(avance->Question, etats[i].second) << i;
        actuel = avance->Questionnaire;
    }
    EXPECT_FALSE(h.Retablir(actuel));
}

TEST(Historique, KeepsItsStepsAndForgetsTheRedoneOnANewChange) {
    Historique h;
    TQuestionnaire q;
    for (int i = 0; i < 600; ++i) {
        TQuestionnaire avant = q;
        q.Titre = QString::number(i);
        h.Noter(avant, 1, 1);
    }
    EXPECT_GE(h.Pas(), 200U);
    EXPECT_EQ(h.Pas(), Historique::kPasMax);
    // The oldest went first.
    for (std::size_t i = 0; i < Historique::kPasMax; ++i) {
        q = h.Annuler(q)->Questionnaire;
    }
    EXPECT_EQ(q.Titre, QString::number(600 - Historique::kPasMax - 1));
    q = h.Retablir(q)->Questionnaire;
    h.Noter(q, 1, 1);
    EXPECT_FALSE(h.PeutRetablir());
    h.Vider();
    EXPECT_FALSE(h.PeutAnnuler());
}

TEST(MarquerModifie, FollowsTheRecordLastReadOrSaved) {
    EtatEditeur etat;
    RecordingView view;
    etat.Questionnaire = SixQuestions();
    MarquerEnregistre(etat, view);
    EXPECT_FALSE(etat.Modifie);
    etat.Questionnaire.Question(2).Juste(1) = true;
    MarquerModifie(etat, view);
    EXPECT_TRUE(etat.Modifie);
    etat.Questionnaire.Question(2).Juste(1) = false;
    MarquerModifie(etat, view);
    EXPECT_FALSE(etat.Modifie);
    EXPECT_EQ(view.calls, (QStringList{"Sauver 0", "Sauver 1", "Sauver 0"}));
}
