#include "Depart.h"

#include "Accessibilite.h"
#include "Clavier.h"
#include "Controles.h"
#include "Echanges.h"
#include "Formes.h"
#include "Services.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "dialogs/ChoixQCM.h"
#include "dialogs/Faide.h"
#include "dialogs/OpenPictureDialog.h"
#include "display/DXDraw.h"
#include "editor/resources/Glyphes.h"
#include "model/Catalogue.h"
#include "model/Operations.h"
#include "model/QcmFile.h"
#include "platform/DialogueFichier.h"
#include "platform/FileSystem.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/Musique.h"
#include "platform/Sons.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace qcm::editor {

using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::dialogs;

namespace {

constexpr QLatin1StringView kNouveauQCM("Nouveau QCM");
constexpr QColor kBlanc(255, 255, 255);
constexpr QColor kRouge(255, 0, 0);

QFont Police(const QString& famille, int pixels, bool gras) {
    QFont f(famille);
    f.setPixelSize(pixels);
    f.setBold(gras);
    return f;
}

void Colorer(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

// Every handler the event loop reaches runs under the one exception guard.
template <typename F> auto Garde(F action) {
    return [action] { platform::Proteger(action); };
}

void TitreRefuse() {
    platform::MessageBox(QStringLiteral("Entrez un titre plus explicite"),
                         QStringLiteral("SAUVEGARDE DU QUESTIONNAIRE"), platform::Boutons::Ok,
                         platform::Icone::Exclamation);
}

// The name of the file at chemin, without its folder.
QString NomSeul(const QString& chemin) {
    return chemin.mid(chemin.lastIndexOf(QLatin1Char('/')) + 1);
}

// Runs action; a failure about the media file at chemin names the file on a
// second line, unless its message already ends with that name.
template <typename F> void SurFichier(const QString& chemin, F action) {
    try {
        action();
    } catch (const Exception& e) {
        const QString nom = NomSeul(chemin);
        if (nom.isEmpty() || e.Message().endsWith(nom)) {
            throw;
        }
        throw Exception(e.Message() + QLatin1Char('\n') + nom);
    }
}

// True when the record may name nom: the file can hold it and reading it
// back gives it as written.
bool NomEnregistrable(const QString& nom) {
    return !nom.isEmpty() && Nettoye(nom) == nom &&
           std::all_of(nom.cbegin(), nom.cend(), [](QChar c) { return CaractereEcrivable(c); });
}

bool SauvegarderAvant(const QString& titre) {
    return platform::MessageBox(QStringLiteral("Sauvegarder le questionnaire en cours ?"), titre,
                                platform::Boutons::OuiNon,
                                platform::Icone::Question) == platform::Reponse::Oui;
}

} // namespace

TDepart::TDepart(EtatEditeur& etat, ServicesDepart services, QWidget* parent)
    : TDXForm(parent, Qt::FramelessWindowHint), etat_(etat), services_(services) {
    setObjectName(QStringLiteral("Depart"));
    setWindowTitle(QStringLiteral("QCM"));
    setFont(Police(QStringLiteral("MS Sans Serif"), 11, false));
    setAutoFillBackground(true);
    Colorer(this, QPalette::Window, palette().color(QPalette::Button));

    fond = new SurfaceFond(this);
    fond->setObjectName(QStringLiteral("fond"));
    fond->setGeometry(0, 0, 640, 480);

    Photo = new QLabel(this);
    Photo->setObjectName(QStringLiteral("Photo"));
    Photo->setGeometry(312, 48, 320, 320);
    Photo->setScaledContents(true);

    const QCursor doigt = glyphes::Doigt();
    auto bouton = [&](const QString& nom, int left, const QString& bulle, const QString& glyphe) {
        auto* b = new BoutonGlyphe(this);
        b->setObjectName(nom);
        b->setGeometry(left, 8, 33, 33);
        b->setCursor(doigt);
        b->setToolTip(bulle);
        if (!glyphe.isEmpty()) {
            b->SetGlyphe(glyphes::Glyphe(glyphe));
        }
        b->hide();
        return b;
    };
    auto ligne = [&](const QString& nom, QRect place, const QFont& f, const QString& bulle) {
        auto* e = new ChampLigne(this);
        e->setObjectName(nom);
        e->setGeometry(place);
        e->setFont(f);
        e->setToolTip(bulle);
        e->hide();
        return e;
    };
    auto memo = [&](const QString& nom, QRect place, const QString& bulle) {
        auto* e = new ChampTexte(this);
        e->setObjectName(nom);
        e->setGeometry(place);
        e->setToolTip(bulle);
        e->hide();
        return e;
    };

    Ltitre = ligne(QStringLiteral("Ltitre"), QRect(8, 8, 265, 30),
                   Police(QStringLiteral("Times New Roman"), 20, false),
                   QStringLiteral("Titre du questionnaire"));
    Auteur = ligne(QStringLiteral("Auteur"), QRect(8, 40, 297, 21),
                   Police(QStringLiteral("MS Sans Serif"), 11, false),
                   QStringLiteral("Auteur du questionnaire"));
    Questionposee = memo(QStringLiteral("Questionposee"), QRect(8, 88, 297, 65),
                         QStringLiteral("Enoncé de la question"));
    Questionposee->setFont(Police(QStringLiteral("Arial"), 13, true));
    Colorer(Questionposee, QPalette::Text, QColor(0, 0, 128));
    Commentaire = memo(QStringLiteral("Commentaire"), QRect(312, 376, 321, 73),
                       QStringLiteral("Commentaire à afficher en cas de réponse fausse"));

    NouveauQ = bouton(QStringLiteral("NouveauQ"), 280, QStringLiteral("Créer un nouveau QCM"),
                      QStringLiteral("NouveauQ"));
    Charger = bouton(QStringLiteral("Charger"), 312, QStringLiteral("Charger un questionnaire"),
                     QStringLiteral("Charger"));
    Sauver = bouton(QStringLiteral("Sauver"), 344,
                    QStringLiteral("Sauver le questionnaire en cours d'édition"),
                    QStringLiteral("Sauver"));
    ChargeImage = bouton(QStringLiteral("ChargeImage"), 376,
                         QStringLiteral("Charger une image pour la question en cours"),
                         QStringLiteral("ChargeImage"));
    Changefond =
        bouton(QStringLiteral("Changefond"), 408,
               QStringLiteral("Charger un motif de fond d'écran"), QStringLiteral("Changefond"));
    BMelange = bouton(QStringLiteral("BMelange"), 440, QStringLiteral("Ordre des questions"),
                      QStringLiteral("ordre"));
    Une = bouton(QStringLiteral("Une"), 472, QStringLiteral("Réponse Unique ou réponses multiples"),
                 QStringLiteral("Iune"));
    FG = bouton(QStringLiteral("FG"), 504, QStringLiteral("Question précédente"),
                QStringLiteral("FG"));
    FD = bouton(QStringLiteral("FD"), 536, QStringLiteral("Question suivante"),
                QStringLiteral("FD"));
    Son = bouton(
        QStringLiteral("Son"), 568,
        QStringLiteral("CLIC GAUCHE: volume. CLIC DROIT: choix de la musique d'accompagnement"),
        QStringLiteral("SonOn"));
    Fin = bouton(QStringLiteral("Fin"), 600, QStringLiteral("Quitter l'éditeur de QCM"), {});
    Fin->SetBande(glyphes::Glyphe(QStringLiteral("Fin")));

    barre = new QTimer(this);
    barre->setObjectName(QStringLiteral("barre"));
    barre->setInterval(500);
    barre->setTimerType(Qt::PreciseTimer);

    Cocheon = new ImageGlyphe(QStringLiteral("Cocheon"), this);
    Cocheoff = new ImageGlyphe(QStringLiteral("Cocheoff"), this);
    Iune = new ImageGlyphe(QStringLiteral("Iune"), this);
    Iplus = new ImageGlyphe(QStringLiteral("Iplus"), this);
    ordre = new ImageGlyphe(QStringLiteral("ordre"), this);
    desordre = new ImageGlyphe(QStringLiteral("desordre"), this);
    SonOn = new ImageGlyphe(QStringLiteral("SonOn"), this);
    Sonoff = new ImageGlyphe(QStringLiteral("Sonoff"), this);

    DXDraw1 = new display::TDXDraw(this);
    DXDraw1->setObjectName(QStringLiteral("DXDraw1"));
    DXDraw1->setGeometry(8, 232, 25, 33);
    DXDraw1->hide();
    DXDraw1->SetOptions({display::TDXDrawOption::doFullScreen,
                         display::TDXDrawOption::doAllowReboot,
                         display::TDXDrawOption::doWaitVBlank, display::TDXDrawOption::doCenter,
                         display::TDXDrawOption::doRetainedMode, display::TDXDrawOption::doHardware,
                         display::TDXDrawOption::doSelectDriver});
    DXDraw1->Display.SetBitCount(16);
    DXDraw1->Loaded();

    connect(Ltitre, &QLineEdit::textChanged, this, Garde([this] { LtitreChange(); }));
    connect(Ltitre, &ChampLigne::DoubleClic, this, Garde([this] { LTitreClick(); }));
    connect(Auteur, &QLineEdit::textChanged, this, Garde([this] { AuteurChange(); }));
    connect(Questionposee, &ChampTexte::TexteChange, this,
            Garde([this] { QuestionposeeChange(); }));
    connect(Commentaire, &ChampTexte::TexteChange, this, Garde([this] { CommentaireChange(); }));
    connect(NouveauQ, &QAbstractButton::clicked, this, Garde([this] { NouveauQClick(); }));
    connect(Charger, &QAbstractButton::clicked, this, Garde([this] { ChargerClick(); }));
    connect(Sauver, &QAbstractButton::clicked, this, Garde([this] { SauverClick(); }));
    connect(BMelange, &QAbstractButton::clicked, this, Garde([this] { BMelangeClick(); }));
    connect(Une, &QAbstractButton::clicked, this, Garde([this] { UneClick(); }));
    connect(FG, &QAbstractButton::clicked, this, Garde([this] { FGClick(); }));
    connect(FD, &QAbstractButton::clicked, this, Garde([this] { FDClick(); }));
    connect(Son, &QAbstractButton::clicked, this, Garde([this] { SonClick(); }));
    connect(Fin, &QAbstractButton::clicked, this, Garde([this] { FinClick(); }));
    connect(ChargeImage, &QAbstractButton::clicked, this, Garde([this] { ChargeImageClick(); }));
    connect(Changefond, &QAbstractButton::clicked, this, Garde([this] { ChangefondClick(); }));
    connect(barre, &QTimer::timeout, this, Garde([this] { BarreTimer(); }));
    PopM = new QMenu(this);
    PopM->setObjectName(QStringLiteral("PopM"));
    Charger1 = PopM->addAction(QStringLiteral("Charger"));
    Charger1->setObjectName(QStringLiteral("Charger1"));
    Supprimer1 = PopM->addAction(QStringLiteral("Supprimer"));
    Supprimer1->setObjectName(QStringLiteral("Supprimer1"));
    connect(Son, &BoutonGlyphe::Relache, this,
            [this](Qt::MouseButton b) { platform::Proteger([this, b] { SonMouseUp(b); }); });
    connect(Charger1, &QAction::triggered, this, Garde([this] { Charger1Click(); }));
    connect(Supprimer1, &QAction::triggered, this, Garde([this] { Supprimer1Click(); }));
    if (services_.musique != nullptr) {
        services_.musique->OnNotify = [this] { platform::Proteger([this] { MusiqueNotify(); }); };
        // A piece that does not play shows the music off; the user's choice
        // stays, for the next questionnaire.
        services_.musique->OnErreur = [this](const QString& texte) {
            FixerSon(false);
            platform::AfficherErreur(texte);
        };
        services_.musique->OnSansSortie = [this](bool perdue) { SansSortieSon(perdue); };
    }

    Terminer = [] { QCoreApplication::quit(); };
    FormCreate();
    Echanges = new RaccourcisEchange(*this, etat_);
    Formes = new FormesQuestionnaire(*this, etat_);
    Echanges->OuvrirImporte = [this](const QString& dossier) {
        if (etat_.Modifie && SauvegarderAvant(QStringLiteral("CHANGEMENT DE QUESTIONNAIRE"))) {
            Ecrire();
        }
        OuvrirChoisi({ReponseChoix::Sorte::Dossier, dossier});
    };
    Clavier = new RaccourcisClavier(
        *this,
        {{commande::kAide,
          [this] {
              AideClavier aide(this);
              platform::ExecuterModal(aide);
          }},
         {commande::kApercu, [this] { Echanges->ApercuImpression(exchange::Corrige::Sans); }},
         {commande::kCorrige, [this] { Echanges->ApercuImpression(exchange::Corrige::Avec); }},
         {commande::kExporter, [this] { Echanges->ExporterClick(); }},
         {commande::kPage, [this] { Echanges->EssayerPage(); }},
         {commande::kImporter, [this] { Echanges->ImporterClick(); }},
         {commande::kInserer, [this] { Formes->InsererClick(); }},
         {commande::kDupliquer, [this] { Formes->DupliquerClick(); }},
         {commande::kSupprimer, [this] { Formes->SupprimerClick(); }},
         {commande::kPlusTot, [this] { Formes->DeplacerClick(-1); }},
         {commande::kPlusTard, [this] { Formes->DeplacerClick(1); }},
         {commande::kAnnuler, [this] { Formes->AnnulerClick(); }},
         {commande::kRetablir, [this] { Formes->RetablirClick(); }},
         {commande::kMenuMusique, [this] {
              if (Son->isVisible()) {
                  SonMouseUp(Qt::RightButton);
                  PopM->setActiveAction(Charger1);
              }
          }}});
    Accessibles = new AccessibiliteDepart(*this, etat_);
}

TDepart::~TDepart() = default;

void TDepart::FormCreate() {
    etat_.PremierAffichage = true;
    if (etat_.RepertoireDepart.isEmpty()) {
        etat_.RepertoireDepart = folders::Current();
    }
    etat_.MusiqueActive = true;
    CentreImage = QPoint(Photo->x() + Photo->width() / 2, Photo->y() + Photo->height() / 2);
    etat_.QuestionCourante = 0;

    setFixedSize(640, 480);
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        move(PlacerFenetre(ecran->geometry(), ecran->availableGeometry(), size()));
    }
    fond->setGeometry(0, 0, width(), height());

