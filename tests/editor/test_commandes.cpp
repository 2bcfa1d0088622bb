// Save, Quit, Open, New and Choose, with their boxes.
#include "Editeur.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

const QByteArray kCapitales = Lignes({"Capitales", "CM2", "", "melange=NON", "musique=", "",
                                      "Italie ?", "2", "unique=OUI", "Rome", "Milan", "1", ""});
const QByteArray kFleuves =
    Lignes({"Fleuves", "CM1", "", "melange=OUI", "musique=fond musical.mid", "", "Plus long ?", "2",
            "unique=OUI", "Loire", "Seine", "1", ""});

} // namespace

TEST(Sauver, RefusesTheNewTitleExactly) {
    const struct {
        const char* titre;
        bool ecrit;
    } cas[] = {{"Nouveau QCM", false}, {"nouveau qcm", true}, {"Nouveau QCM 2", true}};
    for (const auto& c : cas) {
        Editeur e;
        e.Demarrer(Nouveau());
        e.depart->Ltitre->setText(QString::fromUtf8(c.titre));
        e.Clic(e.depart->Sauver);
        EXPECT_EQ(QFileInfo::exists(e.dossier.File("QCM1/QCM.txt")), c.ecrit) << c.titre;
        EXPECT_EQ(e.etat.Modifie, !c.ecrit);
        EXPECT_EQ(e.depart->Sauver->isEnabled(), !c.ecrit);
        if (!c.ecrit) {
            ASSERT_EQ(e.boites.montrees.size(), 1U);
            EXPECT_EQ(e.boites.montrees[0].texte, QStringLiteral("Entrez un titre plus explicite"));
            EXPECT_EQ(e.boites.montrees[0].titre, QStringLiteral("SAUVEGARDE DU QUESTIONNAIRE"));
            EXPECT_EQ(e.boites.montrees[0].icone, platform::Icone::Exclamation);
        }
    }
}

TEST(Fin, AnswersAndTheirEffects) {
    const struct {
        const char* nom;
        bool modifier;
        std::vector<Reponse> reponses;
        std::vector<QString> legendes;
        bool ferme;
        bool ecrit;
    } cas[] = {
        {"annuler", true, {Reponse::Annuler}, {"SORTIE"}, false, false},
        {"sans changement", false, {Reponse::Ok}, {"SORTIE"}, true, false},
        {"sans sauver", true, {Reponse::Ok, Reponse::Non}, {"SORTIE", "SORTIE"}, true, false},
        {"en sauvant", true, {Reponse::Ok, Reponse::Oui}, {"SORTIE", "SORTIE"}, true, true},
    };
    for (const auto& c : cas) {
        Editeur e;
        e.dossier.Write("QCM1/QCM.txt", kCapitales);
        e.Demarrer(Choisir("QCM1"));
        const QByteArray avant = e.dossier.Read("QCM1/QCM.txt");
        if (c.modifier) {
            e.depart->Auteur->setText(QStringLiteral("CE1"));
        }
        for (Reponse r : c.reponses) {
            e.boites.Repondre(r);
        }
        e.modal.montres.clear();
        e.Clic(e.depart->Fin);
        EXPECT_EQ(e.Legendes(), c.legendes) << c.nom;
        EXPECT_EQ(e.depart->isVisible(), !c.ferme) << c.nom;
        EXPECT_EQ(e.moteur.OndesJouees(), c.ferme ? 1 : 0) << c.nom;
        EXPECT_EQ(e.modal.montres, c.ferme ? std::vector<QString>{"Faide"} : std::vector<QString>{})
            << c.nom;
        EXPECT_EQ(e.dossier.Read("QCM1/QCM.txt") != avant, c.ecrit) << c.nom;
    }
}

TEST(Fin, SavingUnderTheNewTitleKeepsTheEditorOpen) {
    Editeur e;
    e.Demarrer(Nouveau());
    e.boites.Repondre(Reponse::Ok);
    e.boites.Repondre(Reponse::Oui);
    e.Clic(e.depart->Fin);
    EXPECT_EQ(e.Legendes(),
              (std::vector<QString>{"SORTIE", "SORTIE", "SAUVEGARDE DU QUESTIONNAIRE"}));
    EXPECT_TRUE(e.depart->isVisible());
    EXPECT_TRUE(e.etat.Modifie);
    EXPECT_EQ(e.moteur.OndesJouees(), 0);
}

