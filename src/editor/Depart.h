#pragma once

#include "display/DXForm.h"
#include "model/Questionnaire.h"

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <array>
#include <functional>

class QLabel;
class QTimer;

namespace qcm::dialogs {
class BoiteApropos;
class TChoixQCM;
class TOpenPictureDialog;
struct ReponseChoix;
} // namespace qcm::dialogs

class QMenu;
class QAction;

namespace qcm::platform {
class Musique;
class Sons;
} // namespace qcm::platform

namespace qcm::display {
class TDXDraw;
}

namespace qcm::editor {

using namespace qcm::model;
using dialogs::BoiteApropos;
using dialogs::ReponseChoix;
using dialogs::TChoixQCM;
using dialogs::TOpenPictureDialog;

class BoutonGlyphe;
class CaseBande;
class ChampLigne;
class ChampTexte;
class ImageGlyphe;
class FormesQuestionnaire;
class Illustrations;
class RaccourcisEchange;
class RaccourcisClavier;
class AccessibiliteDepart;
class SurfaceFond;

// The services the window calls but does not own.
struct ServicesDepart {
    Illustrations* illustrations = nullptr;
    platform::Musique* musique = nullptr;
    platform::Sons* sons = nullptr;
};

// Left or top of a window of size taille centred on a screen of size ecran,
// truncating toward zero as the window has always been placed.
constexpr int Centrer(int ecran, int taille) {
    return (ecran - taille) / 2;
}

// The window's top-left corner: centred on the screen, then kept within
// the area the desktop leaves to windows, its top-left first, so that a
// screen too small for it still shows its toolbar.
inline QPoint PlacerFenetre(const QRect& ecran, const QRect& disponible, QSize taille) {
    const auto garder = [](int centre, int debut, int longueur, int cote) {
        return std::max(debut, std::min(centre, debut + longueur - cote));
    };
    return {garder(ecran.x() + Centrer(ecran.width(), taille.width()), disponible.x(),
                   disponible.width(), taille.width()),
            garder(ecran.y() + Centrer(ecran.height(), taille.height()), disponible.y(),
                   disponible.height(), taille.height())};
}

// The editor window: one borderless 640 x 480 window holding every control.
class TDepart : public display::TDXForm, public VueQuestionnaire {
    Q_OBJECT
public:
    TDepart(EtatEditeur& etat, ServicesDepart services, QWidget* parent = nullptr);
    ~TDepart() override;

    // The chooser and the about box are created after the window.
    void Brancher(TChoixQCM* choix, BoiteApropos* apropos);

    // How the application ends after the chooser was cancelled at start.
    std::function<void()> Terminer;

    // Commands.
    void SauverClick();
    void FinClick();
    void ChargerClick();
    void NouveauQClick();
    void LTitreClick();
    // Navigation.
    void StaticText1Click(int i);
    void FDClick();
    void FGClick();
    void BarreTimer();
    // Editing.
    void LtitreChange();
    void AuteurChange();
    void QuestionposeeChange();
    void CommentaireChange();
    void Memo1Change(int k);
    void C1Click(int k);
    void UneClick();
    void BMelangeClick();
    void SonClick();
    // Music menu.
    void SonMouseUp(Qt::MouseButton bouton);
    void Charger1Click();
    void Supprimer1Click();
    void MusiqueNotify();
    // Pictures.
    void ChargeImageClick();
    void ChangefondClick();

    // VueQuestionnaire.
    void ActiverSauver(bool actif) override;
    void AfficherEntete(const QString& titre, const QString& auteur) override;
    void AfficherQuestion(int n) override;
    void NoterChangement() override;

    // What reading or emptying the record shows.
    // The order button BMelange: its tag and glyph.
    void MontrerMelange(bool melange);
    // Closes the music device, if open; the music button shows "off".
    void FermerMusique();
    // The right-answer buttons are reset to "not right", tag 0, and hidden.
    void CacherCoches();
    // Paints the background tile named fond (empty: the plain background).
    void AfficherFond(const QString& fond);
    // The music step of reading: "NON" or empty means no music.
    void ReglerMusique(const QString& musique);