    for (int i = 1; i <= kMaxQuestions; ++i) {
        auto* c = new CaseBande(this);
        c->setObjectName(QStringLiteral("Case%1").arg(i));
        c->setCursor(Qt::PointingHandCursor);
        c->setGeometry(8 + 10 * (i - 1), 64, 10, 10);
        c->SetCouleur(kBlanc);
        c->Tag = 0;
        c->hide();
        connect(c, &CaseBande::Clic, this, Garde([this, i] { StaticText1Click(i); }));
        c->setToolTip(QStringLiteral("Aller directement à cette question"));
        cases_.at(i - 1) = c;
    }
    const QCursor doigt = glyphes::Doigt();
    for (int i = 1; i <= kMaxReponses; ++i) {
        auto* b = new BoutonGlyphe(this);
        b->setObjectName(QStringLiteral("Coche%1").arg(i));
        b->setCursor(doigt);
        b->setGeometry(8, 168 + 56 * (i - 1), 33, 33);
        b->SetGlyphe(Cocheoff->Picture);
        b->Tag = 0;
        b->hide();
        connect(b, &QAbstractButton::clicked, this, Garde([this, i] { C1Click(i); }));
        coches_.at(i - 1) = b;
    }
    for (int i = 1; i <= kMaxReponses; ++i) {
        auto* e = new ChampTexte(this);
        e->setObjectName(QStringLiteral("Proposition%1").arg(i));
        e->setGeometry(48, 176 + 56 * (i - 1), 257, 49);
        e->setFont(Police(QStringLiteral("Arial"), 13, true));
        Colorer(e, QPalette::Text, QColor(0, 128, 0));
        e->setToolTip(QStringLiteral("Proposition numéro %1").arg(i));
        e->hide();
        connect(e, &ChampTexte::TexteChange, this, Garde([this, i] { Memo1Change(i); }));
        propositions_.at(i - 1) = e;
    }
    fond->lower();

