#pragma once

#include <QString>

#include <array>

namespace qcm::model {

inline constexpr int kMaxQuestions = 30;
inline constexpr int kMaxReponses = 5;

struct TQuestion {
    QString Image;
    QString Enonce;
    int NbReponses = 0;
    bool Unique = false;
    std::array<QString, kMaxReponses> Reponses;
    std::array<bool, kMaxReponses> Justes{};
    QString Commentaire;

    // Slots count from 1, as the file and the window number them.
    QString& Reponse(int k) { return Reponses.at(k - 1); }
    const QString& Reponse(int k) const { return Reponses.at(k - 1); }
    bool& Juste(int k) { return Justes.at(k - 1); }
    bool Juste(int k) const { return Justes.at(k - 1); }

    bool operator==(const TQuestion&) const = default;
};

struct TQuestionnaire {
    QString Titre;
    QString Auteur;
    bool Melange = false;
    QString Repertoire;
    std::array<TQuestion, kMaxQuestions> Questions;
    int NbQuestions = 0;
    QString Fond;
    QString Musique;

    // Questions count from 1.
    TQuestion& Question(int n) { return Questions.at(n - 1); }
    const TQuestion& Question(int n) const { return Questions.at(n - 1); }

    bool operator==(const TQuestionnaire&) const = default;
};

// Removes leading and trailing characters of code 0 to 32.
QString Nettoye(const QString& s);
// Upper-cases the letters a to z only.
QString MajusculesAscii(const QString& s);

// What the model's routines ask of the window. The editor window implements
// it; tests use a recording version.
class VueQuestionnaire {
public:
    virtual ~VueQuestionnaire() = default;
    // The save button Sauver.
    virtual void ActiverSauver(bool actif) = 0;
    // Title and author fields get their texts; the comment field is emptied.
    virtual void AfficherEntete(const QString& titre, const QString& auteur) = 0;
    // Shows question n of the open questionnaire.
    virtual void AfficherQuestion(int n) = 0;
};

// The editor's state for the whole run.
struct EtatEditeur {
    TQuestionnaire Questionnaire;
    int QuestionCourante = 0;
    bool Modifie = false;
    bool MusiqueActive = true;
    // The folder the program started in, absolute; parent of every
    // questionnaire folder.
    QString RepertoireDepart;
    // The open questionnaire's folder, absolute; every file the record names
    // resolves in it. Empty until a questionnaire is open.
    QString DossierOuvert;
    bool PremierAffichage = true;
};

// Sets Modifie and enables the save button.
void MarquerModifie(EtatEditeur& etat, VueQuestionnaire& vue);

// Empties the record for a new questionnaire titled "Nouveau QCM".
void ViderQuestionnaire(TQuestionnaire& q);

// True when the question holds nothing: statement, propositions, comment
// and picture all blank.
bool QuestionVide(const TQuestion& question);

// The number of the last question that holds anything (statement,
// proposition, comment or picture not blank), 0 when none does: the writer
// writes every question up to it, so nothing typed is ever dropped.
int DerniereQuestion(const TQuestionnaire& q);

// Opens the record into the window: question 1 becomes current, the header
// fields are filled and question 1 is shown.
void OuvrirQuestionnaire(EtatEditeur& etat, VueQuestionnaire& vue);

} // namespace qcm::model