    // Controls, 1-based for the arrays.
    CaseBande* Cases(int i) const { return cases_.at(i - 1); }
    BoutonGlyphe* Coches(int i) const { return coches_.at(i - 1); }
    ChampTexte* Propositions(int i) const { return propositions_.at(i - 1); }

    SurfaceFond* fond;
    QLabel* Photo;
    ChampLigne* Ltitre;
    ChampLigne* Auteur;
    ChampTexte* Questionposee;
    ChampTexte* Commentaire;
    BoutonGlyphe* NouveauQ;
    BoutonGlyphe* Charger;
    BoutonGlyphe* Sauver;
    BoutonGlyphe* ChargeImage;
    BoutonGlyphe* Changefond;
    BoutonGlyphe* BMelange;
    BoutonGlyphe* Une;
    BoutonGlyphe* FG;
    BoutonGlyphe* FD;
    BoutonGlyphe* Son;
    BoutonGlyphe* Fin;
    QTimer* barre;
    QMenu* PopM;
    QAction* Charger1;
    QAction* Supprimer1;

    ImageGlyphe* Cocheon;
    ImageGlyphe* Cocheoff;
    ImageGlyphe* Iune;
    ImageGlyphe* Iplus;
    ImageGlyphe* ordre;
    ImageGlyphe* desordre;
    ImageGlyphe* SonOn;
    ImageGlyphe* Sonoff;

    // The full-screen display, hidden.
    display::TDXDraw* DXDraw1;

    // Centre of the question picture, from Photo's designed bounds.
    QPoint CentreImage;
    // The picture-open dialogs, made on first use.
    TOpenPictureDialog* Openimage = nullptr;
    TOpenPictureDialog* Openfond = nullptr;
    // The filter of Openimage.
    static QString FiltreImages();
    // Print, export and the pupil's page, from the keyboard only.
    RaccourcisEchange* Echanges = nullptr;
    // The question operations, their menus and the undo history.
    FormesQuestionnaire* Formes = nullptr;
    // Every key of the window, and what a screen reader is told.
    RaccourcisClavier* Clavier = nullptr;
    AccessibiliteDepart* Accessibles = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void PremierAffichageSuite();
    void FormClose();
    void MontrerOutils();

    void Ecrire();
    // False when the chooser was cancelled. garderModifications asks before
    // unsaved changes would be dropped by the questionnaire chosen.
    bool ChoisirEtOuvrir(bool garderModifications = false);
    void OuvrirChoisi(const ReponseChoix& reponse);
    // Puts a record that was read whole into the window, with its folder.
    void Appliquer(TQuestionnaire q, const QString& dossier);
    // The path of a file the record names, in the open questionnaire's
    // folder; empty for an empty name.
    QString Fichier(const QString& nom) const;
    void FixerCoche(int k, bool juste);
    void FixerUne(bool unique);
    void FixerSon(bool on);
    // Opens the player's FileName and plays it from its start; a piece that
    // cannot be played shows the music off, keeping MusiqueActive as the
    // user set it.
    void DemarrerMusique();
    void SansSortieSon(bool perdue);
    TQuestion& QuestionEditee();
    TOpenPictureDialog& DialogueImages(TOpenPictureDialog*& dialogue, const QString& nom);
    // Raises when the open questionnaire's folder has gone.
    void VerifierDossier() const;
    // The name the record gives the picked file, checked beforehand: its own
    // when it lies in the questionnaire's folder under a name the record can
    // hold, else nom, or the first free name after it, under which it is
    // copied there.
    QString Placer(const QString& choisi, const QString& nom);
    // Removes the copies made by picks in the folder being left that its
    // saved file does not name.
    void OublierCopies();

    EtatEditeur& etat_;
    ServicesDepart services_;
    TChoixQCM* choix_ = nullptr;
    BoiteApropos* apropos_ = nullptr;
    std::array<CaseBande*, kMaxQuestions> cases_{};
    std::array<BoutonGlyphe*, kMaxReponses> coches_{};
    std::array<ChampTexte*, kMaxReponses> propositions_{};
    bool outilsLimites_ = false;
    bool fermetureDemandee_ = false;
    bool fin_ = false;
    bool sansSortieDite_ = false;
    // Files the picks copied into the open questionnaire's folder.
    QStringList copies_;
};

} // namespace qcm::editor