    // Only the edits take the focus, in this order.
    QWidget::setTabOrder(Commentaire, Questionposee);
    QWidget::setTabOrder(Questionposee, Auteur);
    QWidget::setTabOrder(Auteur, Ltitre);
    QWidget::setTabOrder(Ltitre, Propositions(1));
    for (int i = 1; i < kMaxReponses; ++i) {
        QWidget::setTabOrder(Propositions(i), Propositions(i + 1));
    }
}

void TDepart::Brancher(TChoixQCM* choix, BoiteApropos* apropos) {
    choix_ = choix;
    apropos_ = apropos;
}

// ------------------------------------------------------------- first paint

void TDepart::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!etat_.PremierAffichage) {
        return;
    }
    etat_.PremierAffichage = false;
    // A modal loop must not run inside a paint: the chooser comes next.
    QMetaObject::invokeMethod(
        this, [this] { platform::Proteger([this] { PremierAffichageSuite(); }); },
        Qt::QueuedConnection);
}

void TDepart::PremierAffichageSuite() {
    bool annule = false;
    platform::Proteger([this, &annule] { annule = !ChoisirEtOuvrir(); });
    if (annule) {
        if (apropos_ != nullptr) {
            apropos_->Montrer();
        }
        // The application's end closes the window: without a second box.
        fin_ = true;
        Terminer();
        return;
    }
    if (etat_.QuestionCourante > 0) {
        MontrerOutils();
        return;
    }
    // The opening failed: keep a way to choose again, start anew or leave.
    outilsLimites_ = true;
    Charger->show();
    NouveauQ->show();
    Fin->show();
}

