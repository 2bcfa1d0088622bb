// Question pictures, the background tile and the picture-open dialog.
#include "Editeur.h"

#include "../pictures/GifTestEncoder.h"
#include "../pictures/JpegTestFiles.h"
#include "../support/Encoded.h"
#include "core/Folders.h"
#include "dialogs/OpenPictureDialog.h"
#include "pictures/GifPainter.h"
#include "platform/DialogueFichier.h"

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QToolButton>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <filesystem>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;
using namespace qcm::pictures;
using namespace qcm::test;

namespace {

QByteArray Bmp(int w, int h, const QColor& couleur = Qt::red) {
    return qcm::testing::Plain(w, h, couleur, "BMP");
}

// Two frames of 2 x 2, red then green, looping for ever.
QByteArray GifAnime() {
    const std::vector<QRgb> couleurs{qRgb(255, 0, 0), qRgb(0, 255, 0), 0, 0};
    return GifBuilder()
        .Header(2, 2, couleurs)
        .Loop(0)
        .Gce(1, 5)
        .Image(0, 0, 2, 2, {0, 0, 0, 0}, 2)
        .Gce(1, 5)
        .Image(0, 0, 2, 2, {1, 1, 1, 1}, 2)
        .Trailer()
        .bytes;
}

// A questionnaire of two questions, the first with picture image.
QByteArray Questionnaire(const char* fond, const char* image) {
    return Lignes({"Images", "CM1", fond, "melange=NON", "musique=", image, "Premiere ?", "1",
                   "unique=OUI", "Oui", "1", "", "", "Deuxieme ?", "1", "unique=OUI", "Non", "1",
                   ""});
}

// A painters' clock that moves one frame delay each time the test says so;
// the painter waits, polling its stop event, until then.
class HorlogePasAPas : public TGIFClock {
public:
    std::int64_t Now() override { return maintenant_; }
    bool WaitFor(TGIFWakeEvent& evenement, std::int64_t ms) override {
        if (ms < 0) {
            return evenement.Wait(-1);
        }
        for (;;) {
            if (pas_ > 0 || ms == 0) {
                pas_ = std::max(0, pas_ - 1);
                maintenant_ += ms;
                return false;
            }
            if (evenement.Wait(1)) {
                return true;
            }
        }
    }
    void Avancer() { ++pas_; }

private:
    std::atomic<std::int64_t> maintenant_{0};
    std::atomic<int> pas_{0};
};

} // namespace

TEST(AfficherImage, ScalesTheLongerSideTo320AroundTheCentre) {
    const struct {
        int w, h;
        QRect attendu;
    } cas[] = {
        {400, 300, {312, 88, 320, 240}},
        {300, 400, {352, 48, 240, 320}},
        {7, 7, {312, 48, 320, 320}},
        // The ratio rounded up as a double leaves the side just under 192.
        {3, 5, {377, 48, 191, 320}},
        {5, 3, {312, 113, 320, 191}},
        {5, 8, {373, 48, 199, 320}},
    };
    TempDir d;
    IllustrationsEditeur illustrations;
    QLabel photo;
    for (const auto& c : cas) {
        const QString nom = QStringLiteral("%1x%2.bmp").arg(c.w).arg(c.h);
        d.Write(nom, Bmp(c.w, c.h));
        illustrations.AfficherImage(photo, {472, 208}, d.File(nom));
        EXPECT_EQ(photo.geometry(), c.attendu) << c.w << "x" << c.h;
        EXPECT_EQ(photo.pixmap().size(), c.attendu.size());
        EXPECT_FALSE(photo.isHidden());
    }
    illustrations.AfficherImage(photo, {472, 208}, {});
    EXPECT_TRUE(photo.isHidden());
}

