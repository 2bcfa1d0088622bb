// Print preview, export and the pupil's page from the keyboard.
#include "Editeur.h"

#include "../support/Encoded.h"

#include "core/Folders.h"
#include "editor/Echanges.h"
#include "exchange/Export.h"
#include "platform/Environnement.h"
#include "platform/Navigateur.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace qcm;
using namespace qcm::exchange;
using namespace qcm::test;

namespace {

const QByteArray kQuestionnaire = Lignes({"Capitales", "CM2", "", "melange=NON", "musique=", "",
                                          "Italie ?", "2", "unique=OUI", "Rome", "Milan", "1", ""});

// Opens the sample with an unsaved change and makes the window active, so
// that its shortcuts answer the keys sent to the focused edit.
void Ouvrir(Editeur& e) {
    e.dossier.Write(QStringLiteral("QCM1/QCM.txt"), kQuestionnaire);
    e.Demarrer(Choisir(QStringLiteral("QCM1")));
    e.depart->Questionposee->setPlainText(QStringLiteral("Capitale de l'Italie ?"));
    ASSERT_TRUE(e.etat.Modifie);
    e.depart->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.depart.get()));
    e.depart->Ltitre->setFocus();
}

void Touche(Editeur& e, QKeyCombination touche) {
    QTest::keyClick(e.depart->Ltitre, touche.key(), touche.keyboardModifiers());
    Editeur::Attendre();
}

// What the exporter makes of the record as it stands, or its message.
struct Attendu {
    QByteArray octets;
    QString erreur;
};
Attendu Exporte(const Editeur& e, FormatExport format) {
    try {
        return {Exporter(e.etat.Questionnaire, e.etat.DossierOuvert, format), {}};
    } catch (const core::Exception& ex) {
        return {{}, ex.Message()};
    }
}

} // namespace

TEST(Raccourcis, PrintPreviewShowsTheRecordWithoutSaving) {
    for (const auto touche : {Qt::CTRL | Qt::Key_P, Qt::CTRL | Qt::SHIFT | Qt::Key_P}) {
        Editeur e;
        Ouvrir(e);
        int pages = 0;
        e.modal.Ajouter([&](QDialog& d) {
            ASSERT_NE(dynamic_cast<QPrintPreviewDialog*>(&d), nullptr);
            pages = d.findChild<QPrintPreviewWidget*>()->pageCount();
        });
        Touche(e, touche);
        EXPECT_EQ(e.modal.montres.back(), QStringLiteral("ApercuImpression"));
        EXPECT_EQ(pages, 1);
        EXPECT_TRUE(e.boites.montrees.empty());
        EXPECT_TRUE(e.etat.Modifie);
        EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/QCM.txt")), kQuestionnaire);
    }
}

TEST(Raccourcis, ExportWritesTheFileWithItsPicturesAndSaysWhatItLeftOut) {
    for (const auto format : {FormatExport::Gift, FormatExport::Moodle, FormatExport::Amc,
                              FormatExport::Html, FormatExport::Scorm12, FormatExport::Scorm2004}) {
        Editeur e;
        Ouvrir(e);
        e.dossier.Write(QStringLiteral("QCM1/image 1.bmp"),
                        qcm::testing::Plain(8, 6, Qt::red, "BMP"));
        model::TQuestionnaire& q = e.etat.Questionnaire;
        q.Question(1).Image = QStringLiteral("image 1.bmp");
        q.Question(2).Enonce = QStringLiteral("Espagne ?");
        q.Question(2).Reponse(1) = QStringLiteral("Madrid");
        q.Question(2).Juste(1) = true;
        q.Question(2).Image = QStringLiteral("absente.jpg");
        const QString sortie = e.dossier.File(QStringLiteral("export.") + ExtensionFormat(format));
        e.modal.Ajouter([&](QDialog& d) {
            auto& f = dynamic_cast<QFileDialog&>(d);
            const QStringList filtres = f.nameFilters();
            ASSERT_EQ(filtres.size(), 6);
            f.selectNameFilter(filtres.at(static_cast<int>(format)));
            f.selectFile(sortie);
            QMetaObject::invokeMethod(&f, "accept", Qt::DirectConnection);
        });
        Touche(e, Qt::CTRL | Qt::Key_E);
        ASSERT_EQ(e.modal.montres.back(), QStringLiteral("Exporter"));
        const ExportComplet attendu =
            ExporterComplet(q, e.etat.DossierOuvert, format, QStringLiteral("export"));
        EXPECT_EQ(e.dossier.Read(QFileInfo(sortie).fileName()), attendu.Octets);
        EXPECT_EQ(attendu.Joints.empty(), format != FormatExport::Amc);
        for (const FichierJoint& joint : attendu.Joints) {
            EXPECT_EQ(e.dossier.Read(joint.Nom), joint.Octets) << joint.Nom.toStdString();
        }
        ASSERT_EQ(e.boites.montrees.size(), attendu.Pertes.isEmpty() ? 0U : 1U);
        if (!attendu.Pertes.isEmpty()) {
            EXPECT_TRUE(e.boites.montrees[0].texte.contains(attendu.Pertes.first()));
        }
        EXPECT_TRUE(e.etat.Modifie);
    }
}