void TDepart::MontrerOutils() {
    outilsLimites_ = false;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Son, Fin, Charger, Sauver, ChargeImage, Une, Questionposee,
                                         Auteur, Changefond, Ltitre, NouveauQ, BMelange}) {
        w->show();
    }
}

// ------------------------------------------------------------------ closing

void TDepart::closeEvent(QCloseEvent* event) {
    if (fin_) {
        event->accept();
        return;
    }
    if (!fermetureDemandee_) {
        // Closed from outside (the desktop's close keys): leave through the
        // quit command, which guards unsaved work.
        event->ignore();
        QMetaObject::invokeMethod(this, Garde([this] { FinClick(); }), Qt::QueuedConnection);
        return;
    }
    FormClose();
    event->accept();
}

void TDepart::FormClose() {
    OublierCopies();
    if (apropos_ != nullptr) {
        apropos_->Montrer();
    }
}

// ----------------------------------------------------------------- commands

void TDepart::Ecrire() {
    // Gaps between propositions close as they are saved: the current
    // question is shown as the file will hold it, leaving Modifie as it is.
    TasserPropositions(etat_.Questionnaire);
    Formes->Recaler();
    if (etat_.QuestionCourante > 0) {
        const bool modifie = etat_.Modifie;
        const TQuestion q = etat_.Questionnaire.Question(etat_.QuestionCourante);
        for (int i = 1; i <= kMaxReponses; ++i) {
            Propositions(i)->SetTexte(i > q.NbReponses ? QString() : q.Reponse(i));
            if (i <= q.NbReponses) {
                FixerCoche(i, q.Juste(i));
            }
        }
        etat_.Questionnaire.Question(etat_.QuestionCourante) = q;
        etat_.Modifie = modifie;
        ActiverSauver(modifie);
    }
    const bool disparu = !folders::IsFolder(etat_.DossierOuvert);
    EcrireQCM(etat_.Questionnaire, etat_.DossierOuvert);
    MarquerEnregistre(etat_, *this);
    if (!disparu) {
        return;
    }
    const QStringList manquants = MediasManquants(etat_.Questionnaire, etat_.DossierOuvert);
    if (!manquants.isEmpty()) {
        platform::MessageBox(
            QStringLiteral("Le dossier du questionnaire avait disparu : il a été recréé et le "
                           "questionnaire y est enregistré, mais ces fichiers qu'il nomme "
                           "manquent :\n%1")
                .arg(manquants.join(QLatin1Char('\n'))),
            QStringLiteral("SAUVEGARDE DU QUESTIONNAIRE"), platform::Boutons::Ok,
            platform::Icone::Exclamation);
    }
}

void TDepart::SauverClick() {
    if (etat_.Questionnaire.Titre == kNouveauQCM) {
        TitreRefuse();
        return;
    }
    Ecrire();
}

void TDepart::FinClick() {
    if (platform::MessageBox(QStringLiteral("Es-tu sur de vouloir quitter l'éditeur QCM?"),
                             QStringLiteral("SORTIE"), platform::Boutons::OkAnnuler,
                             platform::Icone::Question) != platform::Reponse::Ok) {
        return;
    }
    if (etat_.Modifie &&
        platform::MessageBox(
            QStringLiteral("Sauvegarder le questionnaire en cours avant de quitter?"),
            QStringLiteral("SORTIE"), platform::Boutons::OuiNon,
            platform::Icone::Question) == platform::Reponse::Oui) {
        if (etat_.Questionnaire.Titre == kNouveauQCM) {
            TitreRefuse();
            return;
        }
        Ecrire();
    }
    repaint();
    if (services_.sons != nullptr) {
        services_.sons->JouerDepart();
    }
    fermetureDemandee_ = true;
    close();
}

