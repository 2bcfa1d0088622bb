// Background music with the real synthesizer rendering into memory, the Son
// button and its menu.
#include "Editeur.h"

#include <QFileDialog>
#include <QMenu>

#include <cmath>

using namespace qcm;
using namespace qcm::platform;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

constexpr int kDemiSeconde = MoteurSon::kFrequence / 2;

// A format-0 MIDI file: one piano note of half a second at 120 beats a
// minute (480 ticks a beat), then the end of the track.
QByteArray PieceCourte() {
    const QByteArray piste = QByteArray::fromHex("00c000"     // program 0
                                                 "0090407f"   // note on
                                                 "83604040"   // note off after 480
                                                 "00ff2f00"); // end of track
    QByteArray f = QByteArray::fromHex("4d546864000000060000000101e0");
    f += "MTrk";
    f += QByteArray::fromHex("000000") + char(piste.size());
    return f + piste;
}

// A format-0 file of one track: its events (deltas included), then its end.
QByteArray Midi(const QByteArray& evenements, int division = 480) {
    const QByteArray piste = evenements + QByteArray::fromHex("00ff2f00");
    QByteArray f = QByteArray::fromHex("4d5468640000000600000001");
    f += char(division >> 8);
    f += char(division);
    f += "MTrk";
    for (int decalage : {24, 16, 8, 0}) {
        f += char(piste.size() >> decalage);
    }
    return f + piste;
}

// Note-ons of one channel, delta ticks apart, then one second of time.
QByteArray Tempete(int notes, int delta, int division) {
    QByteArray t = QByteArray::fromHex("00903c64");
    for (int i = 1; i < notes; ++i) {
        t += char(delta);
        t += char(i % 128);
        t += char(100);
    }
    t += QByteArray::fromHex("8740803c00");
    return Midi(t, division);
}

bool Sonore(const std::vector<float>& s) {
    return std::any_of(s.begin(), s.end(), [](float v) { return std::fabs(v) > 1e-3F; });
}

struct Lecteur {
    TempDir dossier;
    MoteurSon moteur{SortieSon::Memoire};
    Musique m{moteur};
    std::vector<Musique::Issue> issues;

    Lecteur() {
        dossier.Write("air.mid", PieceCourte());
        m.FileName = dossier.File("air.mid");
        m.OnNotify = [this] { issues.push_back(m.NotifyValue); };
    }
    void Demarrer() {
        m.Notify(false);
        m.Open();
        m.Notify(true);
        m.Play();
    }
    std::vector<float> Rendre(int frames) {
        std::vector<float> s;
        moteur.Rendre(frames, &s);
        Editeur::Attendre();
        return s;
    }
};

} // namespace

