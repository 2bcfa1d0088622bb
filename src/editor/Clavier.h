#pragma once

#include <QDialog>
#include <QKeyCombination>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <functional>
#include <map>

namespace qcm::editor {

// One key of the editor: what it does and where the mouse finds the same.
// Both the help box and the window's shortcuts are made from kTouches.
struct ToucheEditeur {
    QKeyCombination touche;
    // A second key doing the same, or none (Qt::Key_unknown).
    QKeyCombination autre;
    // What the key reaches: the object name of the window's button it
    // presses, or the name of a command given to RaccourcisClavier. Empty:
    // the key is only listed (the edits and other parts of the window
    // answer it themselves).
    const char* cible;
    const char* action;
    const char* ou;
};

// Names of the commands that no button carries.
namespace commande {
inline constexpr const char* kAide = "Aide";
inline constexpr const char* kApercu = "Apercu";
inline constexpr const char* kCorrige = "Corrige";
inline constexpr const char* kExporter = "Exporter";
inline constexpr const char* kPage = "Page";
inline constexpr const char* kImporter = "Importer";
inline constexpr const char* kMenuMusique = "MenuMusique";
inline constexpr const char* kInserer = "Inserer";
inline constexpr const char* kDupliquer = "Dupliquer";
inline constexpr const char* kSupprimer = "Supprimer";
inline constexpr const char* kPlusTot = "PlusTot";
inline constexpr const char* kPlusTard = "PlusTard";
inline constexpr const char* kAnnuler = "Annuler";
inline constexpr const char* kRetablir = "Retablir";
} // namespace commande

inline constexpr const char* kClavierSeul = "Clavier seulement";
inline constexpr const char* kMenuBande = "Clic droit sur la bande ou l'image";

// clang-format off
inline constexpr std::array<ToucheEditeur, 35> kTouches{{
    {Qt::Key_F1, {}, commande::kAide, "Afficher cette liste des touches", kClavierSeul},
    {Qt::CTRL | Qt::Key_N, {}, "NouveauQ", "Créer un nouveau questionnaire", "Bouton : feuille blanche"},
    {Qt::CTRL | Qt::Key_O, {}, "Charger", "Ouvrir un autre questionnaire", "Dossier jaune (ou double clic : titre)"},
    {Qt::CTRL | Qt::Key_S, {}, "Sauver", "Enregistrer le questionnaire", "Bouton : disquette"},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_I, {}, "ChargeImage", "Choisir l'image de la question", "Bouton : photo"},
    {Qt::CTRL | Qt::Key_F, {}, "Changefond", "Choisir le motif du fond d'écran", "Bouton : damier"},
    {Qt::CTRL | Qt::Key_R, {}, "BMelange", "Questions dans l'ordre ou mélangées", "Bouton : chiffres 1 2 3"},
    {Qt::CTRL | Qt::Key_U, {}, "Une", "Une seule réponse ou plusieurs", "Bouton : rond barré ou trois ronds"},
    {Qt::Key_PageUp, {}, "FG", "Question précédente", "Bouton : flèche vers la gauche"},
    {Qt::Key_PageDown, {}, "FD", "Question suivante", "Bouton : flèche vers la droite"},
    {Qt::CTRL | Qt::Key_M, {}, "Son", "Musique : marche ou arrêt", "Bouton : note de musique"},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_M, {}, commande::kMenuMusique, "Choisir ou retirer la musique", "Clic droit sur la note de musique"},
    {Qt::CTRL | Qt::Key_Q, {}, "Fin", "Quitter l'éditeur", "Bouton : FIN"},
    {Qt::CTRL | Qt::Key_1, {}, "Coche1", "Proposition 1 juste ou non", "Rond devant la proposition 1"},
    {Qt::CTRL | Qt::Key_2, {}, "Coche2", "Proposition 2 juste ou non", "Rond devant la proposition 2"},
    {Qt::CTRL | Qt::Key_3, {}, "Coche3", "Proposition 3 juste ou non", "Rond devant la proposition 3"},
    {Qt::CTRL | Qt::Key_4, {}, "Coche4", "Proposition 4 juste ou non", "Rond devant la proposition 4"},
    {Qt::CTRL | Qt::Key_5, {}, "Coche5", "Proposition 5 juste ou non", "Rond devant la proposition 5"},
    {Qt::Key_Tab, Qt::SHIFT | Qt::Key_Tab, "", "Champ suivant ou précédent", "Clic dans le champ"},
    {Qt::ALT | Qt::Key_Insert, {}, commande::kInserer, "Insérer une question vide avant", kMenuBande},
    {Qt::ALT | Qt::SHIFT | Qt::Key_Insert, {}, commande::kDupliquer, "Dupliquer la question courante", kMenuBande},
    {Qt::ALT | Qt::Key_Delete, {}, commande::kSupprimer, "Supprimer la question courante", kMenuBande},
    {Qt::ALT | Qt::Key_Left, {}, commande::kPlusTot, "Déplacer la question vers le début", kMenuBande},
    {Qt::ALT | Qt::Key_Right, {}, commande::kPlusTard, "Déplacer la question vers la fin", kMenuBande},
    {Qt::CTRL | Qt::Key_Z, {}, commande::kAnnuler, "Annuler la dernière modification", kMenuBande},
    {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z, commande::kRetablir, "Rétablir la modification annulée", kMenuBande},
    {Qt::CTRL | Qt::Key_P, {}, commande::kApercu, "Aperçu avant impression", kClavierSeul},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_P, {}, commande::kCorrige, "Aperçu avant impression du corrigé", kClavierSeul},
    {Qt::CTRL | Qt::Key_E, {}, commande::kExporter, "Exporter (GIFT, Moodle, SCORM…)", kClavierSeul},
    {Qt::CTRL | Qt::Key_I, {}, commande::kImporter, "Importer du GIFT ou du Moodle XML", kClavierSeul},
    {Qt::Key_F5, {}, commande::kPage, "Essayer la page de l'élève", kClavierSeul},
    {Qt::Key_Up, Qt::Key_Down, "", "Choix : choisir un questionnaire", "Clic dans la liste"},
    {Qt::Key_Return, {}, "", "Choix : lancer le questionnaire", "Bouton « LANCER »"},
    {Qt::CTRL | Qt::Key_N, {}, "", "Choix : nouveau questionnaire", "Bouton « NOUVEAU »"},
    {Qt::Key_Escape, {}, "", "Choix ou boîte : annuler, fermer", "Bouton « ANNULER »"},
}};
// clang-format on

// The key in French as the help box writes it: "Ctrl+Maj+P", "Page préc.".
QString TexteTouche(QKeyCombination touche);
// Both keys of an entry: "Ctrl+Y ou Ctrl+Maj+Z".
QString TexteTouches(const ToucheEditeur& t);
// The entry whose key presses the window's button or runs the command
// cible; nullptr when none does.
const ToucheEditeur* ToucheDe(const QString& cible);

// The help box: every key of kTouches, what it does and where the mouse
// finds the same.
class AideClavier : public QDialog {
    Q_OBJECT
public:
    explicit AideClavier(QWidget* parent = nullptr);
};

// The window's shortcuts, one per key of kTouches that reaches something:
// a command given here by name, else the window's button of that name,
// pressed only while it can be clicked (shown and enabled). These keys go
// to the window even from the edits, which would keep some for themselves.
class RaccourcisClavier : public QObject {
    Q_OBJECT
public:
    RaccourcisClavier(QWidget& fenetre, std::map<QString, std::function<void()>> commandes);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QSet<int> prises_;
};

} // namespace qcm::editor