void TDepart::ChargerClick() {
    if (etat_.Modifie && SauvegarderAvant(QStringLiteral("CHANGEMENT DE QUESTIONNAIRE"))) {
        Ecrire();
    }
    ChoisirEtOuvrir();
}

void TDepart::LTitreClick() {
    ChoisirEtOuvrir(true);
}

bool TDepart::ChoisirEtOuvrir(bool garderModifications) {
    const ReponseChoix reponse = choix_ != nullptr ? choix_->Choisir() : ReponseChoix{};
    if (reponse.sorte == ReponseChoix::Sorte::Aucune) {
        return false;
    }
    // A double-click meant to select a word of the title must not drop the
    // changes: asked as on leaving, before anything is replaced. New asks
    // for itself.
    if (garderModifications && etat_.Modifie && reponse.sorte == ReponseChoix::Sorte::Dossier) {
        switch (platform::MessageBox(QStringLiteral("Sauvegarder le questionnaire en cours ?"),
                                     QStringLiteral("CHANGEMENT DE QUESTIONNAIRE"),
                                     platform::Boutons::OuiNonAnnuler, platform::Icone::Question)) {
        case platform::Reponse::Oui:
            if (etat_.Questionnaire.Titre == kNouveauQCM) {
                TitreRefuse();
                return true;
            }
            Ecrire();
            break;
        case platform::Reponse::Non:
            break;
        default:
            return true;
        }
    }
    repaint();
    OuvrirChoisi(reponse);
    return true;
}

void TDepart::OuvrirChoisi(const ReponseChoix& reponse) {
    if (reponse.sorte == ReponseChoix::Sorte::Nouveau) {
        NouveauQClick();
        return;
    }
    const QString dossier = folders::Join(etat_.RepertoireDepart, reponse.dossier);
    // Read whole before anything is shown: a file that fails leaves the
    // window, the record and Modifie as they were.
    Appliquer(LireQCM(dossier), dossier);
    MarquerEnregistre(etat_, *this);
}

void TDepart::NouveauQClick() {
    if (etat_.Modifie && SauvegarderAvant(QStringLiteral("NOUVEAU QCM"))) {
        Ecrire();
    }
    const QString base = etat_.RepertoireDepart;
    const QString nom = ProchainDossierQCM(base);
    const QString dossier = folders::Join(base, nom);
    // Made before the record is emptied: a folder that cannot be made
    // leaves the open questionnaire as it was.
    platform::CreerDossier(dossier);
    OublierCopies();
    TQuestionnaire q;
    ViderQuestionnaire(q);
    q.Repertoire = nom;
    etat_.Questionnaire = std::move(q);
    etat_.DossierOuvert = dossier;
    // Never saved: modified until it is.
    etat_.Enregistre.reset();
    Formes->Recommencer();
    MontrerMelange(false);
    FermerMusique();
    CacherCoches();
    OuvrirQuestionnaire(etat_, *this);
    etat_.Modifie = true;
    ActiverSauver(true);
    if (outilsLimites_) {
        MontrerOutils();
    }
}

void TDepart::Appliquer(TQuestionnaire q, const QString& dossier) {
    OublierCopies();
    etat_.Questionnaire = std::move(q);
    etat_.DossierOuvert = dossier;
    Formes->Recommencer();
    // One bad media file must not keep the teacher out of the questionnaire:
    // its error is shown and the opening goes on. A tile that fails leaves
    // the previous background; the line stays in the record, so that saving
    // loses nothing.
    const TQuestionnaire& ouvert = etat_.Questionnaire;
    platform::Proteger(
        [&] { SurFichier(Fichier(ouvert.Fond), [&] { AfficherFond(ouvert.Fond); }); });
    MontrerMelange(etat_.Questionnaire.Melange);
    platform::Proteger(
        [&] { SurFichier(Fichier(ouvert.Musique), [&] { ReglerMusique(ouvert.Musique); }); });
    OuvrirQuestionnaire(etat_, *this);
    if (outilsLimites_) {
        MontrerOutils();
    }
}

QString TDepart::Fichier(const QString& nom) const {
    return nom.isEmpty() ? QString() : folders::EntryPath(etat_.DossierOuvert, nom);
}

// --------------------------------------------------------------- navigation

void TDepart::AfficherEntete(const QString& titre, const QString& auteur) {
    for (CaseBande* c : cases_) {
        c->SetCouleur(kBlanc);
        c->show();
    }
    Ltitre->SetTexte(titre);
    Auteur->SetTexte(auteur);
    Commentaire->ViderSansSignal();
}

void TDepart::NoterChangement() {
    // The field or button whose handler made the change.
    Formes->Changement(sender());
}