TEST(Musique, PlaysEndsAndNotifiesOnceThroughTheEventLoop) {
    if (FonteGeneralMidi().isEmpty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    Lecteur l;
    l.Demarrer();
    EXPECT_TRUE(Sonore(l.Rendre(kDemiSeconde / 2)));
    EXPECT_TRUE(l.issues.empty());
    EXPECT_EQ(l.m.Mode(), Musique::ModeLecture::Joue);
    l.Rendre(kDemiSeconde);
    EXPECT_EQ(l.issues, std::vector<Musique::Issue>{Musique::Issue::Reussie});
    EXPECT_EQ(l.m.Mode(), Musique::ModeLecture::Arrete);
    // Played again at the end: from the start.
    l.m.Play();
    EXPECT_TRUE(Sonore(l.Rendre(kDemiSeconde / 4)));
    EXPECT_LT(l.moteur.Position(), 240);
}

TEST(Musique, StopKeepsThePositionAndEndsThePendingPlay) {
    if (FonteGeneralMidi().isEmpty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    Lecteur l;
    l.Demarrer();
    l.Rendre(kDemiSeconde / 2);
    l.m.Notify(false);
    l.m.Stop();
    const int position = l.moteur.Position();
    EXPECT_GT(position, 100);
    l.Rendre(kDemiSeconde / 4);
    EXPECT_EQ(l.issues, std::vector<Musique::Issue>{Musique::Issue::Interrompue});
    EXPECT_EQ(l.moteur.Position(), position);
    l.m.Notify(true);
    l.m.Play();
    l.Rendre(1024);
    EXPECT_GE(l.moteur.Position(), position);
}

TEST(Musique, ErrorTexts) {
    Lecteur l;
    l.dossier.Write("faux.mid", "RIFF....");
    const struct {
        QString fichier;
        const char* texte;
    } cas[] = {
        {l.dossier.File("absent.mid"), "Le fichier de musique est introuvable"},
        {QString(), "Le fichier de musique est introuvable"},
        {l.dossier.File("faux.mid"), "Ce fichier n'est pas un fichier MIDI"},
    };
    for (const auto& c : cas) {
        l.m.FileName = c.fichier;
        try {
            l.m.Open();
            ADD_FAILURE() << c.texte;
        } catch (const EMCIDeviceError& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.texte));
        }
        EXPECT_FALSE(l.m.Ouvert());
    }
    for (auto commande : {&Musique::Play, &Musique::Stop}) {
        try {
            (l.m.*commande)();
            ADD_FAILURE();
        } catch (const EMCIDeviceError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Aucun périphérique MCI ouvert"));
        }
    }
    EXPECT_EQ(EMCIDeviceError::Texte(EMCIDeviceError::Panne::Inconnue),
              QStringLiteral("Code d'erreur inconnu"));
    // A sound font that cannot be read is found on the engine's side.
    QString erreur;
    l.m.OnErreur = [&](const QString& t) { erreur = t; };
    l.m.Fontes = {l.dossier.File("faux.mid")};
    l.m.FileName = l.dossier.File("air.mid");
    l.m.Open();
    Editeur::Attendre();
    EXPECT_TRUE(erreur.startsWith(QStringLiteral("La fonte sonore"))) << erreur.toStdString();
    EXPECT_FALSE(l.m.Ouvert());
}