TEST(AfficherFond, TilesColumnsAndRowsWithASpareEachWay) {
    const struct {
        QSize tuile, grille;
    } cas[] = {{{100, 100}, {8, 6}}, {{800, 600}, {2, 2}}, {{640, 480}, {3, 3}}};
    for (const auto& c : cas) {
        EXPECT_EQ(GrilleFond({640, 480}, c.tuile), c.grille);
    }
    TempDir d;
    QImage tuile(100, 100, QImage::Format_RGB32);
    tuile.fill(Qt::green);
    tuile.setPixel(0, 0, qRgb(255, 0, 0));
    d.Write(QStringLiteral("tuile.bmp"), qcm::testing::Encoded(tuile, "BMP"));
    d.Write(QStringLiteral("vide.bmp"), {});
    IllustrationsEditeur illustrations;
    QImage surface(640, 480, QImage::Format_RGB32);
    illustrations.AfficherFond(surface, d.File(QStringLiteral("tuile.bmp")));
    EXPECT_EQ(surface.pixel(600, 400), qRgb(255, 0, 0));
    EXPECT_EQ(surface.pixel(601, 401), QColor(Qt::green).rgb());
    // An empty tile draws nothing.
    const QImage avant = surface;
    try {
        illustrations.AfficherFond(surface, d.File(QStringLiteral("vide.bmp")));
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Division par zéro"));
    }
    EXPECT_EQ(surface, avant);
    illustrations.AfficherFond(surface, {});
    EXPECT_EQ(surface.pixelColor(5, 5), QColor(0, 0, 128));
}

TEST(ChargeImage, CopiesWhatLiesOutsideTheResolvedFolderAndNamesTheRest) {
    const struct {
        const char* choisi;
        const char* nom;
    } cas[] = {
        {"QCM1/Chat.bmp", "Chat.bmp"},
        {"Photos/Chat.BMP", "image 1.BMP"},
        {"QCM1/sous/Chat.bmp", "image 1.bmp"},
        // Another folder on this system, whose files the record could not name.
        {"qcm1/Chat.bmp", "image 1.bmp"},
    };
    for (const auto& c : cas) {
        Editeur e;
        e.dossier.Write("QCM1/QCM.txt", Questionnaire("", ""));
        e.dossier.Write(QString::fromUtf8(c.choisi), Bmp(40, 30));
        e.Demarrer(Choisir("QCM1"));
        const QString courant = QDir::currentPath();
        e.modal.Ajouter(Prendre(e.dossier.File(QString::fromUtf8(c.choisi))));
        e.Clic(e.depart->ChargeImage);
        EXPECT_EQ(e.Q(1).Image, QString::fromUtf8(c.nom)) << c.choisi;
        EXPECT_EQ(e.dossier.Read("QCM1/" + QString::fromUtf8(c.nom)), Bmp(40, 30));
        EXPECT_TRUE(e.etat.Modifie);
        EXPECT_EQ(e.depart->Photo->geometry(), QRect(312, 88, 320, 240));
        EXPECT_EQ(QDir::currentPath(), courant);
        EXPECT_TRUE(e.boites.montrees.empty());
    }
}

TEST(ChargeImage, CancelChangesNothingAndATakenNameIsNotReplaced) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Questionnaire("", "ancienne.bmp"));
    e.dossier.Write("QCM1/ancienne.bmp", Bmp(40, 30));
    e.dossier.Write("Photos/Chat.bmp", Bmp(30, 40));
    e.Demarrer(Choisir("QCM1"));
    const TQuestionnaire avant = e.etat.Questionnaire;
    e.Clic(e.depart->ChargeImage); // cancelled
    EXPECT_EQ(e.etat.Questionnaire, avant);
    EXPECT_FALSE(e.etat.Modifie);
    // A folder holds the usual name, in another case: the copy goes by.
    QDir().mkpath(e.dossier.File("QCM1/IMAGE 1.bmp"));
    e.modal.Ajouter(Prendre(e.dossier.File("Photos/Chat.bmp")));
    e.Clic(e.depart->ChargeImage);
    EXPECT_EQ(e.Q(1).Image, QStringLiteral("image 1 (2).bmp"));
    EXPECT_TRUE(QFileInfo(e.dossier.File("QCM1/IMAGE 1.bmp")).isDir());
    EXPECT_EQ(e.modal.montres, (std::vector<QString>{"ChoixQCM", "Openimage", "Openimage"}));
    EXPECT_TRUE(e.boites.montrees.empty());
    EXPECT_EQ(e.depart->Photo->geometry(), QRect(352, 48, 240, 320));
}

