#include "Echanges.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"
#include "exchange/Export.h"
#include "exchange/Import.h"
#include "model/QcmFile.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/Navigateur.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>

#include <array>

namespace qcm::editor {

using namespace qcm::core;
using namespace qcm::exchange;

namespace {

struct Sortie {
    FormatExport format;
    const char* description;
};

constexpr std::array<Sortie, 6> kSorties{{
    {FormatExport::Gift, "GIFT (Moodle)"},
    {FormatExport::Moodle, "Moodle XML"},
    {FormatExport::Amc, "AMC-TXT (Auto Multiple Choice)"},
    {FormatExport::Html, "Page HTML"},
    {FormatExport::Scorm12, "Paquet SCORM 1.2"},
    {FormatExport::Scorm2004, "Paquet SCORM 2004"},
}};

QString Filtre(const Sortie& s) {
    return QStringLiteral("%1 (*.%2)")
        .arg(QString::fromUtf8(s.description), ExtensionFormat(s.format));
}

// A list of what did not fit, cut so that the box fits the screen.
QString Remarques(const QStringList& pertes) {
    constexpr qsizetype kLignesMontrees = 12;
    QString texte = pertes.mid(0, kLignesMontrees).join(QLatin1Char('\n'));
    if (pertes.size() > kLignesMontrees) {
        texte += QStringLiteral("\n… et %1 autres remarques.").arg(pertes.size() - kLignesMontrees);
    }
    return texte;
}

// The first of dossiers that is a folder and no questionnaire's.
QString PremierDossierLibre(std::initializer_list<QString> dossiers, const QString& ouvert) {
    for (const QString& d : dossiers) {
        if (!d.isEmpty() && folders::IsFolder(d) &&
            folders::FindEntry(d, model::kNomFichierQCM).isEmpty() &&
            (ouvert.isEmpty() || !folders::SameFolder(d, ouvert))) {
            return d;
        }
    }
    return QDir::homePath();
}

QString Documents() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

RaccourcisEchange::RaccourcisEchange(QWidget& fenetre, const EtatEditeur& etat)
    : QObject(&fenetre), fenetre_(fenetre), etat_(etat) {
    setObjectName(QStringLiteral("Echanges"));
}

bool RaccourcisEchange::Ouvert() const {
    return etat_.QuestionCourante > 0 && !etat_.DossierOuvert.isEmpty();
}

void RaccourcisEchange::ApercuImpression(Corrige corrige) {
    if (!Ouvert()) {
        return;
    }
    const TQuestionnaire q = etat_.Questionnaire;
    const QString dossier = etat_.DossierOuvert;
    QPrinter imprimante(QPrinter::HighResolution);
    MettreEnPageA4(imprimante);
    imprimante.setDocName(Nettoye(q.Titre));
    QPrintPreviewDialog apercu(&imprimante, &fenetre_);
    apercu.setObjectName(QStringLiteral("ApercuImpression"));
    // As large as the editor, with small icons: the toolbar then shows
    // every button, printing and saving as PDF included, even on the
    // editor's 640 x 480.
    apercu.resize(fenetre_.size());
    for (auto* barre : apercu.findChildren<QToolBar*>()) {
        barre->setIconSize(QSize(16, 16));
    }
    apercu.setWindowTitle(corrige == Corrige::Avec ? QStringLiteral("Aperçu du corrigé")
                                                   : QStringLiteral("Aperçu avant impression"));
    connect(&apercu, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* p) {
        platform::Proteger([&] {
            // Saving as PDF, or printing to a file: checked before the
            // painter opens (and empties) the file. The preview itself
            // paints into pictures.
            if (!p->outputFileName().isEmpty() && p->paintEngine() != nullptr &&
                p->paintEngine()->type() != QPaintEngine::Picture) {
                VerifierDestination(p->outputFileName(), q, dossier);
            }
            Imprimer(q, dossier, *p, corrige);
        });
    });
    platform::ExecuterModal(apercu);
}

void RaccourcisEchange::ExporterClick() {
    if (!Ouvert()) {
        return;
    }
    const TQuestionnaire q = etat_.Questionnaire;
    const QString dossier = etat_.DossierOuvert;
    QFileDialog d(&fenetre_, QStringLiteral("Exporter le questionnaire"));
    d.setObjectName(QStringLiteral("Exporter"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    QStringList filtres;
    for (const Sortie& s : kSorties) {
        filtres << Filtre(s);
    }
    d.setNameFilters(filtres);
    d.selectNameFilter(filtres.first());
    d.setDefaultSuffix(ExtensionFormat(kSorties.front().format));
    connect(&d, &QFileDialog::filterSelected, &d, [&d, filtres](const QString& filtre) {
        const auto i = filtres.indexOf(filtre);
        if (i >= 0) {
            d.setDefaultSuffix(ExtensionFormat(kSorties.at(static_cast<std::size_t>(i)).format));
        }
    });
    d.setDirectory(DossierExport());
    d.selectFile(NomExport(q));
    if (platform::ExecuterModal(d) != QDialog::Accepted || d.selectedFiles().isEmpty()) {
        return;
    }
    const auto i = std::max<qsizetype>(0, filtres.indexOf(d.selectedNameFilter()));
    const FormatExport format = kSorties.at(static_cast<std::size_t>(i)).format;
    const QString fichier = d.selectedFiles().first();
    const QStringList pertes = ExporterVers(q, dossier, format, fichier);
    dernierExport_ = QFileInfo(fichier).absolutePath();
    if (pertes.isEmpty()) {
        return;
    }
    // Nothing leaves silently.
    platform::MessageBox(
        QStringLiteral("Le questionnaire est exporté. Ce que le format ne peut pas "
                       "reprendre tel quel :\n\n") +
            Remarques(pertes),
        QStringLiteral("QCM"), platform::Boutons::Ok, platform::Icone::Exclamation);
}

QString RaccourcisEchange::DossierExport() const {
    // An export among a questionnaire's files would be taken for one of
    // them, and could be replaced by the next pick.
    return PremierDossierLibre({dernierExport_, Documents()}, etat_.DossierOuvert);
}

void RaccourcisEchange::ImporterClick() {
    QFileDialog d(&fenetre_, QStringLiteral("Importer une banque de questions"));
    d.setObjectName(QStringLiteral("Importer"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters({QStringLiteral("GIFT ou Moodle XML (*.gift *.txt *.xml)"),
                      QStringLiteral("Tous les fichiers (*)")});
    d.setDirectory(dernierImport_.isEmpty() ? PremierDossierLibre({Documents()}, {})
                                            : dernierImport_);
    if (platform::ExecuterModal(d) != QDialog::Accepted || d.selectedFiles().isEmpty()) {
        return;
    }
    const QString chemin = d.selectedFiles().first();
    dernierImport_ = QFileInfo(chemin).absolutePath();
    ResultatImport resultat = Importer(ReadWholeFile(chemin, kTailleMaxImport), chemin);
    const QStringList pertes = resultat.Pertes;
    const int n = resultat.NombreQuestions;
    const QString nom = EcrireImport(std::move(resultat), etat_.RepertoireDepart);
    if (!pertes.isEmpty()) {
        platform::MessageBox(
            QStringLiteral("%1 %2 dans %3. Ce qui n'a pas pu être repris tel quel :\n\n")
                    .arg(n)
                    .arg(n > 1 ? QStringLiteral("questions importées")
                               : QStringLiteral("question importée"),
                         nom) +
                Remarques(pertes),
            QStringLiteral("IMPORT"), platform::Boutons::Ok, platform::Icone::Exclamation);
    }
    if (OuvrirImporte) {
        OuvrirImporte(nom);
    }
}

QString RaccourcisEchange::FichierPage() {
    if (!dossierEssai_) {
        auto dossier = std::make_unique<QTemporaryDir>(
            folders::Join(QDir::tempPath(), QStringLiteral("qcm-essai-XXXXXX")));
        if (!dossier->isValid()) {
            throw Exception(
                QStringLiteral("Impossible de créer un dossier temporaire pour la page (%1)")
                    .arg(dossier->errorString()));
        }
        dossierEssai_ = std::move(dossier);
    }
    return folders::Join(dossierEssai_->path(), QStringLiteral("essai.html"));
}

void RaccourcisEchange::EssayerPage() {
    if (!Ouvert()) {
        return;
    }
    const QByteArray page = Exporter(etat_.Questionnaire, etat_.DossierOuvert, FormatExport::Html);
    const QString chemin = FichierPage();
    WriteFileAtomically(chemin, page);
    // The browser may refuse later; by then the window may be gone.
    platform::NavigateurCourant().Ouvrir(chemin, [moi = QPointer<RaccourcisEchange>(this), chemin] {
        if (moi.isNull()) {
            return;
        }
        // The teacher is told where the page is: it stays after the editor.
        if (moi->dossierEssai_) {
            moi->dossierEssai_->setAutoRemove(false);
        }
        platform::Proteger([&] {
            platform::MessageBox(
                QStringLiteral(
                    "Aucun navigateur n'a pu ouvrir la page. Elle est enregistrée ici :\n%1")
                    .arg(QDir::toNativeSeparators(chemin)),
                QStringLiteral("QCM"), platform::Boutons::Ok, platform::Icone::Exclamation);
        });
    });
}

} // namespace qcm::editor
