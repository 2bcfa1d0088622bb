// The window's layout, the start-up flow and the chooser.
#include "Editeur.h"

#include "core/Errors.h"
#include "core/Folders.h"

#include <QLabel>
#include <QTimer>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;
using namespace qcm::test;

TEST(Centrer, TruncatesTowardZero) {
    EXPECT_EQ(Centrer(640, 640), 0);
    EXPECT_EQ(Centrer(1024, 640), 192);
    EXPECT_EQ(Centrer(768, 480), 144);
    EXPECT_EQ(Centrer(1023, 640), 191);
    EXPECT_EQ(Centrer(767, 480), 143);
    EXPECT_EQ(Centrer(601, 640), -19);
}

TEST(PlacerFenetre, ScreenTooSmallKeepsTheToolbarOnScreen) {
    const QSize fenetre(640, 480);
    const struct {
        QRect ecran;
        QRect disponible;
        QPoint attendu;
    } cas[] = {
        {{0, 0, 640, 480}, {0, 0, 640, 480}, {0, 0}},
        {{0, 0, 1024, 768}, {0, 0, 1024, 768}, {192, 144}},
        {{0, 0, 1023, 767}, {0, 0, 1023, 740}, {191, 143}},
        {{1920, 0, 1024, 768}, {1920, 0, 1024, 768}, {2112, 144}},
        // Smaller than the window: its top-left where windows may go.
        {{0, 0, 600, 400}, {0, 0, 600, 400}, {0, 0}},
        {{0, 0, 600, 400}, {0, 24, 600, 376}, {0, 24}},
        {{0, 0, 800, 400}, {0, 0, 800, 400}, {80, 0}},
        // A panel over the top of a screen of the window's size.
        {{0, 0, 640, 480}, {0, 30, 640, 450}, {0, 30}},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(PlacerFenetre(c.ecran, c.disponible, fenetre), c.attendu) << c.ecran.width();
    }
}

TEST(Depart, EveryDesignedControlAtItsPlace) {
    Editeur e;
    e.Creer();
    TDepart& d = *e.depart;
    EXPECT_EQ(d.size(), QSize(640, 480));
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    const struct {
        QWidget* w;
        QRect place;
    } attendus[] = {
        {d.fond, {0, 0, 640, 480}},
        {d.Photo, {312, 48, 320, 320}},
        {d.Ltitre, {8, 8, 265, 30}},
        {d.Auteur, {8, 40, 297, 21}},
        {d.Questionposee, {8, 88, 297, 65}},
        {d.Commentaire, {312, 376, 321, 73}},
        {d.NouveauQ, {280, 8, 33, 33}},
        {d.Charger, {312, 8, 33, 33}},
        {d.Sauver, {344, 8, 33, 33}},
        {d.ChargeImage, {376, 8, 33, 33}},
        {d.Changefond, {408, 8, 33, 33}},
        {d.BMelange, {440, 8, 33, 33}},
        {d.Une, {472, 8, 33, 33}},
        {d.FG, {504, 8, 33, 33}},
        {d.FD, {536, 8, 33, 33}},
        {d.Son, {568, 8, 33, 33}},
        {d.Fin, {600, 8, 33, 33}},
    };
    for (const auto& a : attendus) {
        EXPECT_EQ(a.w->geometry(), a.place) << a.w->objectName().toStdString();
        // Before the first paint only the background and the picture exist.
        EXPECT_EQ(a.w->isVisibleTo(&d), a.w == d.fond || a.w == d.Photo)
            << a.w->objectName().toStdString();
    }
    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(d.Cases(i)->geometry(), QRect(8 + 10 * (i - 1), 64, 10, 10));
        EXPECT_EQ(d.Cases(i)->Couleur(), QColor(255, 255, 255));
    }
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(d.Coches(i)->geometry(), QRect(8, 168 + 56 * (i - 1), 33, 33));
        EXPECT_EQ(d.Propositions(i)->geometry(), QRect(48, 176 + 56 * (i - 1), 257, 49));
        EXPECT_EQ(d.Propositions(i)->toolTip(), QStringLiteral("Proposition numéro %1").arg(i));
    }
    EXPECT_EQ(d.CentreImage, QPoint(472, 208));
    EXPECT_EQ(d.barre->interval(), 500);
    EXPECT_FALSE(d.barre->isActive());
    EXPECT_EQ(e.etat.RepertoireDepart, e.dossier.Path());
    EXPECT_EQ(e.etat.QuestionCourante, 0);
    // The glyphs are built in, with their bottom-left colour transparent.
    for (const ImageGlyphe* g :
         {d.Cocheon, d.Cocheoff, d.Iune, d.Iplus, d.ordre, d.desordre, d.SonOn, d.Sonoff}) {
        ASSERT_EQ(g->Picture.size(), QSize(30, 30)) << g->objectName().toStdString();
        EXPECT_EQ(qAlpha(g->Picture.pixel(0, 29)), 0);
    }
}