TEST(Fin, ClosingFromTheDesktopGoesThroughQuit) {
    Editeur e;
    e.Demarrer(Nouveau());
    e.depart->close();
    Editeur::Attendre();
    // The leave box came (and its default answer refused): still open.
    EXPECT_EQ(e.Legendes(), std::vector<QString>{"SORTIE"});
    EXPECT_TRUE(e.depart->isVisible());
}

TEST(Nouveau, TakesTheFirstFreeNumber) {
    const struct {
        std::vector<const char*> presents;
        const char* attendu;
    } cas[] = {
        {{}, "QCM1"},
        {{"QCM1", "QCM2", "QCM3"}, "QCM4"},
        {{"QCM1", "QCM3"}, "QCM2"},
        {{"qcm1"}, "QCM2"},
    };
    for (const auto& c : cas) {
        Editeur e;
        for (const char* p : c.presents) {
            QDir(e.dossier.Path()).mkdir(QString::fromUtf8(p));
        }
        e.Demarrer(Nouveau());
        EXPECT_EQ(e.etat.Questionnaire.Repertoire, QString::fromUtf8(c.attendu));
        EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File(c.attendu)));
    }
}

TEST(Nouveau, UnsavedNewFolderIsSkippedNextTime) {
    Editeur e;
    e.Demarrer(Nouveau());
    e.boites.Repondre(Reponse::Non);
    e.Clic(e.depart->NouveauQ);
    EXPECT_EQ(e.Legendes(), std::vector<QString>{"NOUVEAU QCM"});
    EXPECT_EQ(e.etat.Questionnaire.Repertoire, QStringLiteral("QCM2"));
    EXPECT_TRUE(e.etat.Modifie);
    EXPECT_TRUE(QDir(e.dossier.File("QCM1")).isEmpty());
}

TEST(Nouveau, FolderThatCannotBeCreatedLeavesEverythingAsItWas) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.Demarrer(Choisir("QCM1"));
    e.depart->Propositions(3)->setPlainText(QStringLiteral("Turin"));
    const TQuestionnaire avant = e.etat.Questionnaire;
    // The start folder goes away under the editor: no folder can be made.
    const QString ailleurs = e.dossier.Path() + QStringLiteral("-parti");
    ASSERT_TRUE(QDir().rename(e.dossier.Path(), ailleurs));
    e.boites.Repondre(Reponse::Non);
    e.Clic(e.depart->NouveauQ);
    ASSERT_TRUE(QDir().rename(ailleurs, e.dossier.Path()));
    ASSERT_EQ(e.boites.montrees.size(), 2U);
    EXPECT_EQ(e.boites.montrees[1].titre, QStringLiteral("QCM"));
    EXPECT_EQ(e.etat.Questionnaire, avant);
    EXPECT_EQ(e.depart->Ltitre->text(), QStringLiteral("Capitales"));
    EXPECT_EQ(e.depart->Propositions(3)->Texte(), QStringLiteral("Turin"));
    EXPECT_TRUE(e.depart->Coches(3)->isVisible());
    EXPECT_TRUE(e.etat.Modifie);
    EXPECT_FALSE(QFileInfo::exists(e.dossier.File("QCM2")));
}

TEST(Charger, CancelledChooserChangesNothingEvenAfterSaving) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.dossier.Write("QCM2/QCM.txt", kFleuves);
    e.Demarrer(Choisir("QCM1"));
    e.depart->Auteur->setText(QStringLiteral("CE2"));
    e.boites.Repondre(Reponse::Oui);
    e.modal.Ajouter(Annuler());
    e.Clic(e.depart->Charger);
    EXPECT_EQ(e.Legendes(), std::vector<QString>{"CHANGEMENT DE QUESTIONNAIRE"});
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt").contains("CE2"));
    // What stays open is what was just saved: nothing left to save.
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_FALSE(e.depart->Sauver->isEnabled());
    EXPECT_EQ(e.etat.Questionnaire.Auteur, QStringLiteral("CE2"));
    EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File("QCM1")));
}