TEST(Changefond, CopiesTheTileUnderItsFixedNameAndPaintsIt) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Questionnaire("", ""));
    e.dossier.Write("Motifs/bleu.bmp", Bmp(50, 50, Qt::blue));
    e.Demarrer(Choisir("QCM1"));
    e.modal.Ajouter(Prendre(e.dossier.File("Motifs/bleu.bmp")));
    e.Clic(e.depart->Changefond);
    EXPECT_EQ(e.etat.Questionnaire.Fond, QStringLiteral("fond écran.bmp"));
    EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/fond écran.bmp")), Bmp(50, 50, Qt::blue));
    EXPECT_EQ(e.depart->fond->Image().pixelColor(630, 470), QColor(Qt::blue));
    EXPECT_TRUE(e.etat.Modifie);
}

TEST(Ouvrir, BadMediaFilesAreReportedByNameAndTheBackgroundStays) {
    Editeur e;
    e.dossier.Write("QCM2/QCM.txt", Questionnaire("bleu.bmp", ""));
    e.dossier.Write("QCM2/bleu.bmp", Bmp(50, 50, Qt::blue));
    // Names differ in case from the files, as folders written on Windows do.
    QByteArray texte = Questionnaire("FOND.bmp", "Image 1.BMP");
    texte.replace("\r\n\r\nDeuxieme", "\r\nabsente.bmp\r\nDeuxieme");
    e.dossier.Write("QCM1/QCM.txt", texte);
    e.dossier.Write("QCM1/fond.bmp", "pas une image");
    e.dossier.Write("QCM1/image 1.bmp", "pas une image");
    e.Demarrer(Choisir("QCM2"));
    e.modal.Ajouter(Choisir("QCM1"));
    e.Clic(e.depart->Charger);
    ASSERT_EQ(e.boites.montrees.size(), 2U);
    EXPECT_EQ(e.boites.montrees[0].texte, QStringLiteral("Image bitmap incorrecte\nfond.bmp"));
    EXPECT_EQ(e.boites.montrees[1].texte, QStringLiteral("Image bitmap incorrecte\nimage 1.bmp"));
    EXPECT_EQ(e.depart->fond->Image().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(e.etat.Questionnaire.Fond, QStringLiteral("FOND.bmp"));
    EXPECT_TRUE(e.depart->Photo->isHidden());
    EXPECT_EQ(e.depart->Questionposee->Texte(), QStringLiteral("Premiere ?"));
    e.Clic(e.depart->FD);
    ASSERT_EQ(e.boites.montrees.size(), 3U);
    EXPECT_EQ(e.boites.montrees[2].texte,
              QStringLiteral("Impossible d'ouvrir le fichier absente.bmp"));
}

TEST(Photo, AnimatedGifAnimatesAndStopsOnNavigation) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Questionnaire("", "anime.gif"));
    e.dossier.Write("QCM1/anime.gif", GifAnime());
    auto horloge = std::make_shared<HorlogePasAPas>();
    e.illustrations.Courante().Clock = horloge;
    e.Demarrer(Choisir("QCM1"));
    auto* gif = dynamic_cast<const TGIFImage*>(e.illustrations.Courante().Picture().Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->RunningPainters(), 1);
    // Photo follows the frames the painter composes: red, then green after
    // one delay.
    const auto montre = [&](QRgb couleur) {
        return QTest::qWaitFor([&] {
            const QPixmap p = e.depart->Photo->pixmap();
            return !p.isNull() && p.toImage().pixel(5, 5) == couleur;
        });
    };
    EXPECT_TRUE(montre(qRgb(255, 0, 0)));
    horloge->Avancer();
    EXPECT_TRUE(montre(qRgb(0, 255, 0)));
    EXPECT_EQ(gif->RunningPainters(), 1);
    e.Clic(e.depart->FD);
    EXPECT_TRUE(e.depart->Photo->isHidden());
    // The painter stopped with its picture.
    EXPECT_EQ(e.illustrations.Courante().Picture().Graphic(), nullptr);
}

TEST(OpenPictureDialog, PreviewLabelButtonAndDrawing) {
    const QRect r(0, 0, 153, 141);
    EXPECT_EQ(RectApercu(100, 50, r), QRect(26, 45, 100, 50));
    EXPECT_EQ(RectApercu(400, 300, r), QRect(0, 0, 153, 115));
    EXPECT_EQ(RectApercu(1000, 950, r), QRect(0, 0, 153, 145));
    EXPECT_EQ(RectApercu(300, 400, r), QRect(0, 0, 106, 141));

    TempDir d;
    d.Write("grande.bmp", Bmp(400, 300));
    TOpenPictureDialog dialogue;
    dialogue.SelectionChangee(d.File("grande.bmp"));
    dialogue.AttendreApercu();
    EXPECT_EQ(dialogue.PictureLabel->text(), QStringLiteral(" (400x300)"));
    EXPECT_TRUE(dialogue.PreviewButton->isEnabled());
    for (const QString& rien : {d.Path(), d.File("absente.bmp")}) {
        dialogue.SelectionChangee(rien);
        dialogue.AttendreApercu();
        EXPECT_EQ(dialogue.PictureLabel->text(), QStringLiteral("Image :"));
        EXPECT_FALSE(dialogue.PreviewButton->isEnabled());
        EXPECT_EQ(dialogue.Picture().Width(), 0);
    }
}

