// Faults seen by teachers, each kept from coming back.
#include "Editeur.h"
#include "model/QcmFile.h"

#include "platform/Bip.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::dialogs;
using namespace qcm::editor;
using namespace qcm::test;

namespace {

// Runs the real box; geste acts on it once its modal loop is running.
Reponse MontrerReelle(platform::Boutons boutons, const std::function<void(QMessageBox&)>& geste) {
    QMetaObject::invokeMethod(
        qApp,
        [geste] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            geste(*box);
        },
        Qt::QueuedConnection);
    return platform::Boites().Montrer(QStringLiteral("Sauvegarder ?"), QStringLiteral("SORTIE"),
                                      boutons, platform::Icone::Question);
}

void Echap(QMessageBox& box) {
    QTest::keyClick(box.focusWidget() != nullptr ? box.focusWidget() : &box, Qt::Key_Escape);
}

} // namespace

TEST(BoitesQt, EscapeOrCloseAtSaveBeforeLeavingDoesNotThrowTheWorkAway) {
    bool ouverte = false;
    const Reponse r = MontrerReelle(platform::Boutons::OuiNon, [&](QMessageBox& box) {
        Echap(box);
        box.close();
        ouverte = box.isVisible();
        QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_TRUE(ouverte);
    EXPECT_EQ(r, Reponse::Oui);
    // Boxes with a way out keep Escape as that way out.
    EXPECT_EQ(MontrerReelle(platform::Boutons::OkAnnuler, Echap), Reponse::Annuler);
    EXPECT_EQ(MontrerReelle(platform::Boutons::Ok, Echap), Reponse::Ok);
    EXPECT_EQ(MontrerReelle(platform::Boutons::OuiNonEchapNon, Echap), Reponse::Non);
}

TEST(Texte, LoadedTextIsNotChangedWithoutAnEdit) {
    Editeur e;
    e.dossier.Write("QCM1/QCM.txt",
                    Lignes({"Ti\ntre", "", "", "melange=NON", "musique=", "", "Enonce\nsur deux",
                            "1", "unique=OUI", "x\x01y", "1", "Com\x02ment\naire"}));
    e.Demarrer(Choisir("QCM1"));
    TDepart& d = *e.depart;
    EXPECT_EQ(e.Q(1).Enonce, QStringLiteral("Enonce\nsur deux"));
    EXPECT_EQ(e.Q(1).Reponse(1), QStringLiteral("x\x01y"));
    EXPECT_EQ(e.Q(1).Commentaire, QStringLiteral("Com\x02ment\naire"));
    // Typing elsewhere in the field leaves what was read alone.
    e.Taper(d.Propositions(1), QStringLiteral("z"));
    e.Taper(d.Ltitre, QStringLiteral("!"));
    e.Clic(d.Sauver);
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt").startsWith("!Ti\ntre\r\n"));
    EXPECT_TRUE(e.dossier.Read("QCM1/QCM.txt")
                    .contains("\r\nEnonce\nsur deux\r\n1\r\nunique=OUI\r\nzx\x01y\r\n1\r\n"
                              "Com\x02ment\naire\r\n"));
}

TEST(Texte, RefusedKeystrokeBeeps) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    const struct {
        QWidget* champ;
        int touche;
        QString texte;
    } cas[] = {
        {d.Ltitre, 0, QStringLiteral("\u4e2d")},
        {d.Questionposee, 0, QStringLiteral("\u4e2d")},
        {d.Propositions(1), Qt::Key_Return, "\r"},
        {d.Auteur, Qt::Key_Enter, "\r"},
    };
    for (const auto& c : cas) {
        platform::BipsComptes bips;
        QKeyEvent touche(QEvent::KeyPress, c.touche, Qt::NoModifier, c.texte);
        QApplication::sendEvent(c.champ, &touche);
        EXPECT_EQ(bips.bips, 1) << c.champ->objectName().toStdString();
        e.Taper(c.champ, QStringLiteral("\u00e9"));
        EXPECT_EQ(bips.bips, 1) << c.champ->objectName().toStdString();
    }
    EXPECT_EQ(d.Ltitre->text(), QStringLiteral("\u00e9Nouveau QCM"));
    EXPECT_EQ(e.Q(1).Enonce, QStringLiteral("\u00e9"));
}

TEST(Texte, OneLineFieldSetByTheProgramShowsItsStart) {
    Editeur e;
    const QByteArray titre = "Les vacances d'\xe9t\xe9 : o\xf9 aller, comment s'y rendre, "
                             "quelles d\xe9"
                             "cisions d'\xe9t\xe9 : \xe7"
                             "a co\xfbte combien ?";
    e.dossier.Write("QCM1/QCM.txt", Lignes({titre.constData(), "Auteur"}));
    e.Demarrer(Choisir("QCM1"));
    EXPECT_EQ(e.depart->Ltitre->cursorPosition(), 0);
    EXPECT_EQ(e.depart->Auteur->cursorPosition(), 0);
}

TEST(ChampLigne, LongestTitleAFileCanCarryIsKeptWhole) {
    ChampLigne champ;
    const QString titre(kTailleMaxQCM - 32, QLatin1Char('t'));
    champ.setText(titre);
    EXPECT_EQ(champ.text().size(), titre.size());
    EXPECT_LT(champ.maxLength(), std::numeric_limits<int>::max());
}

TEST(ChoixQCM, RowsAreNineteenPixelsHighSoSevenTitlesShow) {
    TChoixQCM c{QString()};
    for (int i = 1; i <= 8; ++i) {
        c.Liste->addItem(QStringLiteral("Questionnaire %1").arg(i));
    }
    c.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(c.Liste->visualItemRect(c.Liste->item(i)).height(), 19) << i;
    }
    EXPECT_LE(c.Liste->visualItemRect(c.Liste->item(6)).bottom(), c.Liste->viewport()->height());
}