TEST(Musique, UnreadableFirstSoundFontFallsBackToTheNext) {
    if (FonteGeneralMidi().isEmpty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    Lecteur l;
    l.dossier.Write("abimee.sf2", "RIFF\x10\0\0\0sfbkLIST");
    QString erreur;
    l.m.OnErreur = [&](const QString& t) { erreur = t; };
    l.m.Fontes = {l.dossier.File("abimee.sf2"), FonteGeneralMidi()};
    l.Demarrer();
    EXPECT_TRUE(Sonore(l.Rendre(kDemiSeconde / 2)));
    EXPECT_TRUE(erreur.isEmpty()) << erreur.toStdString();
    EXPECT_EQ(l.m.Mode(), Musique::ModeLecture::Joue);
}

TEST(Sons, ChaoIsTheWaveItShouldBe) {
    const QByteArray wav = Chao();
    EXPECT_EQ(EchantillonsOnde(wav).size(), 21760);
    EXPECT_THROW(EchantillonsOnde(wav.left(40)), core::Exception);
}

namespace {

const QByteArray kAvecMusique = Lignes({"Air", "", "", "melange=NON", "musique=air.mid", "", "Q ?",
                                        "2", "unique=OUI", "a", "b", "1", ""});
const QByteArray kSansMusique = Lignes({"Muet", "", "", "melange=NON", "musique=NON", "", "Q ?",
                                        "2", "unique=OUI", "a", "b", "1", ""});

struct EditeurMusical : Editeur {
    EditeurMusical() {
        dossier.Write("QCM1/QCM.txt", kAvecMusique);
        dossier.Write("QCM1/Air.MID", PieceCourte());
        dossier.Write("QCM2/QCM.txt", kSansMusique);
        dossier.Write("QCM3/QCM.txt", kAvecMusique);
        dossier.Write("QCM3/air.mid", PieceCourte());
    }
    void Ouvrir(const char* nom) {
        if (etat.Modifie) {
            boites.Repondre(Reponse::Non);
        }
        modal.Ajouter(Choisir(QString::fromLatin1(nom)));
        Clic(depart->Charger);
        Editeur::Attendre();
    }
    void Menu(QAction* a) {
        a->trigger();
        Editeur::Attendre();
    }
    // Picks chemin in the dialog Openmid.
    void ChoisirPiece(const QString& chemin) {
        modal.Ajouter([chemin](QDialog& d) {
            auto& f = dynamic_cast<QFileDialog&>(d);
            f.selectFile(chemin);
            static_cast<QDialog&>(f).accept();
        });
        Menu(depart->Charger1);
    }
};

} // namespace

TEST(Son, StateTable) {
    using Mode = Musique::ModeLecture;
    const struct {
        const char* etape;
        std::function<void(EditeurMusical&)> action;
        bool active;
        int tag;
        Mode mode;
    } etapes[] = {
        {"début", [](EditeurMusical& e) { e.Creer(); }, true, 0, Mode::Ferme},
        {"ouvert avec musique",
         [](EditeurMusical& e) {
             e.modal.Ajouter(Choisir("QCM1"));
             e.depart->show();
             ASSERT_TRUE(QTest::qWaitForWindowExposed(e.depart.get()));
             e.Attendre();
         },
         true, 1, Mode::Joue},
        {"coupé", [](EditeurMusical& e) { e.Clic(e.depart->Son); }, false, 0, Mode::Arrete},
        {"remis", [](EditeurMusical& e) { e.Clic(e.depart->Son); }, true, 1, Mode::Joue},
        {"sans musique", [](EditeurMusical& e) { e.Ouvrir("QCM2"); }, false, 0, Mode::Ferme},
        {"clic sans musique", [](EditeurMusical& e) { e.Clic(e.depart->Son); }, false, 0,
         Mode::Ferme},
        {"avec musique, coupée", [](EditeurMusical& e) { e.Ouvrir("QCM3"); }, false, 0,
         Mode::Ferme},
        {"clic: du début", [](EditeurMusical& e) { e.Clic(e.depart->Son); }, true, 1, Mode::Joue},
        {"nouveau",
         [](EditeurMusical& e) {
             e.boites.Repondre(Reponse::Non);
             e.Clic(e.depart->NouveauQ);
         },
         true, 0, Mode::Ferme},
        {"puis avec musique", [](EditeurMusical& e) { e.Ouvrir("QCM1"); }, true, 1, Mode::Joue},
        {"supprimer", [](EditeurMusical& e) { e.Menu(e.depart->Supprimer1); }, false, 0,
         Mode::Ferme},
        {"supprimer, coupée", [](EditeurMusical& e) { e.Menu(e.depart->Supprimer1); }, false, 0,
         Mode::Ferme},
    };
    EditeurMusical e;
    for (const auto& t : etapes) {
        t.action(e);
        EXPECT_EQ(e.etat.MusiqueActive, t.active) << t.etape;
        EXPECT_EQ(e.depart->Son->Tag, t.tag) << t.etape;
        EXPECT_EQ(e.musique.Mode(), t.mode) << t.etape;
        for (const auto& b : e.boites.montrees) {
            EXPECT_NE(b.titre, QStringLiteral("QCM")) << t.etape << ": " << b.texte.toStdString();
        }
    }
    EXPECT_TRUE(e.etat.Questionnaire.Musique.isEmpty());
    EXPECT_TRUE(e.etat.Modifie);
}

TEST(Son, PieceLoopsWhileMusicIsOn) {
    if (FonteGeneralMidi().isEmpty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    EditeurMusical e;
    e.Demarrer(Choisir("QCM1"));
    std::vector<float> s;
    for (int tour = 0; tour < 3; ++tour) {
        e.moteur.Rendre(kDemiSeconde + 2048);
        Editeur::Attendre();
        EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Joue) << tour;
        s.clear();
        e.moteur.Rendre(kDemiSeconde / 4, &s);
        EXPECT_TRUE(Sonore(s)) << tour;
    }
}

TEST(Son, MissingPieceStillOpensWithMusicOff) {
    EditeurMusical e;
    e.dossier.Write("QCM2/QCM.txt", Lignes({"Perdu", "", "", "melange=NON", "musique=perdu.mid", "",
                                            "Q ?", "2", "unique=OUI", "a", "b", "1", ""}));
    e.Demarrer(Choisir("QCM2"));
    EXPECT_EQ(e.etat.Questionnaire.Titre, QStringLiteral("Perdu"));
    EXPECT_EQ(e.etat.Questionnaire.Musique, QStringLiteral("PERDU.MID"));
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_EQ(e.boites.montrees[0].texte,
              QStringLiteral("Le fichier de musique est introuvable\nPERDU.MID"));
    EXPECT_TRUE(e.etat.MusiqueActive);
    EXPECT_EQ(e.depart->Son->Tag, 0);
}

TEST(Son, FailedOpenKeepsMusicOnForTheNextQuestionnaire) {
    EditeurMusical e;
    e.dossier.Write("QCM2/QCM.txt", Lignes({"Perdu", "", "", "melange=NON", "musique=perdu.mid", "",
                                            "Q ?", "2", "unique=OUI", "a", "b", "1", ""}));
    e.Demarrer(Choisir("QCM2"));
    EXPECT_EQ(e.depart->Son->Tag, 0);
    EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Ferme);
    e.Ouvrir("QCM3");
    EXPECT_EQ(e.depart->Son->Tag, 1);
    EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Joue);
    EXPECT_EQ(e.boites.montrees.size(), 1U);
}