TEST(OpenPictureDialog, PreviewWindowAndTheNextUseStartFromThePick) {
    TempDir d;
    d.Write("petite.bmp", Bmp(60, 40));
    platform::ExecuteurScripte modal;
    TOpenPictureDialog dialogue;
    platform::PreparerOuverture(dialogue, QStringLiteral("Bitmaps (*.bmp)|*.bmp"), d.Path());
    QSize fenetre;
    modal.Ajouter([&](QDialog& f) {
        dialogue.SelectionChangee(d.File("petite.bmp"));
        dialogue.AttendreApercu();
        QTest::mouseClick(dialogue.PreviewButton, Qt::LeftButton);
        Prendre(d.File("petite.bmp"))(f);
    });
    modal.Ajouter([&](QDialog& p) {
        fenetre = p.findChild<QWidget*>(QStringLiteral("Image"))->size();
        QTest::keyClick(&p, Qt::Key_Escape);
    });
    ASSERT_TRUE(dialogue.Execute());
    EXPECT_EQ(modal.montres, (std::vector<QString>{"OpenPictureDialog", "PreviewForm"}));
    EXPECT_EQ(fenetre, QSize(60, 40));
    EXPECT_EQ(dialogue.FileName(), d.File("petite.bmp"));
    QStringList vus;
    modal.Ajouter([&](QDialog&) { vus = dialogue.selectedFiles(); });
    EXPECT_FALSE(dialogue.Execute());
    EXPECT_EQ(vus, QStringList{d.File("petite.bmp")});
}

namespace {

QByteArray Jpeg(int w, int h) {
    return qcm::testing::Plain(w, h, Qt::green, "JPG");
}

// A real JPEG whose frame header declares width x height.
QByteArray JpegDeclarant(int w, int h) {
    return qcm::testing::DeclaringSize(Jpeg(8, 6), w, h);
}

QByteArray BmpDeclarant(int w, int h) {
    QByteArray bytes = Bmp(1, 1);
    qToLittleEndian<qint32>(w, bytes.data() + 18);
    qToLittleEndian<qint32>(h, bytes.data() + 22);
    return bytes;
}

QByteArray Midi() {
    return QByteArray::fromHex("4d546864000000060000000101e04d54726b0000000400ff2f00");
}

// A questionnaire whose picture, background and music are all in place.
struct EditeurMedias : Editeur {
    EditeurMedias() {
        dossier.Write("QCM1/QCM.txt",
                      Lignes({"Medias", "",
                              "fond \xe9"
                              "cran.bmp",
                              "melange=NON", "musique=fond musical.mid", "image 1.jpg", "Q ?", "1",
                              "unique=OUI", "a", "1", ""}));
        dossier.Write("QCM1/image 1.jpg", Jpeg(40, 30));
        dossier.Write(QStringLiteral("QCM1/fond écran.bmp"), Bmp(50, 50, Qt::blue));
        dossier.Write("QCM1/fond musical.mid", Midi());
    }
};

} // namespace