TEST(Depart, TabOrderRunsThroughTheEditsOnly) {
    Editeur e;
    e.Creer();
    TDepart& d = *e.depart;
    const std::vector<QWidget*> ordre = {d.Commentaire,     d.Questionposee,   d.Auteur,
                                         d.Ltitre,          d.Propositions(1), d.Propositions(2),
                                         d.Propositions(3), d.Propositions(4), d.Propositions(5)};
    // The window's own controls that take the focus by Tab, in chain order.
    std::vector<QWidget*> chaine;
    QWidget* w = d.Commentaire;
    do {
        if (w->parentWidget() == &d && (w->focusPolicy() & Qt::TabFocus) != 0) {
            chaine.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != d.Commentaire);
    EXPECT_EQ(chaine, ordre);
    EXPECT_EQ(d.Sauver->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(d.Cases(1)->focusPolicy(), Qt::NoFocus);
}

TEST(Demarrage, CancelledChooserShowsTheAboutBoxOnceAndEnds) {
    Editeur e;
    e.Demarrer(Annuler());
    EXPECT_EQ(e.modal.montres, (std::vector<QString>{"ChoixQCM", "Faide"}));
    EXPECT_EQ(e.terminaisons, 1);
    EXPECT_EQ(e.etat.QuestionCourante, 0);
    EXPECT_FALSE(e.depart->Ltitre->isVisible());
    EXPECT_FALSE(e.depart->Cases(1)->isVisible());
    // Painting again never runs the chooser again.
    e.depart->repaint();
    Editeur::Attendre();
    EXPECT_EQ(e.modal.montres.size(), 2U);
    // The application's end closes the window with no further question.
    e.depart->close();
    EXPECT_FALSE(e.depart->isVisible());
    EXPECT_TRUE(e.boites.montrees.empty());
    EXPECT_EQ(e.modal.montres.size(), 2U);
}

TEST(Demarrage, NewQuestionnaireOpensWithSaveEnabled) {
    Editeur e;
    e.Demarrer(Nouveau());
    EXPECT_TRUE(QFileInfo(e.dossier.File("QCM1")).isDir());
    EXPECT_TRUE(QFileInfo::exists(e.dossier.File("QCM1/QCM.txt")) == false);
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Nouveau QCM"));
    EXPECT_EQ(e.depart->Ltitre->text(), QStringLiteral("Nouveau QCM"));
    EXPECT_TRUE(e.etat.Modifie);
    EXPECT_TRUE(e.depart->Sauver->isEnabled());
    EXPECT_EQ(e.etat.QuestionCourante, 1);
    EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File("QCM1")));
    for (QWidget* w :
         {static_cast<QWidget*>(e.depart->Son), static_cast<QWidget*>(e.depart->Fin),
          static_cast<QWidget*>(e.depart->Ltitre), static_cast<QWidget*>(e.depart->BMelange),
          static_cast<QWidget*>(e.depart->Cases(30)),
          static_cast<QWidget*>(e.depart->Propositions(5)), static_cast<QWidget*>(e.depart->FD)}) {
        EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(e.depart->Coches(1)->isVisible());
    EXPECT_TRUE(e.depart->barre->isActive());
    EXPECT_EQ(e.terminaisons, 0);
}

TEST(Demarrage, ExistingQuestionnaireOpensWithSaveDisabled) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt",
                    Lignes({"Capitales", "CM2", "", "melange=OUI", "musique=", "", "Italie ?", "2",
                            "unique=OUI", "Rome", "Milan", "1", "Rome, bien s\xfbr"}));
    e.Demarrer(Choisir("QCM1"));
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_FALSE(e.depart->Sauver->isEnabled());
    EXPECT_EQ(e.depart->Ltitre->text(), QStringLiteral("Capitales"));
    EXPECT_EQ(e.depart->Commentaire->Texte(), QStringLiteral("Rome, bien sûr"));
    EXPECT_EQ(e.depart->Propositions(2)->Texte(), QStringLiteral("Milan"));
    EXPECT_TRUE(e.depart->Coches(2)->isVisible());
    EXPECT_FALSE(e.depart->Coches(3)->isVisible());
    EXPECT_EQ(e.depart->Coches(1)->Tag, 1);
    EXPECT_EQ(e.depart->BMelange->Tag, 1);
    EXPECT_EQ(e.depart->Une->Tag, 0);
    // A file without a background gets the navy fill.
    EXPECT_EQ(e.depart->fond->Image().pixelColor(5, 5), QColor(0, 0, 128));
}