void TDepart::AfficherQuestion(int n) {
    // The arrows appear once the questionnaire's folder has been entered.
    FD->show();
    FG->show();
    const TQuestion& q = etat_.Questionnaire.Question(n);
    if (services_.illustrations != nullptr) {
        // A picture that cannot be shown is reported; the question still is.
        const QString image = Fichier(q.Image);
        platform::Proteger([&] {
            SurFichier(image,
                       [&] { services_.illustrations->AfficherImage(*Photo, CentreImage, image); });
        });
    }
    Commentaire->ViderSansSignal();
    Commentaire->show();
    Commentaire->SetTexte(q.Commentaire);
    if (!barre->isActive()) {
        barre->start();
    }
    Questionposee->SetTexte(q.Enonce);
    for (int i = 1; i <= kMaxReponses; ++i) {
        Propositions(i)->show();
        if (i > q.NbReponses) {
            Propositions(i)->SetTexte(QString());
        } else {
            Propositions(i)->SetTexte(q.Reponse(i));
            FixerCoche(i, q.Juste(i));
        }
    }
    FixerUne(q.Unique);
    if (Accessibles != nullptr) {
        Accessibles->Actualiser();
    }
}

void TDepart::StaticText1Click(int i) {
    if (barre->isActive()) {
        barre->stop();
        if (etat_.QuestionCourante > 0) {
            Cases(etat_.QuestionCourante)->SetCouleur(kBlanc);
        }
    }
    etat_.QuestionCourante = i;
    AfficherQuestion(i);
}

void TDepart::FDClick() {
    if (etat_.QuestionCourante == 0) {
        return;
    }
    if (barre->isActive()) {
        barre->stop();
        Cases(etat_.QuestionCourante)->SetCouleur(kBlanc);
    }
    ++etat_.QuestionCourante;
    if (etat_.QuestionCourante > etat_.Questionnaire.NbQuestions) {
        etat_.QuestionCourante -= etat_.Questionnaire.NbQuestions;
    }
    AfficherQuestion(etat_.QuestionCourante);
}

void TDepart::FGClick() {
    if (etat_.QuestionCourante == 0) {
        return;
    }
    if (barre->isActive()) {
        barre->stop();
        Cases(etat_.QuestionCourante)->SetCouleur(kBlanc);
    }
    --etat_.QuestionCourante;
    if (etat_.QuestionCourante < 1) {
        etat_.QuestionCourante += etat_.Questionnaire.NbQuestions;
    }
    AfficherQuestion(etat_.QuestionCourante);
}

void TDepart::BarreTimer() {
    if (etat_.QuestionCourante > 0) {
        CaseBande* c = Cases(etat_.QuestionCourante);
        c->SetCouleur(c->Couleur() == kBlanc ? kRouge : kBlanc);
    }
}

// ------------------------------------------------------------------ editing

TQuestion& TDepart::QuestionEditee() {
    return etat_.Questionnaire.Question(etat_.QuestionCourante);
}

void TDepart::FixerCoche(int k, bool juste) {
    Coches(k)->Tag = juste ? 1 : 0;
    Coches(k)->SetGlyphe(juste ? Cocheon->Picture : Cocheoff->Picture);
}

void TDepart::FixerUne(bool unique) {
    Une->Tag = unique ? 0 : 1;
    Une->SetGlyphe(unique ? Iune->Picture : Iplus->Picture);
}

void TDepart::FixerSon(bool on) {
    Son->Tag = on ? 1 : 0;
    Son->SetGlyphe(on ? SonOn->Picture : Sonoff->Picture);
}

void TDepart::LtitreChange() {
    etat_.Questionnaire.Titre = Ltitre->text();
    MarquerModifie(etat_, *this);
}

void TDepart::AuteurChange() {
    etat_.Questionnaire.Auteur = Auteur->text();
    MarquerModifie(etat_, *this);
}

void TDepart::QuestionposeeChange() {
    if (etat_.QuestionCourante == 0) {
        return;
    }
    QuestionEditee().Enonce = Questionposee->Texte();
    MarquerModifie(etat_, *this);
}

void TDepart::CommentaireChange() {
    if (etat_.QuestionCourante == 0) {
        return;
    }
    QuestionEditee().Commentaire = Commentaire->Texte();
    MarquerModifie(etat_, *this);
}

void TDepart::Memo1Change(int k) {
    const QString texte = Propositions(k)->Texte();
    const bool visible = !Nettoye(texte).isEmpty();
    Coches(k)->setVisible(visible);
    if (etat_.QuestionCourante == 0) {
        return;
    }
    TQuestion& q = QuestionEditee();
    if (!visible) {
        FixerCoche(k, false);
        q.Juste(k) = false;
    }
    q.Reponse(k) = texte;
    // Showing the question again puts slots 1..NbReponses on screen: a slot
    // typed above it must be counted, or it would be emptied then.
    if (!texte.isEmpty() && k > q.NbReponses) {
        q.NbReponses = k;
    }
    MarquerModifie(etat_, *this);
}

void TDepart::C1Click(int k) {
    TQuestion& q = QuestionEditee();
    if (q.Unique) {
        for (int i = 1; i <= kMaxReponses; ++i) {
            FixerCoche(i, i == k);
            q.Juste(i) = i == k;
        }
    } else {
        const bool juste = Coches(k)->Tag != 1;
        FixerCoche(k, juste);
        q.Juste(k) = juste;
    }
    MarquerModifie(etat_, *this);
}

void TDepart::UneClick() {
    TQuestion& q = QuestionEditee();
    if (Une->Tag == 1) {
        FixerUne(true);
        q.Unique = true;
        int marques = 0;
        for (int i = 1; i <= kMaxReponses; ++i) {
            marques += Coches(i)->Tag;
        }
        if (marques > 1) {
            for (int i = 1; i <= kMaxReponses; ++i) {
                FixerCoche(i, false);
                q.Juste(i) = false;
            }
        }
    } else {
        FixerUne(false);
        q.Unique = false;
    }
    MarquerModifie(etat_, *this);
}

