#include "Echanges.h"

#include "core/AtomicFile.h"
#include "core/Folders.h"
#include "exchange/Export.h"
#include "model/QcmFile.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/Navigateur.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QShortcut>
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

const QKeySequence kApercu(Qt::CTRL | Qt::Key_P);
const QKeySequence kCorrige(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
const QKeySequence kExporter(Qt::CTRL | Qt::Key_E);
const QKeySequence kPage(Qt::Key_F5);

} // namespace

RaccourcisEchange::RaccourcisEchange(QWidget& fenetre, const EtatEditeur& etat)
    : QObject(&fenetre), fenetre_(fenetre), etat_(etat) {
    setObjectName(QStringLiteral("Echanges"));
    auto raccourci = [this](const QKeySequence& touches, std::function<void()> action) {
        auto* r = new QShortcut(touches, &fenetre_);
        connect(r, &QShortcut::activated, this, [action] { platform::Proteger(action); });
    };
    raccourci(kApercu, [this] { ApercuImpression(Corrige::Sans); });
    raccourci(kCorrige, [this] { ApercuImpression(Corrige::Avec); });
    raccourci(kExporter, [this] { ExporterClick(); });
    raccourci(kPage, [this] { EssayerPage(); });
    // The edits would keep some of these keys for themselves (Ctrl+E goes
    // to the end of the line on some desktops).
    for (QWidget* w : fenetre_.findChildren<QWidget*>()) {
        w->installEventFilter(this);
    }
}

bool RaccourcisEchange::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::ShortcutOverride) {
        const QKeySequence touches(static_cast<QKeyEvent*>(evenement)->keyCombination());
        if (touches == kApercu || touches == kCorrige || touches == kExporter || touches == kPage) {
            evenement->ignore();
            return true;
        }
    }
    return QObject::eventFilter(objet, evenement);
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
    const QStringList pertes = ExporterVers(q, dossier, format, d.selectedFiles().first());
    if (pertes.isEmpty()) {
        return;
    }
    // Nothing leaves silently; a long list is cut so the box fits the screen.
    constexpr qsizetype kLignesMontrees = 12;
    QString texte = QStringLiteral("Le questionnaire est exporté. Ce que le format ne peut pas "
                                   "reprendre tel quel :\n\n") +
                    pertes.mid(0, kLignesMontrees).join(QLatin1Char('\n'));
    if (pertes.size() > kLignesMontrees) {
        texte += QStringLiteral("\n… et %1 autres remarques.").arg(pertes.size() - kLignesMontrees);
    }
    platform::MessageBox(texte, QStringLiteral("QCM"), platform::Boutons::Ok,
                         platform::Icone::Exclamation);
}

QString RaccourcisEchange::DossierExport() const {
    // Beside the questionnaires, where the teacher finds them, unless the
    // start folder is itself a questionnaire's.
    const QString depart = etat_.RepertoireDepart;
    if (!depart.isEmpty() && folders::FindEntry(depart, model::kNomFichierQCM).isEmpty() &&
        !folders::SameFolder(depart, etat_.DossierOuvert)) {
        return depart;
    }
    return QDir::homePath();
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