TEST(Demarrage, FailedOpeningStillLeavesAWayOnOrOut) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Lignes({"Cassé", "", "", "melange=NON", "musique=", "",
                                            "Question", "", "unique=OUI"}));
    e.Demarrer(Choisir("QCM1"));
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_EQ(e.boites.montrees[0].texte, QStringLiteral("Saisie numérique incorrecte"));
    EXPECT_EQ(e.boites.montrees[0].titre, QStringLiteral("QCM"));
    EXPECT_EQ(e.etat.QuestionCourante, 0);
    EXPECT_TRUE(e.depart->Charger->isVisible());
    EXPECT_TRUE(e.depart->NouveauQ->isVisible());
    EXPECT_TRUE(e.depart->Fin->isVisible());
    EXPECT_FALSE(e.depart->Sauver->isVisible());
    EXPECT_FALSE(e.depart->Ltitre->isVisible());
    EXPECT_FALSE(e.depart->Cases(1)->isVisible());
    EXPECT_TRUE(e.etat.DossierOuvert.isEmpty());
    // Choosing again with a new questionnaire brings the whole editor.
    e.modal.Ajouter(Nouveau());
    e.Clic(e.depart->Charger);
    EXPECT_EQ(e.etat.QuestionCourante, 1);
    EXPECT_TRUE(e.depart->Ltitre->isVisible());
    EXPECT_TRUE(e.depart->Sauver->isVisible());
}

// ------------------------------------------------------------------ chooser

namespace {
struct Choix {
    TempDir dossier;
    platform::BoitesScriptees boites;
    platform::ExecuteurScripte modal;
    std::unique_ptr<TChoixQCM> choix;
    void Creer() {
        choix = std::make_unique<TChoixQCM>(dossier.Path());
        choix->FormCreate();
    }
    QStringList Titres() const {
        QStringList t;
        for (int i = 0; i < choix->Liste->count(); ++i) {
            t << choix->Liste->item(i)->text();
        }
        return t;
    }
};
} // namespace

TEST(ChoixQCM, ListsFoldersWithoutADotHoldingAReadableFile) {
    Choix c;
    c.dossier.Write("QCM1/QCM.txt", Lignes({"Capitales", "x"}));
    QDir(c.dossier.Path()).mkdir("QCM2");
    c.dossier.Write("Notes.old/QCM.txt", Lignes({"Caché"}));
    c.dossier.Write(".cache/QCM.txt", Lignes({"Caché"}));
    c.dossier.Write("QCM9", "a file, not a folder");
    c.Creer();
    EXPECT_EQ(c.Titres(), QStringList{"Capitales"});
    c.modal.Ajouter(
        [](QDialog& d) { QTest::mouseClick(dynamic_cast<TChoixQCM&>(d).CHARGER, Qt::LeftButton); });
    EXPECT_EQ(c.choix->Choisir(), (ReponseChoix{ReponseChoix::Sorte::Dossier, "QCM1"}));
}

