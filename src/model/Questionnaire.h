#pragma once

#include <QString>

#include <array>

namespace qcm {

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
QString Trimmed(const QString& s);
// Upper-cases the letters a to z only.
QString UpperAscii(const QString& s);

// What the model asks of the window. The editor window implements it; the
// command-line tool and the tests use quiet or recording versions.
class VueQuestionnaire {
public:
    virtual ~VueQuestionnaire() = default;
    // The save button Sauver.
    virtual void ActiverSauver(bool actif) = 0;
    // The order button BMelange: its tag and glyph.
    virtual void MontrerMelange(bool melange) = 0;
    // Closes the music device, if open; the music button shows "off".
    virtual void FermerMusique() = 0;
    // The right-answer buttons are reset to "not right", tag 0, and hidden.
    virtual void CacherCoches() = 0;
    // Paints the background tile named fond (empty: the plain background).
    // Runs while the file is read; may raise.
    virtual void AfficherFond(const QString& fond) = 0;
    // The music step of reading: "NON" or empty means no music.
    virtual void ReglerMusique(const QString& musique) = 0;
    // Title and author fields get their texts; the comment field is emptied.
    virtual void AfficherEntete(const QString& titre, const QString& auteur) = 0;
    // Shows question n of the open questionnaire.
    virtual void AfficherQuestion(int n) = 0;
};

// A view that does nothing: reading and writing without a window.
class VueSansEffet : public VueQuestionnaire {
public:
    void ActiverSauver(bool) override {}
    void MontrerMelange(bool) override {}
    void FermerMusique() override {}
    void CacherCoches() override {}
    void AfficherFond(const QString&) override {}
    void ReglerMusique(const QString&) override {}
    void AfficherEntete(const QString&, const QString&) override {}
    void AfficherQuestion(int) override {}
};

// The editor's state for the whole run.
struct EtatEditeur {
    TQuestionnaire Questionnaire;
    int QuestionCourante = 0;
    bool Modifie = false;
    bool MusiqueActive = true;
    QString RepertoireDepart;
    QString QCMChoisi;
    bool PremierAffichage = true;
};

// Sets Modifie and enables the save button.
void MarquerModifie(EtatEditeur& etat, VueQuestionnaire& vue);

// Empties the record for a new questionnaire titled "Nouveau QCM".
void ViderQuestionnaire(TQuestionnaire& q, VueQuestionnaire& vue);

// The number of the last question worth writing (statement and at least one
// proposition not blank), 0 when none is.
int DerniereQuestion(const TQuestionnaire& q);

// Opens the record into the window: question 1 becomes current, the header
// fields are filled, the questionnaire's folder becomes the current folder
// (resolved against the current one) and question 1 is shown. Raises
// EInOutError when the folder cannot be entered.
void OuvrirQuestionnaire(EtatEditeur& etat, VueQuestionnaire& vue);

} // namespace qcm