TEST(Son, LostSoundOutputIsToldOnceAndTheMusicGoesOn) {
    EditeurMusical e;
    e.Demarrer(Choisir("QCM1"));
    e.musique.OnSansSortie(true);
    e.musique.OnSansSortie(true);
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_EQ(e.boites.montrees[0].texte,
              QStringLiteral("La sortie son a disparu : la musique continue sans son."));
    EXPECT_EQ(e.depart->Son->Tag, 1);
    EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Joue);
}

TEST(Son, RightClickPopsTheMenuUnderTheButton) {
    EditeurMusical e;
    e.Demarrer(Choisir("QCM1"));
    QTest::mouseClick(e.depart->Son, Qt::RightButton);
    EXPECT_TRUE(e.depart->PopM->isVisible());
    EXPECT_EQ(e.depart->PopM->pos(), e.depart->mapToGlobal(QPoint(568, 41)));
    EXPECT_EQ(e.depart->Son->Tag, 1);
    e.depart->PopM->hide();
}

TEST(Charger1, InsideTheFolderKeepsTheNameOutsideCopiesUnderAFreeName) {
    EditeurMusical e;
    e.dossier.Write("ailleurs/chant.mid", PieceCourte());
    e.dossier.Write("QCM2/sous/chant.mid", PieceCourte());
    e.Demarrer(Choisir("QCM2"));
    const struct {
        QString choisi;
        const char* nom;
    } cas[] = {
        {e.dossier.File("ailleurs/chant.mid"), "fond musical.mid"},
        {e.dossier.File("QCM1/Air.MID"), "fond musical (2).mid"},
        {e.dossier.File("QCM2/sous/chant.mid"), "fond musical (3).mid"},
        {e.dossier.File("QCM2/fond musical.mid"), "fond musical.mid"},
    };
    for (const auto& c : cas) {
        e.etat.Modifie = false;
        e.ChoisirPiece(c.choisi);
        EXPECT_EQ(e.etat.Questionnaire.Musique, QString::fromLatin1(c.nom));
        EXPECT_EQ(e.dossier.Read("QCM2/" + QString::fromLatin1(c.nom)), PieceCourte());
        EXPECT_TRUE(e.etat.Modifie);
        EXPECT_TRUE(e.etat.MusiqueActive);
        EXPECT_EQ(e.depart->Son->Tag, 1);
        EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Joue);
    }
    e.dossier.Write("QCM2/Propre.mid", PieceCourte());
    e.ChoisirPiece(e.dossier.File("QCM2/Propre.mid"));
    EXPECT_EQ(e.etat.Questionnaire.Musique, QStringLiteral("Propre.mid"));
    EXPECT_TRUE(e.boites.montrees.empty());
}