// Ctrl+E opened on "QCM1" in the start folder; AMC-TXT into ".../QCM1/QCM",
// with Qt's "replace?" answered yes, replaced QCM.txt with AMC text.
TEST(Raccourcis, ExportNeverReplacesTheQuestionnaireFile) {
    Editeur e;
    Ouvrir(e);
    QString propose;
    e.modal.Ajouter([&](QDialog& d) {
        auto& f = dynamic_cast<QFileDialog&>(d);
        propose = f.selectedFiles().value(0);
        // As the teacher picks it, so that the dialog adds ".txt".
        auto* types = f.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types->setCurrentIndex(static_cast<int>(FormatExport::Amc));
        emit types->activated(types->currentIndex());
        emit types->textActivated(types->currentText());
        f.setOption(QFileDialog::DontConfirmOverwrite);
        f.selectFile(e.dossier.File(QStringLiteral("QCM1/QCM")));
        QMetaObject::invokeMethod(&f, "accept", Qt::DirectConnection);
    });
    Touche(e, Qt::CTRL | Qt::Key_E);
    ASSERT_EQ(e.modal.montres.back(), QStringLiteral("Exporter"));
    EXPECT_EQ(QFileInfo(propose).completeBaseName(), QStringLiteral("Capitales"));
    EXPECT_FALSE(core::folders::SameFolder(QFileInfo(propose).path(),
                                           e.dossier.File(QStringLiteral("QCM1"))));
    EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/QCM.txt")), kQuestionnaire);
    EXPECT_EQ(QDir(e.dossier.File(QStringLiteral("QCM1"))).entryList(QDir::Files),
              QStringList{QStringLiteral("QCM.txt")});
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_TRUE(e.boites.montrees[0].texte.contains(QStringLiteral("ne le remplace jamais")))
        << e.boites.montrees[0].texte.toStdString();
}

// The preview's "save as PDF" and printing to a file write through Qt.
TEST(Raccourcis, PrintToFileNeverReplacesTheQuestionnaireFile) {
    Editeur e;
    Ouvrir(e);
    e.modal.Ajouter([&](QDialog& d) {
        QPrinter* imprimante = dynamic_cast<QPrintPreviewDialog&>(d).printer();
        imprimante->setOutputFormat(QPrinter::PdfFormat);
        imprimante->setOutputFileName(e.dossier.File(QStringLiteral("QCM1/qcm.TXT")));
        // The preview itself still paints, into pictures.
        d.findChild<QPrintPreviewWidget*>()->updatePreview();
        d.findChild<QPrintPreviewWidget*>()->print();
    });
    Touche(e, Qt::CTRL | Qt::Key_P);
    EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/QCM.txt")), kQuestionnaire);
    EXPECT_FALSE(QFile::exists(e.dossier.File(QStringLiteral("QCM1/qcm.TXT"))));
    ASSERT_EQ(e.boites.montrees.size(), 1U);
    EXPECT_TRUE(e.boites.montrees[0].texte.contains(QStringLiteral("ne le remplace jamais")));
}