TEST(Bande, BlinkDoesNotDriftWithACoarseTimer) {
    Editeur e;
    e.Creer();
    EXPECT_EQ(e.depart->barre->timerType(), Qt::PreciseTimer);
}

TEST(Depart, EditFieldsHaveTheSunkenBorderOfTheDesktop) {
    Editeur e;
    e.Demarrer(Nouveau());
    TDepart& d = *e.depart;
    const QColor gris(128, 128, 128), blanc(255, 255, 255), noir(0, 0, 0), clair(192, 192, 192);
    for (QWidget* champ : std::initializer_list<QWidget*>{d.Ltitre, d.Auteur, d.Questionposee,
                                                          d.Commentaire, d.Propositions(3)}) {
        const QImage image = champ->grab().toImage();
        const int r = image.width() - 1;
        const int b = image.height() - 1;
        const struct {
            QPoint p;
            QColor c;
        } attendus[] = {
            {{0, 0}, gris},          {{r / 2, 0}, gris},      {{0, b / 2}, gris},
            {{r, b}, blanc},         {{r / 2, b}, blanc},     {{r, b / 2}, blanc},
            {{1, 1}, noir},          {{r / 2, 1}, noir},      {{1, b / 2}, noir},
            {{r - 1, b - 1}, clair}, {{r / 2, b - 1}, clair}, {{r - 1, b / 2}, clair},
        };
        for (const auto& a : attendus) {
            EXPECT_EQ(image.pixelColor(a.p).name().toStdString(), a.c.name().toStdString())
                << champ->objectName().toStdString() << " " << a.p.x() << "," << a.p.y();
        }
    }
}

// The file dialog's name completer stayed on screen once the dialog had
// closed, over the editor, and took the clicks meant for it.
TEST(Dialogues, NoPopupOutlivesItsDialog) {
    Editeur e;
    e.Demarrer(Nouveau());
    for (const char* nom : {"image1.bmp", "image2.bmp"}) {
        e.dossier.Write(QStringLiteral("QCM1/%1").arg(QLatin1String(nom)), QByteArray("BM"));
    }
    bool liste = false;
    e.modal.Ajouter([&liste](QDialog& d) {
        auto* nom = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nom, nullptr);
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        nom->setFocus();
        // The completer lists what the dialog's folder model has read.
        QTest::qWait(300);
        QTest::keyClicks(nom, QStringLiteral("ima"));
        liste = QTest::qWaitFor([nom] {
            return nom->completer() != nullptr && nom->completer()->popup()->isVisible();
        });
    });
    e.Clic(e.depart->ChargeImage);
    ASSERT_TRUE(liste);
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(w->isVisible() && w != e.depart.get()) << w->metaObject()->className();
    }
}