TEST(Charger, NewFromTheChooserAsksAgainUnderItsOwnCaption) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.Demarrer(Choisir("QCM1"));
    e.depart->Auteur->setText(QStringLiteral("CE2"));
    e.boites.Repondre(Reponse::Non);
    e.boites.Repondre(Reponse::Non);
    e.modal.Ajouter(Nouveau());
    e.Clic(e.depart->Charger);
    EXPECT_EQ(e.Legendes(), (std::vector<QString>{"CHANGEMENT DE QUESTIONNAIRE", "NOUVEAU QCM"}));
    EXPECT_EQ(e.etat.Questionnaire.Repertoire, QStringLiteral("QCM2"));
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Nouveau QCM"));
}

TEST(Charger, OpensWithSaveDisabledUntilTheFirstEdit) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.dossier.Write("QCM2/QCM.txt", kFleuves);
    e.dossier.Write("QCM2/Fond Musical.mid", "MThd");
    e.Demarrer(Choisir("QCM1"));
    e.modal.Ajouter(Choisir("QCM2"));
    e.Clic(e.depart->Charger);
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Fleuves"));
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_FALSE(e.depart->Sauver->isEnabled());
    EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File("QCM2")));
    // The first questionnaire had no music, which switched music off: the
    // piece is named, found in any case, but does not start.
    EXPECT_EQ(e.musique.FileName, e.dossier.File("QCM2/Fond Musical.mid"));
    EXPECT_FALSE(e.musique.Ouvert());
    EXPECT_EQ(e.depart->Son->Tag, 0);
    e.Clic(e.depart->BMelange);
    EXPECT_TRUE(e.depart->Sauver->isEnabled());
}

TEST(Charger, FailedReadLeavesQuestionnaireWindowFolderAndMusic) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    // Background, order and music come before the count that cannot be read.
    e.dossier.Write("QCM2/QCM.txt", Lignes({"Cassé", "", "", "melange=OUI", "musique=air.mid", "",
                                            "Q", "deux", "unique=OUI"}));
    e.Demarrer(Choisir("QCM1"));
    e.depart->Propositions(2)->setPlainText(QStringLiteral("Naples"));
    const TQuestionnaire avant = e.etat.Questionnaire;
    const QImage fond = e.depart->fond->Image();
    const QString piece = e.musique.FileName;
    const int son = e.depart->Son->Tag;
    e.etat.MusiqueActive = true;
    e.boites.Repondre(Reponse::Non);
    e.modal.Ajouter(Choisir("QCM2"));
    e.Clic(e.depart->Charger);
    ASSERT_EQ(e.boites.montrees.size(), 2U);
    EXPECT_EQ(e.boites.montrees[1].texte, QStringLiteral("Saisie numérique incorrecte"));
    EXPECT_EQ(e.etat.Questionnaire, avant);
    EXPECT_TRUE(e.etat.Modifie);
    EXPECT_TRUE(e.depart->Sauver->isEnabled());
    EXPECT_EQ(e.depart->BMelange->Tag, 0);
    EXPECT_EQ(e.depart->fond->Image(), fond);
    EXPECT_EQ(e.musique.FileName, piece);
    EXPECT_FALSE(e.musique.Ouvert());
    EXPECT_EQ(e.depart->Son->Tag, son);
    EXPECT_TRUE(e.etat.MusiqueActive);
    EXPECT_EQ(e.depart->Propositions(2)->Texte(), QStringLiteral("Naples"));
    EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File("QCM1")));
}

// A double-click meant to select a word of the title opened the chooser, and
// the questionnaire chosen there replaced the edits without a question.
TEST(Choisir, TitleDoubleClickAsksBeforeDroppingChanges) {
    const struct {
        Reponse reponse;
        const char* titre;
        bool sauve;
    } cas[] = {
        {Reponse::Oui, "Fleuves", true},
        {Reponse::Non, "Fleuves", false},
        {Reponse::Annuler, "Capitales", false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.titre);
        Editeur e;
        e.dossier.Write("QCM1/QCM.txt", kCapitales);
        e.dossier.Write("QCM2/QCM.txt", kFleuves);
        e.Demarrer(Choisir("QCM1"));
        const auto avant = e.dossier.Hashes();
        e.depart->Auteur->setText(QStringLiteral("CE2"));
        e.modal.Ajouter(Choisir("QCM2"));
        e.boites.Repondre(c.reponse);
        QTest::mouseDClick(e.depart->Ltitre, Qt::LeftButton);
        EXPECT_EQ(e.Legendes(), std::vector<QString>{"CHANGEMENT DE QUESTIONNAIRE"});
        EXPECT_EQ(e.etat.Questionnaire.Titre, QString::fromUtf8(c.titre));
        EXPECT_EQ(e.dossier.Read("QCM1/QCM.txt").contains("CE2"), c.sauve);
        if (!c.sauve) {
            EXPECT_EQ(e.dossier.Hashes(), avant);
        }
        // Annuler goes back to the edits, unsaved and still marked so.
        EXPECT_EQ(e.etat.Modifie, c.reponse == Reponse::Annuler);
        EXPECT_EQ(e.depart->Auteur->text() == QStringLiteral("CE2"), c.reponse == Reponse::Annuler);
    }
}