TEST(Choix, APickReadsTheFileFirstAndNeverReplacesAFileOfTheFolder) {
    const struct Sorte {
        const char* nom;
        std::function<void(EditeurMedias&)> choisir;
        std::function<QString(EditeurMedias&)> champ;
        const char* copie;
    } sortes[] = {
        {"image", [](EditeurMedias& e) { e.Clic(e.depart->ChargeImage); },
         [](EditeurMedias& e) { return e.Q(1).Image; }, "image 1 (2).jpg"},
        {"fond", [](EditeurMedias& e) { e.Clic(e.depart->Changefond); },
         [](EditeurMedias& e) { return e.etat.Questionnaire.Fond; }, "fond écran (2).bmp"},
        {"musique",
         [](EditeurMedias& e) {
             e.depart->Charger1->trigger();
             Editeur::Attendre();
         },
         [](EditeurMedias& e) { return e.etat.Questionnaire.Musique; }, "fond musical (2).mid"},
    };
    const struct Cas {
        const char* fichier;
        QByteArray contenu;
        const char* message; // empty: the pick succeeds
    } cas[] = {
        {"cassee.jpg", "pas une image", "Erreur JPEG #"},
        {"grande.jpg", JpegDeclarant(8000, 6000), "Image trop grande (8000 × 6000 pixels)"},
        {"bonne.jpg", Jpeg(30, 40), ""},
        {"cassee.bmp", "pas une image", "Image bitmap incorrecte"},
        {"grande.bmp", BmpDeclarant(8000, 6000), "Image trop grande :"},
        {"bonne.bmp", Bmp(20, 20, Qt::yellow), ""},
        {"cassee.mid", "pas une piece", "Ce fichier n'est pas un fichier MIDI"},
        {"grande.mid", {}, "Le fichier "},
        {"bonne.mid", Midi(), ""},
    };
    for (int i = 0; i < 9; ++i) {
        const Sorte& s = sortes[i / 3];
        const Cas& c = cas[i];
        SCOPED_TRACE(c.fichier);
        EditeurMedias e;
        const QString choisi = e.dossier.File(QStringLiteral("Photos/") + c.fichier);
        e.dossier.Write(QStringLiteral("Photos/") + c.fichier, c.contenu);
        if (c.contenu.isEmpty()) {
            // Over the copy's limit, and no disk space taken.
            std::filesystem::path p(QFile::encodeName(choisi).toStdString());
            std::filesystem::resize_file(p, (std::int64_t{1} << 30) + 1);
            QFile f(choisi);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.write("MThd");
        }
        e.Demarrer(Choisir("QCM1"));
        e.boites.montrees.clear();
        const auto avant = e.dossier.Hashes("QCM1");
        const QString nomAvant = s.champ(e);
        const QImage fondAvant = e.depart->fond->Image();
        const QRect photoAvant = e.depart->Photo->geometry();
        e.modal.Ajouter(Prendre(choisi));
        s.choisir(e);
        if (*c.message != 0) {
            ASSERT_EQ(e.boites.montrees.size(), 1U);
            const QString texte = e.boites.montrees[0].texte;
            EXPECT_TRUE(texte.startsWith(QString::fromUtf8(c.message))) << texte.toStdString();
            EXPECT_TRUE(texte.endsWith(QStringLiteral("\n") + c.fichier)) << texte.toStdString();
            EXPECT_EQ(e.dossier.Hashes("QCM1"), avant);
            EXPECT_EQ(s.champ(e), nomAvant);
            EXPECT_FALSE(e.etat.Modifie);
            EXPECT_EQ(e.depart->fond->Image(), fondAvant);
            EXPECT_EQ(e.depart->Photo->geometry(), photoAvant);
            continue;
        }
        const QString copie = QString::fromUtf8(s.copie);
        EXPECT_EQ(s.champ(e), copie);
        EXPECT_TRUE(e.depart->Sauver->isEnabled());
        EXPECT_EQ(e.dossier.Read("QCM1/" + copie), c.contenu);
        auto apres = e.dossier.Hashes("QCM1");
        apres.erase(copie);
        EXPECT_EQ(apres, avant);
        // Leaving without saving takes the copy away again.
        e.boites.Repondre(Reponse::Ok);
        e.boites.Repondre(Reponse::Non);
        e.Clic(e.depart->Fin);
        EXPECT_FALSE(e.depart->isVisible());
        EXPECT_EQ(e.dossier.Hashes("QCM1"), avant);
    }
}