TEST(Raccourcis, PageOpensInTheBrowserOrSaysWhereItIs) {
    for (const bool navigateur : {true, false}) {
        Editeur e;
        platform::NavigateurScripte fauxNavigateur;
        fauxNavigateur.reussite = navigateur;
        Ouvrir(e);
        Touche(e, Qt::Key_F5);
        const Attendu attendu = Exporte(e, FormatExport::Html);
        if (!attendu.erreur.isEmpty()) {
            EXPECT_TRUE(fauxNavigateur.ouverts.empty());
            ASSERT_EQ(e.boites.montrees.size(), 1U);
            EXPECT_EQ(e.boites.montrees[0].texte, attendu.erreur);
            continue;
        }
        const QString chemin = e.depart->Echanges->FichierPage();
        ASSERT_EQ(fauxNavigateur.ouverts, std::vector<QString>{chemin});
        EXPECT_TRUE(fauxNavigateur.existaient.at(0));
        QFile page(chemin);
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_EQ(page.readAll(), attendu.octets);
        ASSERT_EQ(e.boites.montrees.size(), navigateur ? 0U : 1U);
        if (!navigateur) {
            EXPECT_TRUE(e.boites.montrees[0].texte.contains(QDir::toNativeSeparators(chemin)));
        }
        QFile::remove(chemin);
    }
}

// The desktop's opener starts whatever the browser turns out to be: one
// that refuses to run must still be reported, not taken for a success.
TEST(Raccourcis, BrowserThatFailsAfterItsOpenerStartedIsReported) {
    struct Cas {
        const char* ouvreur;
        bool echec;
    };
    for (const Cas c : {Cas{"/bin/true", false}, Cas{"/bin/false", true},
                        Cas{"/dossier/absent/xdg-open", true}}) {
        platform::NavigateurBureau navigateur(QString::fromLatin1(c.ouvreur));
        bool echoue = false;
        navigateur.Ouvrir(QStringLiteral("/tmp/page.html"), [&] { echoue = true; });
        const QDeadlineTimer garde(std::chrono::seconds(20));
        while (!qApp->findChildren<QProcess*>().isEmpty() && !garde.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_EQ(echoue, c.echec) << c.ouvreur;
    }
}

// The scale and platform set for the program's own windows would open a Qt
// browser scaled and on X11.
TEST(Raccourcis, BrowserStartsWithTheEnvironmentTheProgramWasGiven) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    const QString ouvreur = dossier.filePath(QStringLiteral("ouvreur"));
    QFile script(ouvreur);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nenv > \"$1\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QByteArray plateforme = qgetenv("QT_QPA_PLATFORM");
    qunsetenv("QT_SCALE_FACTOR");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
    platform::ChangerPourLeProgramme("QT_ENABLE_HIGHDPI_SCALING", "0");
    platform::ChangerPourLeProgramme("QT_SCALE_FACTOR", "4.5");
    platform::ChangerPourLeProgramme("QT_QPA_PLATFORM", "xcb");
    ASSERT_EQ(qgetenv("QT_SCALE_FACTOR"), "4.5");

    const QString sortie = dossier.filePath(QStringLiteral("env.txt"));
    platform::NavigateurBureau navigateur(ouvreur);
    bool echoue = false;
    navigateur.Ouvrir(sortie, [&] { echoue = true; });
    const QDeadlineTimer garde(std::chrono::seconds(20));
    while (!qApp->findChildren<QProcess*>().isEmpty() && !garde.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    qputenv("QT_QPA_PLATFORM", plateforme);
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");

    EXPECT_FALSE(echoue);
    QFile env(sortie);
    ASSERT_TRUE(env.open(QIODevice::ReadOnly));
    const QList<QByteArray> lignes = env.readAll().split('\n');
    EXPECT_TRUE(lignes.contains("QT_QPA_PLATFORM=" + plateforme));
    EXPECT_TRUE(lignes.contains("QT_ENABLE_HIGHDPI_SCALING=1"));
    EXPECT_FALSE(std::any_of(lignes.begin(), lignes.end(),
                             [](const QByteArray& l) { return l.startsWith("QT_SCALE_FACTOR="); }));
    EXPECT_TRUE(lignes.contains("HOME=" + qgetenv("HOME")));
}

// The dialog always proposed the start folder, whatever folder the teacher
// had just exported to.
TEST(Raccourcis, ExportProposesTheLastExportFolderAndNeverAQuestionnaires) {
    Editeur e;
    Ouvrir(e);
    const QString documents =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).exists()
            ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
            : QDir::homePath();
    QDir(e.dossier.Path()).mkdir(QStringLiteral("sorties"));
    const QString sorties = e.dossier.File(QStringLiteral("sorties"));
    const struct {
        QString propose;
        // Where the teacher exports; empty: the dialog is cancelled.
        QString ecrit;
    } etapes[] = {
        {documents, e.dossier.File(QStringLiteral("sorties/a.gift"))},
        {sorties, e.dossier.File(QStringLiteral("QCM1/b.gift"))},
        {documents, {}},
    };
    for (const auto& etape : etapes) {
        QString propose;
        e.modal.Ajouter([&](QDialog& d) {
            auto& f = dynamic_cast<QFileDialog&>(d);
            propose = f.selectedFiles().value(0);
            if (etape.ecrit.isEmpty()) {
                f.reject();
                return;
            }
            f.selectFile(etape.ecrit);
            QMetaObject::invokeMethod(&f, "accept", Qt::DirectConnection);
        });
        Touche(e, Qt::CTRL | Qt::Key_E);
        e.depart->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(e.depart.get()));
        EXPECT_EQ(QFileInfo(propose).fileName(), QStringLiteral("Capitales.gift"));
        EXPECT_TRUE(core::folders::SameFolder(QFileInfo(propose).path(), etape.propose))
            << propose.toStdString();
        EXPECT_TRUE(etape.ecrit.isEmpty() || QFileInfo::exists(etape.ecrit));
    }
}