void TDepart::BMelangeClick() {
    const bool melange = BMelange->Tag != 1;
    MontrerMelange(melange);
    etat_.Questionnaire.Melange = melange;
    MarquerModifie(etat_, *this);
}

void TDepart::SonClick() {
    // A file's "NON" says there is no music, as an empty line does.
    const QString& musique = etat_.Questionnaire.Musique;
    if (musique.isEmpty() || musique == QStringLiteral("NON") || services_.musique == nullptr) {
        return;
    }
    platform::Musique& m = *services_.musique;
    if (Son->Tag == 1) {
        FixerSon(false);
        etat_.MusiqueActive = false;
        m.Notify(false);
        if (m.Ouvert()) {
            m.Stop();
        }
        return;
    }
    FixerSon(true);
    etat_.MusiqueActive = true;
    const QString fichier = Fichier(etat_.Questionnaire.Musique);
    if (!m.Ouvert() || m.FichierOuvert() != fichier) {
        m.FileName = fichier;
        DemarrerMusique();
        return;
    }
    m.Notify(true);
    m.Play();
}

void TDepart::SonMouseUp(Qt::MouseButton bouton) {
    if (bouton != Qt::RightButton) {
        return;
    }
    // Just under the button.
    PopM->popup(mapToGlobal(QPoint(Son->x(), Son->y() + Son->height())));
}

void TDepart::Charger1Click() {
    VerifierDossier();
    QFileDialog dialogue(this);
    dialogue.setObjectName(QStringLiteral("Openmid"));
    platform::PreparerOuverture(dialogue, QStringLiteral("fichiers MIDI (*.mid)|*.mid"),
                                etat_.DossierOuvert);
    if (platform::ExecuterModal(dialogue) != QDialog::Accepted ||
        dialogue.selectedFiles().isEmpty()) {
        return;
    }
    const QString choisi = dialogue.selectedFiles().constFirst();
    SurFichier(choisi, [&] { platform::VerifierPieceMidi(choisi); });
    // A failed copy raises here: the record keeps its old name.
    etat_.Questionnaire.Musique = Placer(choisi, QStringLiteral("fond musical.mid"));
    // The record changed: marked before the piece is tried, so that a piece
    // that does not play is still saved.
    MarquerModifie(etat_, *this);
    FixerSon(true);
    etat_.MusiqueActive = true;
    if (services_.musique != nullptr) {
        services_.musique->FileName = Fichier(etat_.Questionnaire.Musique);
        DemarrerMusique();
    }
}

void TDepart::Supprimer1Click() {
    if (Son->Tag == 1) {
        FixerSon(false);
        etat_.MusiqueActive = false;
        if (services_.musique != nullptr && services_.musique->Ouvert()) {
            services_.musique->Notify(false);
            services_.musique->Stop();
            services_.musique->Close();
        }
    }
    etat_.Questionnaire.Musique.clear();
    MarquerModifie(etat_, *this);
}

void TDepart::MusiqueNotify() {
    platform::Musique* m = services_.musique;
    if (m != nullptr && m->Mode() == platform::Musique::ModeLecture::Arrete &&
        etat_.MusiqueActive) {
        m->Notify(true);
        m->Play();
    }
}

void TDepart::DemarrerMusique() {
    platform::Musique& m = *services_.musique;
    try {
        m.Notify(false);
        m.Open();
    } catch (...) {
        FixerSon(false);
        throw;
    }
    m.Notify(true);
    m.Play();
}

void TDepart::SansSortieSon(bool perdue) {
    if (sansSortieDite_) {
        return;
    }
    sansSortieDite_ = true;
    platform::MessageBox(
        perdue ? QStringLiteral("La sortie son a disparu : la musique continue sans son.")
               : QStringLiteral("Aucune sortie son n'est disponible : la musique sera jouée "
                                "sans son."),
        QStringLiteral("QCM"), platform::Boutons::Ok, platform::Icone::Exclamation);
}

// ------------------------------------------------------------- model's view

void TDepart::ActiverSauver(bool actif) {
    Sauver->setEnabled(actif);
    // Every edit passes here: the strip's "vide" follows the typing.
    if (Accessibles != nullptr) {
        Accessibles->Actualiser();
    }
}

void TDepart::MontrerMelange(bool melange) {
    BMelange->Tag = melange ? 1 : 0;
    BMelange->SetGlyphe(melange ? desordre->Picture : ordre->Picture);
}

void TDepart::FermerMusique() {
    if (services_.musique != nullptr && services_.musique->Ouvert()) {
        services_.musique->Close();
    }
    FixerSon(false);
}

void TDepart::CacherCoches() {
    for (int i = 1; i <= kMaxReponses; ++i) {
        FixerCoche(i, false);
        Coches(i)->hide();
    }
}

void TDepart::AfficherFond(const QString& nom) {
    if (services_.illustrations == nullptr) {
        return;
    }
    // Draw on a copy: a tile that fails to load leaves the old background.
    QImage surface = fond->Surface();
    services_.illustrations->AfficherFond(surface, Fichier(nom));
    fond->SetImage(surface);
}

// ------------------------------------------------------------------ pictures

TOpenPictureDialog& TDepart::DialogueImages(TOpenPictureDialog*& dialogue, const QString& nom) {
    if (dialogue == nullptr) {
        dialogue = new TOpenPictureDialog(this);
        dialogue->setObjectName(nom);
    }
    return *dialogue;
}