TEST(Session, TeacherCreatesFillsSavesQuitsAndFindsItAgain) {
    TempDir depart;
    {
        Editeur e;
        e.repertoire = depart.Path();
        e.Demarrer(Nouveau());
        TDepart& d = *e.depart;
        d.Ltitre->selectAll();
        e.Taper(d.Ltitre, QStringLiteral("Géographie"));
        e.Taper(d.Auteur, QStringLiteral("Mme Durand"));
        const struct {
            const char* enonce;
            std::vector<const char*> propositions;
            std::vector<int> justes;
            bool unique;
            const char* commentaire;
        } questions[] = {
            {"Capitale de l'Italie ?", {"Rome", "Milan", "Turin"}, {1}, true, "C'est Rome."},
            {"Fleuves de France ?", {"Loire", "Danube", "Seine"}, {1, 3}, false, ""},
            {"Plus haut sommet ?", {"Mont Blanc", "Everest"}, {2}, true, "8849 m"},
        };
        for (const auto& q : questions) {
            e.Taper(d.Questionposee, QString::fromUtf8(q.enonce));
            int k = 1;
            for (const char* p : q.propositions) {
                e.Taper(d.Propositions(k++), QString::fromUtf8(p));
            }
            if (q.unique) {
                e.Clic(d.Une);
            }
            for (int j : q.justes) {
                e.Clic(d.Coches(j));
            }
            e.Taper(d.Commentaire, QString::fromUtf8(q.commentaire));
            e.Clic(d.FD);
        }
        e.Clic(d.Sauver);
        EXPECT_FALSE(e.etat.Modifie);
        e.boites.Repondre(Reponse::Ok);
        e.Clic(d.Fin);
        EXPECT_EQ(e.Legendes(), std::vector<QString>{"SORTIE"});
        EXPECT_FALSE(d.isVisible());
    }
    EXPECT_EQ(depart.Read("QCM1/QCM.txt"),
              QByteArray("G\xe9ographie\r\nMme Durand\r\n\r\nmelange=NON\r\nmusique=\r\n"
                         "\r\nCapitale de l'Italie ?\r\n3\r\nunique=OUI\r\nRome\r\nMilan\r\n"
                         "Turin\r\n1\r\nC'est Rome.\r\n"
                         "\r\nFleuves de France ?\r\n3\r\nunique=non\r\nLoire\r\nDanube\r\n"
                         "Seine\r\n13\r\n\r\n"
                         "\r\nPlus haut sommet ?\r\n2\r\nunique=OUI\r\nMont Blanc\r\nEverest\r\n"
                         "2\r\n8849 m\r\n"));
    Editeur e;
    e.repertoire = depart.Path();
    e.Demarrer(Choisir("QCM1"));
    TDepart& d = *e.depart;
    EXPECT_EQ(d.Ltitre->text(), QStringLiteral("Géographie"));
    EXPECT_EQ(d.Auteur->text(), QStringLiteral("Mme Durand"));
    EXPECT_FALSE(e.etat.Modifie);
    e.Clic(d.FD);
    EXPECT_EQ(d.Questionposee->Texte(), QStringLiteral("Fleuves de France ?"));
    EXPECT_EQ(d.Propositions(3)->Texte(), QStringLiteral("Seine"));
    EXPECT_EQ(d.Coches(1)->Tag, 1);
    EXPECT_EQ(d.Coches(2)->Tag, 0);
    EXPECT_EQ(d.Coches(3)->Tag, 1);
}

