// Question operations, their keys and menus, the undo history and the
// saved state.
#include "Editeur.h"

#include "../support/Encoded.h"
#include "editor/Formes.h"
#include "model/QcmFile.h"
#include "platform/Bip.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>

using namespace qcm;
using namespace qcm::model;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

const QColor kBlanc(255, 255, 255);
const QColor kRouge(255, 0, 0);

// n questions "Q1".."Qn", each with one right proposition "Rn" among
// several possible; images
// gives the picture line of each question from the first, fond the
// background's.
QByteArray Questions(int n, const QStringList& images = {}, const char* fond = "") {
    QByteArray out = Lignes({"Essai", "CM2", fond, "melange=NON", "musique="});
    for (int i = 1; i <= n; ++i) {
        const QByteArray q = QByteArray::number(i);
        out += Lignes({images.value(i - 1).toUtf8().constData(), "Q" + q, "1", "unique=non",
                       "R" + q, "1", ""});
    }
    return out;
}

// The editor active, the statement focused, as after a dialog has gone.
void Activer(Editeur& e) {
    e.depart->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.depart.get()));
    e.depart->Questionposee->setFocus();
}

// Opens QCM1 holding texte at question, with the window active and the
// statement focused, as a teacher would be typing.
void Ouvrir(Editeur& e, const QByteArray& texte, int question = 3) {
    e.dossier.Write(QStringLiteral("QCM1/QCM.txt"), texte);
    e.Demarrer(Choisir(QStringLiteral("QCM1")));
    e.depart->StaticText1Click(question);
    Activer(e);
}

void Touche(Editeur& e, QKeyCombination touche) {
    QWidget* cible = QApplication::focusWidget();
    QTest::keyClick(cible != nullptr ? cible : e.depart.get(), touche.key(),
                    touche.keyboardModifiers());
    Editeur::Attendre();
}

// The first seven statements, "-" for an empty slot, each with the digit
// of its picture after a slash.
QString Plan(const TQuestionnaire& q) {
    QStringList out;
    for (int n = 1; n <= 7; ++n) {
        const TQuestion& question = q.Question(n);
        QString s = question.Enonce.isEmpty() ? QStringLiteral("-") : question.Enonce;
        if (!question.Image.isEmpty()) {
            s += QLatin1Char('/') + question.Image.mid(6);
        }
        out << s;
    }
    return out.join(QLatin1Char(' '));
}

// The window shows question n of the record, its cell alone blinking.
void VerifierAffichage(Editeur& e, int n) {
    TDepart& d = *e.depart;
    EXPECT_EQ(e.etat.QuestionCourante, n);
    EXPECT_EQ(d.Questionposee->Texte(), e.Q(n).Enonce);
    EXPECT_EQ(d.Propositions(1)->Texte(), e.Q(n).Reponse(1));
    EXPECT_EQ(d.Coches(1)->Tag, e.Q(n).Juste(1) ? 1 : 0);
    d.BarreTimer();
    for (int i = 1; i <= kMaxQuestions; ++i) {
        EXPECT_EQ(d.Cases(i)->Couleur(), i == n ? kRouge : kBlanc) << i;
    }
}

QStringList Entrees(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) {
        out << (a->isSeparator() ? QStringLiteral("--") : a->text());
    }
    return out;
}

void ClicDroit(QWidget* w) {
    QContextMenuEvent clic(QContextMenuEvent::Mouse, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &clic);
}

} // namespace