TEST(ChoixQCM, TitlesAreFirstLinesAsWritten) {
    Choix c;
    c.dossier.Write("Maths/qcm.TXT", "  Tables de 7\r\nx\r\n");
    c.dossier.Write("Vide/QCM.txt", "");
    c.dossier.Write("Accent/QCM.txt", "Fran\xe7"
                                      "ais\x1a"
                                      "suite");
    c.dossier.Write("LF/QCM.txt", "un\ndeux\rtrois");
    c.Creer();
    QStringList titres = c.Titres();
    titres.sort();
    EXPECT_EQ(titres, (QStringList{"", "  Tables de 7", "Français", "un\ndeux"}));
    EXPECT_EQ(c.choix->ListeReps->count(), 4);
    EXPECT_FALSE(c.choix->ListeReps->isVisibleTo(c.choix.get()));
}

TEST(ChoixQCM, EveryShowingSelectsTheFirstEntry) {
    Choix c;
    c.dossier.Write("A/QCM.txt", "Un\r\n");
    c.dossier.Write("B/QCM.txt", "Deux\r\n");
    c.Creer();
    c.modal.Ajouter([](QDialog& d) {
        auto& ch = dynamic_cast<TChoixQCM&>(d);
        EXPECT_EQ(ch.Liste->currentRow(), 0);
        ch.Liste->setCurrentRow(1);
        QTest::mouseClick(ch.CHARGER, Qt::LeftButton);
    });
    EXPECT_EQ(c.choix->Choisir().dossier, c.choix->ListeReps->item(1)->text());
    c.modal.Ajouter([](QDialog& d) {
        auto& ch = dynamic_cast<TChoixQCM&>(d);
        EXPECT_EQ(ch.Liste->currentRow(), 0);
        QTest::mouseDClick(ch.Liste->viewport(), Qt::LeftButton);
    });
    EXPECT_EQ(c.choix->Choisir().dossier, c.choix->ListeReps->item(0)->text());
    // Cancelling after an earlier choice answers nothing.
    c.modal.Ajouter(Annuler());
    EXPECT_EQ(c.choix->Choisir(), ReponseChoix{});
}

TEST(ChoixQCM, EmptyListReportsTheIndexAndStaysOpen) {
    Choix c;
    c.Creer();
    bool ouvert = false;
    c.modal.Ajouter([&](QDialog& d) {
        auto& ch = dynamic_cast<TChoixQCM&>(d);
        QTest::mouseClick(ch.CHARGER, Qt::LeftButton);
        ouvert = ch.isVisible();
        QTest::mouseClick(ch.NOUVEAU, Qt::LeftButton);
    });
    EXPECT_EQ(c.choix->Choisir().sorte, ReponseChoix::Sorte::Nouveau);
    EXPECT_TRUE(ouvert);
    ASSERT_EQ(c.boites.montrees.size(), 1U);
    EXPECT_EQ(c.boites.montrees[0].texte, QStringLiteral("Indice de liste hors limites (-1)"));
}

TEST(ChoixQCM, Layout) {
    Choix c;
    c.Creer();
    TChoixQCM& ch = *c.choix;
    EXPECT_EQ(ch.size(), QSize(336, 263));
    EXPECT_EQ(ch.Liste->geometry(), QRect(8, 56, 321, 145));
    EXPECT_EQ(ch.Label1->text(), QStringLiteral("Choix d'un questionnaire"));
    EXPECT_EQ(ch.CHARGER->text(), QStringLiteral("LANCER"));
    EXPECT_EQ(ch.CHARGER->geometry(), QRect(16, 216, 81, 33));
    EXPECT_EQ(ch.NOUVEAU->geometry(), QRect(120, 216, 89, 33));
    EXPECT_EQ(ch.QUITTER->text(), QStringLiteral("ANNULER"));
    EXPECT_EQ(ch.QUITTER->geometry(), QRect(232, 216, 89, 33));
    EXPECT_EQ(ch.CHARGER->focusPolicy(), Qt::NoFocus);
}

TEST(ChoixQCM, EscapeDoesNotAnswerWithAnEarlierChoice) {
    Choix c;
    c.dossier.Write("QCM1/QCM.txt", "Un\r\n");
    c.Creer();
    c.modal.Ajouter(Choisir("QCM1"));
    c.choix->Choisir();
    bool resteOuvert = false;
    c.modal.Ajouter([&](QDialog& d) {
        // The desktop's close keys do nothing; Escape cancels.
        d.close();
        resteOuvert = d.isVisible();
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(c.choix->Choisir(), ReponseChoix{});
    EXPECT_TRUE(resteOuvert);
}