// With the open questionnaire's folder held by the process, New chosen from
// the title's double-click saved the edits into the start folder's own
// QCM.txt and the work was lost.
TEST(Nouveau, SavingFirstWritesIntoTheOpenQuestionnairesFolder) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.Demarrer(Choisir("QCM1"));
    e.depart->Auteur->setText(QStringLiteral("CE2"));
    e.modal.Ajouter(Nouveau());
    e.boites.Repondre(Reponse::Oui);
    QTest::mouseDClick(e.depart->Ltitre, Qt::LeftButton);
    EXPECT_EQ(e.Legendes(), std::vector<QString>{"NOUVEAU QCM"});
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt").contains("CE2"));
    EXPECT_FALSE(QFileInfo::exists(e.dossier.File("QCM.txt")));
    EXPECT_EQ(e.etat.Questionnaire.Repertoire, QStringLiteral("QCM2"));
}

// A folder deleted from outside while open: saving reported a refused
// access and kept failing even after the folder was made again.
TEST(Sauver, FolderDeletedFromOutsideIsMadeAgain) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", kCapitales);
    e.Demarrer(Choisir("QCM1"));
    e.depart->Auteur->setText(QStringLiteral("CE2"));
    ASSERT_TRUE(QDir(e.dossier.File("QCM1")).removeRecursively());
    e.Clic(e.depart->Sauver);
    EXPECT_TRUE(e.boites.montrees.empty());
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt").contains("CE2"));
    EXPECT_FALSE(e.etat.Modifie);
}

// The process's current folder is never the editor's business: two
// editors on two start folders open, save and create without moving it.
TEST(Dossiers, TheProcessCurrentFolderNeverMoves) {
    const QString courant = QDir::currentPath();
    for (int i = 0; i < 2; ++i) {
        Editeur e;
        e.dossier.Write("QCM1/QCM.txt", kCapitales);
        e.Demarrer(Choisir("QCM1"));
        e.depart->Auteur->setText(QStringLiteral("CE2"));
        e.Clic(e.depart->Sauver);
        e.boites.Repondre(Reponse::Non);
        e.Clic(e.depart->NouveauQ);
        e.modal.Ajouter(Choisir("QCM1"));
        QTest::mouseDClick(e.depart->Ltitre, Qt::LeftButton);
        EXPECT_EQ(e.etat.Questionnaire.Auteur, QStringLiteral("CE2"));
        EXPECT_EQ(QDir::currentPath(), courant);
    }
}

// "Nouveau QCM" is a title shown to the user, never an answer that a real
// folder of that name could be taken for.
TEST(Charger, AFolderNamedNouveauQCMOpensLikeAnyOther) {
    Editeur e;
    e.dossier.Write("Nouveau QCM/QCM.txt", kFleuves);
    e.Demarrer(Choisir("Nouveau QCM"));
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Fleuves"));
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_TRUE(folders::SameFolder(e.etat.DossierOuvert, e.dossier.File("Nouveau QCM")));
}

// Old archives from Windows leave names in code page 1252 on Linux: the
// chooser showed nothing and New failed with "Nom de fichier incorrect".
TEST(Dossiers, StartFolderNamedInTheOldCodePageListsOpensAndSaves) {
    Editeur e;
    e.repertoire = folders::Join(e.dossier.Path(), folders::DecodeName("caf\xe9"));
    folders::MakeFolder(e.repertoire);
    folders::MakeFolder(folders::Join(e.repertoire, QStringLiteral("QCM1")));
    WriteFileAtomically(folders::Join(e.repertoire, QStringLiteral("QCM1/QCM.txt")), kCapitales);
    e.Demarrer(Choisir("QCM1"));
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Capitales"));
    e.depart->Auteur->setText(QStringLiteral("CE2"));
    e.Clic(e.depart->Sauver);
    e.Clic(e.depart->NouveauQ);
    EXPECT_TRUE(e.boites.montrees.empty());
    EXPECT_TRUE(folders::IsFolder(folders::Join(e.repertoire, QStringLiteral("QCM2"))));
    EXPECT_TRUE(ReadWholeFile(folders::Join(e.repertoire, QStringLiteral("QCM1/QCM.txt")), 4096)
                    .contains("CE2"));
}