TEST(Formes, KeysShapeTheQuestionnaireAndUndoRedoGiveItBack) {
    const struct {
        QKeyCombination touche;
        const char* plan;
        int montree;
    } cas[] = {
        {Qt::ALT | Qt::Key_Insert, "Q1 Q2 - Q3 Q4 Q5 Q6", 3},
        {Qt::ALT | Qt::SHIFT | Qt::Key_Insert, "Q1 Q2 Q3 Q3 Q4 Q5 Q6", 4},
        {Qt::ALT | Qt::Key_Delete, "Q1 Q2 Q4 Q5 Q6 - -", 3},
        {Qt::ALT | Qt::Key_Left, "Q1 Q3 Q2 Q4 Q5 Q6 -", 2},
        {Qt::ALT | Qt::Key_Right, "Q1 Q2 Q4 Q3 Q5 Q6 -", 4},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.plan);
        Editeur e;
        Ouvrir(e, Questions(6));
        const TQuestionnaire lu = e.etat.Questionnaire;
        e.boites.Repondre(Reponse::Oui);
        Touche(e, c.touche);
        EXPECT_EQ(Plan(e.etat.Questionnaire), QString::fromUtf8(c.plan));
        VerifierAffichage(e, c.montree);
        EXPECT_TRUE(e.depart->Sauver->isEnabled());
        const TQuestionnaire apres = e.etat.Questionnaire;
        // The edit does not keep Ctrl+Z for its own undo.
        Touche(e, Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(e.etat.Questionnaire, lu);
        VerifierAffichage(e, 3);
        EXPECT_FALSE(e.depart->Sauver->isEnabled());
        for (const auto retablir : {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
            Touche(e, retablir);
            EXPECT_EQ(e.etat.Questionnaire, apres);
            VerifierAffichage(e, c.montree);
            EXPECT_TRUE(e.depart->Sauver->isEnabled());
            Touche(e, Qt::CTRL | Qt::Key_Z);
        }
    }
}

TEST(Formes, RightClicksOpenMenusThatReachTheOperations) {
    Editeur e;
    e.dossier.Write(QStringLiteral("QCM1/image 2.bmp"), qcm::testing::Plain(4, 4, Qt::red, "BMP"));
    e.dossier.Write(QStringLiteral("QCM1/motif.bmp"), qcm::testing::Plain(8, 8, Qt::blue, "BMP"));
    Ouvrir(e, Questions(6, {{}, QStringLiteral("image 2.bmp")}, "motif.bmp"), 1);
    TDepart& d = *e.depart;
    FormesQuestionnaire& f = *d.Formes;
    // A right click on a cell makes its question current first.
    ClicDroit(d.Cases(5));
    EXPECT_EQ(e.etat.QuestionCourante, 5);
    ASSERT_TRUE(f.MenuBande->isVisible());
    EXPECT_EQ(Entrees(*f.MenuBande), (QStringList{"Insérer une question avant celle-ci\tAlt+Inser",
                                                  "Dupliquer la question\tAlt+Maj+Inser",
                                                  "Supprimer la question…\tAlt+Suppr", "--",
                                                  "Déplacer la question plus tôt\tAlt+←",
                                                  "Déplacer la question plus tard\tAlt+→", "--",
                                                  "Retirer l'image de la question", "--",
                                                  "Annuler\tCtrl+Z", "Rétablir\tCtrl+Y"}));
    f.MenuBande->hide();
    d.findChild<QAction*>(QStringLiteral("PlusTot"))->trigger();
    EXPECT_EQ(Plan(e.etat.Questionnaire), QStringLiteral("Q1 Q2/2.bmp Q3 Q5 Q4 Q6 -"));
    VerifierAffichage(e, 4);

    d.StaticText1Click(2);
    ASSERT_TRUE(d.Photo->isVisible());
    ClicDroit(d.Photo);
    ASSERT_TRUE(f.MenuImage->isVisible());
    const auto action = [&](const char* nom) {
        return d.findChild<QAction*>(QString::fromUtf8(nom));
    };
    EXPECT_TRUE(action("RetirerImage")->isEnabled());
    EXPECT_TRUE(action("RetirerFond")->isEnabled());
    EXPECT_TRUE(action("Annuler")->isEnabled());
    EXPECT_FALSE(action("Retablir")->isEnabled());
    f.MenuImage->hide();
    action("RetirerImage")->trigger();
    EXPECT_TRUE(e.Q(2).Image.isEmpty());
    EXPECT_FALSE(d.Photo->isVisible());
    action("RetirerFond")->trigger();
    EXPECT_TRUE(e.etat.Questionnaire.Fond.isEmpty());
    // Where no picture shows, the background takes the same menu.
    ClicDroit(d.fond);
    ASSERT_TRUE(f.MenuImage->isVisible());
    EXPECT_FALSE(action("RetirerImage")->isEnabled());
    EXPECT_FALSE(action("RetirerFond")->isEnabled());
    f.MenuImage->hide();
    // Taking them away touched no file.
    EXPECT_TRUE(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM1/image 2.bmp"))));
    EXPECT_TRUE(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM1/motif.bmp"))));
    EXPECT_EQ(f.Etapes().Pas(), 3U);
    EXPECT_TRUE(e.boites.montrees.empty());
}

TEST(Formes, DeleteAsksNamingTheQuestionAndAFullQuestionnaireNeverGrows) {
    Editeur e;
    QByteArray trente = Questions(30);
    trente.replace("Q3\r\n", "Quelle est la capitale de la Nouvelle-Z\xe9lande, au sud ?\r\n");
    Ouvrir(e, trente);
    const TQuestionnaire lu = e.etat.Questionnaire;
    platform::BipsComptes bips;
    // No answer scripted: the box answers No.
    Touche(e, Qt::ALT | Qt::Key_Delete);
    Touche(e, Qt::ALT | Qt::Key_Insert);
    Touche(e, Qt::ALT | Qt::SHIFT | Qt::Key_Insert);
    e.depart->StaticText1Click(1);
    Touche(e, Qt::ALT | Qt::Key_Left);
    e.depart->StaticText1Click(30);
    Touche(e, Qt::ALT | Qt::Key_Right);
    EXPECT_EQ(e.etat.Questionnaire, lu);
    EXPECT_EQ(bips.bips, 2);
    ASSERT_EQ(e.boites.montrees.size(), 3U);
    EXPECT_EQ(e.boites.montrees[0].texte,
              QStringLiteral("Supprimer la question 3 « Quelle est la capitale de la "
                             "Nouvelle-Zélande, au… » ?"));
    EXPECT_EQ(e.boites.montrees[0].titre, QStringLiteral("SUPPRESSION D'UNE QUESTION"));
    EXPECT_EQ(e.boites.montrees[0].boutons, platform::Boutons::OuiNonEchapNon);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(e.boites.montrees[i].titre, QStringLiteral("AJOUT D'UNE QUESTION"));
        EXPECT_TRUE(e.boites.montrees[i].texte.startsWith(
            QStringLiteral("Le questionnaire a déjà 30 questions")));
    }
    EXPECT_FALSE(e.depart->Sauver->isEnabled());
}

TEST(Historique, CtrlZUndoesEachEditShowingTheQuestionItTouched) {
    const struct {
        const char* nom;
        std::function<void(Editeur&)> edition;
    } cas[] = {
        {"statement typed",
         [](Editeur& e) { Editeur::Taper(e.depart->Questionposee, QStringLiteral(" bis")); }},
        {"proposition typed",
         [](Editeur& e) {
             e.depart->Propositions(2)->setFocus();
             Editeur::Taper(e.depart->Propositions(2), QStringLiteral("R2b"));
         }},
        {"comment typed",
         [](Editeur& e) {
             e.depart->Commentaire->setFocus();
             Editeur::Taper(e.depart->Commentaire, QStringLiteral("Vu"));
         }},
        {"title typed",
         [](Editeur& e) {
             e.depart->Ltitre->setFocus();
             Editeur::Taper(e.depart->Ltitre, QStringLiteral(" 2"));
         }},
        {"right-answer mark", [](Editeur& e) { e.Clic(e.depart->Coches(1)); }},
        {"several answers", [](Editeur& e) { e.Clic(e.depart->Une); }},
        {"question order", [](Editeur& e) { e.Clic(e.depart->BMelange); }},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Editeur e;
        Ouvrir(e, Questions(6), 2);
        const TQuestionnaire lu = e.etat.Questionnaire;
        c.edition(e);
        ASSERT_NE(e.etat.Questionnaire, lu);
        // Typing during one visit of a field is one step.
        EXPECT_EQ(e.depart->Formes->Etapes().Pas(), 1U);
        EXPECT_TRUE(e.depart->Sauver->isEnabled());
        e.depart->StaticText1Click(5);
        e.depart->Questionposee->setFocus();
        Touche(e, Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(e.etat.Questionnaire, lu);
        VerifierAffichage(e, 2);
        EXPECT_EQ(e.depart->Ltitre->text(), lu.Titre);
        EXPECT_EQ(e.depart->BMelange->Tag, 0);
        EXPECT_EQ(e.depart->Une->Tag, 1);
        EXPECT_FALSE(e.depart->Sauver->isEnabled());
        EXPECT_EQ(e.depart->Formes->Etapes().Pas(), 0U);
    }
}

TEST(Modifie, SaveFollowsTheRecordNotTheNavigation) {
    Editeur e;
    Ouvrir(e, Questions(3));
    TDepart& d = *e.depart;
    // A read-through changes nothing.
    for (int i = 0; i < 4; ++i) {
        e.Clic(d.FD);
    }
    e.Clic(d.FG);
    EXPECT_FALSE(d.Sauver->isEnabled());
    d.StaticText1Click(3);
    d.Questionposee->setFocus();
    Editeur::Taper(d.Questionposee, QStringLiteral("x"));
    EXPECT_TRUE(d.Sauver->isEnabled());
    // Typed back to what was read: nothing to save.
    QTest::keyClick(d.Questionposee, Qt::Key_Backspace);
    EXPECT_FALSE(d.Sauver->isEnabled());
    EXPECT_FALSE(e.etat.Modifie);
    Editeur::Taper(d.Questionposee, QStringLiteral("y"));
    e.Clic(d.Sauver);
    EXPECT_FALSE(d.Sauver->isEnabled());
    EXPECT_EQ(LireQCM(e.etat.DossierOuvert).Question(3).Enonce, e.Q(3).Enonce);
    Touche(e, Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(d.Sauver->isEnabled());
    Touche(e, Qt::CTRL | Qt::Key_Y);
    EXPECT_FALSE(d.Sauver->isEnabled());
    // Leaving asks to save only when something changed.
    e.boites.Repondre(Reponse::Ok);
    d.FinClick();
    EXPECT_EQ(e.Legendes(), std::vector<QString>{QStringLiteral("SORTIE")});
}

TEST(Images, APickAfterAMoveNeverTakesTheNameOfAnotherQuestionsPicture) {
    // The picture of question 3 is there, or missing from the folder.
    for (const bool present : {true, false}) {
        SCOPED_TRACE(present);
        Editeur e;
        const QByteArray rouge = qcm::testing::Plain(4, 4, Qt::red, "BMP");
        if (present) {
            e.dossier.Write(QStringLiteral("QCM1/image 3.bmp"), rouge);
        }
        e.dossier.Write(QStringLiteral("Photos/chat.bmp"),
                        qcm::testing::Plain(6, 6, Qt::green, "BMP"));
        Ouvrir(e, Questions(4, {{}, {}, QStringLiteral("image 3.bmp")}));
        Touche(e, Qt::ALT | Qt::Key_Right);
        ASSERT_EQ(e.Q(4).Image, QStringLiteral("image 3.bmp"));
        e.depart->StaticText1Click(3);
        e.modal.Ajouter(Prendre(e.dossier.File(QStringLiteral("Photos/chat.bmp"))));
        e.depart->ChargeImageClick();
        EXPECT_EQ(e.Q(3).Image, QStringLiteral("image 3 (2).bmp"));
        EXPECT_EQ(e.Q(4).Image, QStringLiteral("image 3.bmp"));
        EXPECT_EQ(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM1/image 3.bmp"))), present);
        if (present) {
            EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/image 3.bmp")), rouge);
        }
    }
}

TEST(Formes, UndoneAndRedoneCopiesAndDeletedQuestionsKeepTheirFiles) {
    Editeur e;
    e.dossier.Write(QStringLiteral("QCM1/image 1.bmp"), qcm::testing::Plain(4, 4, Qt::red, "BMP"));
    e.dossier.Write(QStringLiteral("Photos/chat.bmp"), qcm::testing::Plain(6, 6, Qt::green, "BMP"));
    e.dossier.Write(QStringLiteral("QCM2/QCM.txt"), Questions(2));
    Ouvrir(e, Questions(3, {QStringLiteral("image 1.bmp")}), 2);
    e.modal.Ajouter(Prendre(e.dossier.File(QStringLiteral("Photos/chat.bmp"))));
    e.depart->ChargeImageClick();
    ASSERT_EQ(e.Q(2).Image, QStringLiteral("image 2.bmp"));
    Activer(e);
    Touche(e, Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(e.Q(2).Image.isEmpty());
    Touche(e, Qt::CTRL | Qt::Key_Y);
    e.depart->StaticText1Click(1);
    e.boites.Repondre(Reponse::Oui);
    Touche(e, Qt::ALT | Qt::Key_Delete);
    EXPECT_EQ(Plan(e.etat.Questionnaire), QStringLiteral("Q2/2.bmp Q3 - - - - -"));
    e.Clic(e.depart->Sauver);
    // Another questionnaire: the copies the saved file names stay, and
    // the history starts again.
    e.modal.Ajouter(Choisir(QStringLiteral("QCM2")));
    e.depart->ChargerClick();
    EXPECT_TRUE(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM1/image 1.bmp"))));
    EXPECT_TRUE(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM1/image 2.bmp"))));
    const TQuestionnaire deux = e.etat.Questionnaire;
    platform::BipsComptes bips;
    Touche(e, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(e.etat.Questionnaire, deux);
    EXPECT_EQ(bips.bips, 1);
}

TEST(Historique, AClickElsewhereEndsTheVisitOfAField) {
    Editeur e;
    Ouvrir(e, Questions(6), 2);
    TDepart& d = *e.depart;
    Editeur::Taper(d.Questionposee, QStringLiteral("a"));
    // A click inside the field keeps its visit.
    QTest::mouseClick(d.Questionposee->viewport(), Qt::LeftButton);
    Editeur::Taper(d.Questionposee, QStringLiteral("b"));
    EXPECT_EQ(d.Formes->Etapes().Pas(), 1U);
    QTest::mouseClick(d.Cases(5), Qt::LeftButton);
    QTest::mouseClick(d.Cases(2), Qt::LeftButton);
    Editeur::Taper(d.Questionposee, QStringLiteral("c"));
    EXPECT_EQ(d.Formes->Etapes().Pas(), 2U);
}