TEST(Raccourcis, ImportMakesANewQuestionnaireSaysWhatItLostAndOpensIt) {
    const struct {
        QByteArray contenu;
        std::vector<QString> boites;
        bool importe;
    } cas[] = {
        {"::Q1:: Capitale de la France ? {=Paris ~Lyon}\n\n"
         "::Q2:: Un fleuve ? {=Seine ~Rhin ~Loire ~Rhône ~Garonne ~Meuse}\n",
         {QStringLiteral("IMPORT"), QStringLiteral("CHANGEMENT DE QUESTIONNAIRE")},
         true},
        {"", {QStringLiteral("QCM")}, false},
    };
    for (const auto& c : cas) {
        Editeur e;
        Ouvrir(e);
        e.dossier.Write(QStringLiteral("banque.gift"), c.contenu);
        e.modal.montres.clear();
        e.modal.Ajouter([&](QDialog& d) {
            auto& f = dynamic_cast<QFileDialog&>(d);
            f.selectFile(e.dossier.File(QStringLiteral("banque.gift")));
            QMetaObject::invokeMethod(&f, "accept", Qt::DirectConnection);
        });
        Touche(e, Qt::CTRL | Qt::Key_I);
        ASSERT_EQ(e.modal.montres, std::vector<QString>{QStringLiteral("Importer")});
        EXPECT_EQ(e.Legendes(), c.boites);
        EXPECT_EQ(e.dossier.Read(QStringLiteral("QCM1/QCM.txt")), kQuestionnaire);
        EXPECT_EQ(QFileInfo::exists(e.dossier.File(QStringLiteral("QCM2/QCM.txt"))), c.importe);
        const QString ouvert = c.importe ? QStringLiteral("QCM2") : QStringLiteral("QCM1");
        EXPECT_TRUE(core::folders::SameFolder(e.etat.DossierOuvert, e.dossier.File(ouvert)));
        if (c.importe) {
            EXPECT_TRUE(e.boites.montrees[0].texte.contains(QStringLiteral("Meuse")))
                << e.boites.montrees[0].texte.toStdString();
            EXPECT_EQ(e.Q(1).Enonce, QStringLiteral("Capitale de la France ?"));
            EXPECT_EQ(e.depart->Questionposee->Texte(), e.Q(1).Enonce);
            EXPECT_FALSE(e.etat.Modifie);
        }
    }
}

TEST(Raccourcis, DoNothingBeforeAQuestionnaireIsOpen) {
    Editeur e;
    e.Creer();
    platform::NavigateurScripte fauxNavigateur;
    e.depart->Echanges->ApercuImpression(Corrige::Sans);
    e.depart->Echanges->ExporterClick();
    e.depart->Echanges->EssayerPage();
    EXPECT_TRUE(e.modal.montres.empty());
    EXPECT_TRUE(fauxNavigateur.ouverts.empty());
    EXPECT_TRUE(e.boites.montrees.empty());
}