TEST(Charger1, ANameHeldByAFolderIsPassedBy) {
    EditeurMusical e;
    e.dossier.Write("ailleurs/chant.mid", PieceCourte());
    e.Demarrer(Choisir("QCM1"));
    ASSERT_TRUE(QDir(e.dossier.File("QCM1")).mkdir(QStringLiteral("fond musical.mid")));
    e.ChoisirPiece(e.dossier.File("ailleurs/chant.mid"));
    EXPECT_EQ(e.etat.Questionnaire.Musique, QStringLiteral("fond musical (2).mid"));
    EXPECT_TRUE(QFileInfo(e.dossier.File("QCM1/fond musical.mid")).isDir());
    EXPECT_TRUE(e.etat.Modifie);
}

// Each of these played without end, silently or holding the renderer, or
// restarted every block.
TEST(Son, DamagedTimelessSilentOrStormyPieceIsReportedOnceWithinABlock) {
    if (FonteGeneralMidi().isEmpty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    using P = EMCIDeviceError::Panne;
    const QByteArray entete = QByteArray::fromHex("4d546864000000060000000101e0");
    const QByteArray note = QByteArray::fromHex("00903c64");
    const struct {
        const char* cas;
        QByteArray piece;
        P panne;
    } cas[] = {
        // The track says it is longer than the file.
        {"corps abîmé", entete + "MTrk" + QByteArray::fromHex("0000100000c000009040"),
         P::PieceVide},
        {"corps étranger", entete + "XXXX" + QByteArray::fromHex("0000000400ff2f00"), P::PieceVide},
        {"sans durée", entete + "MTrk" + QByteArray::fromHex("0000000400ff2f00"), P::PieceVide},
        {"division nulle", Midi(note + QByteArray::fromHex("8740803c00"), 0), P::PieceVide},
        // Three days of silence after the first note.
        {"delta immense", Midi(note + QByteArray::fromHex("ffffff7f803c00")), P::PieceMuette},
        {"sans note", Midi(QByteArray::fromHex("00b0077f8740b00764")), P::PieceMuette},
        {"tempête à un instant", Tempete(50000, 0, 480), P::PieceSurchargee},
        {"tempête serrée", Tempete(5000, 1, 30000), P::PieceSurchargee},
    };
    for (const auto& c : cas) {
        EditeurMusical e;
        e.dossier.Write("QCM3/air.mid", c.piece);
        e.Demarrer(Choisir("QCM3"));
        e.moteur.Rendre(MoteurSon::kBloc);
        Editeur::Attendre();
        EXPECT_EQ(e.boites.montrees.size(), 1U) << c.cas;
        for (int bloc = 0; bloc < 20; ++bloc) {
            e.moteur.Rendre(MoteurSon::kBloc);
            Editeur::Attendre();
        }
        ASSERT_EQ(e.boites.montrees.size(), 1U) << c.cas;
        EXPECT_EQ(e.boites.montrees[0].texte.toStdString(),
                  EMCIDeviceError::Texte(c.panne).toStdString())
            << c.cas;
        EXPECT_EQ(e.musique.Mode(), Musique::ModeLecture::Ferme) << c.cas;
        EXPECT_LE(e.moteur.EvenementsEnvoyes(), MoteurSon::kEvenementsParBloc) << c.cas;
        EXPECT_TRUE(e.etat.MusiqueActive) << c.cas;
        EXPECT_EQ(e.depart->Son->Tag, 0) << c.cas;
        EXPECT_EQ(e.etat.Questionnaire.Musique, QStringLiteral("AIR.MID")) << c.cas;
    }
}