void TDepart::VerifierDossier() const {
    if (!folders::IsFolder(etat_.DossierOuvert)) {
        throw Exception(
            QStringLiteral("Le dossier du questionnaire (%1) a disparu : sauvegardez le "
                           "questionnaire pour le recréer, puis choisissez de "
                           "nouveau le fichier.")
                .arg(NomSeul(etat_.DossierOuvert)));
    }
}

QString TDepart::Placer(const QString& choisi, const QString& nom) {
    VerifierDossier();
    const qsizetype barre = choisi.lastIndexOf(QLatin1Char('/'));
    const QString seul = choisi.mid(barre + 1);
    // Decided on the folders themselves: one whose name differs only by
    // case is another folder, whose files the record could not name.
    if (barre >= 0 && folders::SameFolder(choisi.left(barre + 1), etat_.DossierOuvert) &&
        NomEnregistrable(seul)) {
        return seul;
    }
    // Under a name no file of the folder has, and that neither the record
    // nor the saved file names (a missing picture may come back with its
    // question): what the saved questionnaire names stays as it is until
    // the teacher saves. A copy that fails raises before the record names it.
    QStringList nommes = NomsMedias(etat_.Questionnaire);
    if (etat_.Enregistre) {
        nommes += NomsMedias(*etat_.Enregistre);
    }
    const QString libre = folders::FreeName(etat_.DossierOuvert, nom, nommes);
    const QString copie = folders::Join(etat_.DossierOuvert, libre);
    SurFichier(choisi, [&] { platform::CopierFichier(choisi, copie); });
    copies_.append(copie);
    return libre;
}

void TDepart::OublierCopies() {
    QStringList copies;
    copies.swap(copies_);
    if (copies.isEmpty() || etat_.DossierOuvert.isEmpty()) {
        return;
    }
    TQuestionnaire enregistre;
    try {
        enregistre = LireQCM(etat_.DossierOuvert);
    } catch (const EInOutError& e) {
        // A questionnaire never saved names none; one that cannot be read
        // might name any, and they stay.
        if (e.Code() != EInOutError::FileNotFound) {
            return;
        }
    } catch (const Exception&) {
        return;
    }
    QStringList gardes;
    for (const QString& nom : NomsMedias(enregistre)) {
        gardes.append(folders::FindEntry(etat_.DossierOuvert, nom));
    }
    for (const QString& copie : copies) {
        if (!gardes.contains(NomSeul(copie))) {
            folders::RemoveFile(copie);
        }
    }
}

QString TDepart::FiltreImages() {
    return QStringLiteral("Tout (*.dib;*.gif;*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg)|"
                          "*.dib;*.gif;*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg");
}

void TDepart::ChargeImageClick() {
    VerifierDossier();
    TOpenPictureDialog& d = DialogueImages(Openimage, QStringLiteral("Openimage"));
    platform::PreparerOuverture(d, FiltreImages(), etat_.DossierOuvert);
    if (!d.Execute()) {
        return;
    }
    const QString choisi = d.FileName();
    // Read and decoded before anything changes: a picture that cannot be
    // shown leaves the folder, the record and the screen as they were.
    if (services_.illustrations != nullptr) {
        SurFichier(choisi, [&] { services_.illustrations->VerifierImage(choisi); });
    }
    const QString seul = NomSeul(choisi);
    const qsizetype point = seul.lastIndexOf(QLatin1Char('.'));
    const QString extension = point < 0 ? QString() : seul.mid(point);
    const QString nom =
        Placer(choisi, QStringLiteral("image %1%2").arg(etat_.QuestionCourante).arg(extension));
    QuestionEditee().Image = nom;
    MarquerModifie(etat_, *this);
    if (services_.illustrations != nullptr) {
        const QString image = Fichier(nom);
        SurFichier(image,
                   [&] { services_.illustrations->AfficherImage(*Photo, CentreImage, image); });
    }
}

void TDepart::ChangefondClick() {
    VerifierDossier();
    TOpenPictureDialog& d = DialogueImages(Openfond, QStringLiteral("Openfond"));
    platform::PreparerOuverture(d, QStringLiteral("Bitmaps (*.bmp)|*.bmp"), etat_.DossierOuvert);
    if (!d.Execute()) {
        return;
    }
    const QString choisi = d.FileName();
    // Painted on a copy first: a tile that cannot be read changes nothing.
    QImage surface = fond->Surface();
    if (services_.illustrations != nullptr) {
        SurFichier(choisi, [&] { services_.illustrations->AfficherFond(surface, choisi); });
    }
    etat_.Questionnaire.Fond = Placer(choisi, QStringLiteral("fond écran.bmp"));
    fond->SetImage(surface);
    MarquerModifie(etat_, *this);
}

void TDepart::ReglerMusique(const QString& musique) {
    platform::Musique* m = services_.musique;
    if (!musique.isEmpty() && musique != QStringLiteral("NON")) {
        if (m != nullptr) {
            m->FileName = Fichier(musique);
        }
        if (etat_.MusiqueActive) {
            if (m != nullptr) {
                DemarrerMusique();
            }
            FixerSon(true);
        }
        return;
    }
    if (m != nullptr) {
        m->FileName.clear();
        if (m->Ouvert()) {
            m->Close();
        }
    }
    FixerSon(false);
    etat_.MusiqueActive = false;
}

} // namespace qcm::editor