TEST(Choix, SavedPickKeepsItsCopyAndDropsTheOnesItReplaced) {
    EditeurMedias e;
    e.dossier.Write("Photos/a.jpg", Jpeg(10, 10));
    e.dossier.Write("Photos/b.jpg", Jpeg(20, 10));
    e.Demarrer(Choisir("QCM1"));
    for (const char* f : {"Photos/a.jpg", "Photos/b.jpg"}) {
        e.modal.Ajouter(Prendre(e.dossier.File(f)));
        e.Clic(e.depart->ChargeImage);
    }
    EXPECT_EQ(e.Q(1).Image, QStringLiteral("image 1 (3).jpg"));
    e.Clic(e.depart->Sauver);
    e.boites.Repondre(Reponse::Ok);
    e.Clic(e.depart->Fin);
    EXPECT_TRUE(e.dossier.Read("QCM1/image 1 (2).jpg").isEmpty());
    EXPECT_EQ(e.dossier.Read("QCM1/image 1 (3).jpg"), Jpeg(20, 10));
    EXPECT_EQ(e.dossier.Read("QCM1/image 1.jpg"), Jpeg(40, 30));
}

TEST(Choix, PictureOfTheFolderNamedBeyondTheFilesCharactersIsCopiedUnderTheUsualName) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Questionnaire("", ""));
    const QString nom = QStringLiteral("QCM1/été ☀ vacances.jpg");
    e.dossier.Write(nom, Jpeg(40, 30));
    e.Demarrer(Choisir("QCM1"));
    e.modal.Ajouter(Prendre(e.dossier.File(nom)));
    e.Clic(e.depart->ChargeImage);
    EXPECT_EQ(e.Q(1).Image, QStringLiteral("image 1.jpg"));
    EXPECT_EQ(e.dossier.Read("QCM1/image 1.jpg"), Jpeg(40, 30));
    e.Clic(e.depart->Sauver);
    EXPECT_TRUE(e.boites.montrees.empty());
    EXPECT_FALSE(e.etat.Modifie);
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt").contains("\r\nimage 1.jpg\r\n"));
}

TEST(Choix, AfterTheFolderWasDeletedAPickSaysSoAndASaveNamesWhatIsMissing) {
    EditeurMedias e;
    e.dossier.Write("Photos/bonne.jpg", Jpeg(30, 40));
    e.Demarrer(Choisir("QCM1"));
    e.boites.montrees.clear();
    std::filesystem::remove_all(QFile::encodeName(e.dossier.File("QCM1")).toStdString());
    for (QAbstractButton* b : {e.depart->ChargeImage, e.depart->Changefond}) {
        e.Clic(b);
    }
    e.depart->Charger1->trigger();
    ASSERT_EQ(e.boites.montrees.size(), 3U);
    for (const auto& b : e.boites.montrees) {
        EXPECT_TRUE(b.texte.startsWith(QStringLiteral("Le dossier du questionnaire (QCM1) a "
                                                      "disparu")))
            << b.texte.toStdString();
    }
    EXPECT_EQ(e.modal.montres, std::vector<QString>{"ChoixQCM"});
    EXPECT_FALSE(e.etat.Modifie);
    e.boites.montrees.clear();
    e.Taper(e.depart->Auteur, QStringLiteral("x"));
    e.Clic(e.depart->Sauver);
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_EQ(e.boites.montrees[0].texte,
              QStringLiteral("Le dossier du questionnaire avait disparu : il a été recréé et le "
                             "questionnaire y est enregistré, mais ces fichiers qu'il nomme "
                             "manquent :\nfond écran.bmp\nFOND MUSICAL.MID\nimage 1.jpg"));
    EXPECT_FALSE(e.dossier.Read("QCM1/QCM.txt").isEmpty());
}

TEST(Openimage, ListsJpegFilesWhateverTheirCase) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt", Questionnaire("", ""));
    for (const char* n : {"a.jpeg", "b.JPEG", "c.Jpg", "d.GIF", "e.txt"}) {
        e.dossier.Write(QStringLiteral("QCM1/") + n, "x");
    }
    e.Demarrer(Choisir("QCM1"));
    QStringList vus;
    e.modal.Ajouter([&](QDialog& d) {
        auto* liste = d.findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_NE(liste, nullptr);
        const auto lignes = [liste] { return liste->model()->rowCount(liste->rootIndex()); };
        EXPECT_TRUE(QTest::qWaitFor([&] { return lignes() >= 3; }));
        QTest::qWait(200);
        for (int i = 0; i < lignes(); ++i) {
            vus << liste->model()->index(i, 0, liste->rootIndex()).data().toString();
        }
        d.reject();
    });
    e.Clic(e.depart->ChargeImage);
    vus.sort();
    EXPECT_EQ(vus, (QStringList{"a.jpeg", "b.JPEG", "c.Jpg", "d.GIF"}));
}
