#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The readers of question banks fill these; Import.cpp fits them into a
// questionnaire and says what does not fit.
namespace qcm::exchange::detail {

struct ReponseLue {
    QString Texte;
    double Fraction = 0; // in percent
    // Only pictures: Texte is their alt text, or "[image]".
    bool ImageSeule = false;
};

struct QuestionLue {
    // "multichoice", "truefalse" or "description".
    QString Type;
    // Why the question is left out (another kind, malformed), or empty.
    QString Refus;
    QString Enonce;
    bool Unique = true;
    std::vector<ReponseLue> Reponses;
    // Answers past kReponsesLues, counted only.
    qint64 ReponsesNonLues = 0;
    QString Commentaire;
    QString NomImage;
    QByteArray Image;
    // What the reader could not take of this question.
    QStringList Pertes;
};

// A file may hold a whole bank; past this many questions the readers only
// count them, so that memory follows what is kept.
inline constexpr int kQuestionsLues = 10000;
// Likewise for the answers of one question: a few bytes each in GIFT, far
// more once read.
inline constexpr int kReponsesLues = 100;

struct FichierLu {
    QString Titre;
    QString Auteur;
    std::vector<QuestionLue> Questions;
    // Questions past kQuestionsLues, counted only.
    qint64 NonLues = 0;
    // What the file loses as a whole.
    QStringList Pertes;
};

FichierLu LireGift(const QString& texte);
FichierLu LireMoodle(QByteArrayView octets);

// How a text of a question bank is written. Plain text (and Markdown)
// shows as typed; HTML and Moodle's auto-format are rendered, the latter
// keeping its line breaks.
enum class FormatTexte { Brut, Html, Moodle };

// The text a pupil reads: for a rendered format, tags and comments dropped,
// spaces collapsed, line breaks and paragraphs as line feeds, entities
// decoded. The src of the pictures it holds go to images.
QString TexteAffiche(const QString& texte, FormatTexte format, QStringList* images = nullptr);

// A proposition as a pupil reads it. One that is only pictures becomes
// their alt text (or "[image]"); imagesPerdues is set when pictures go
// with a text that is kept.
ReponseLue LireProposition(const QString& texte, FormatTexte format, double fraction,
                           bool& imagesPerdues);

// The last level of a Moodle category path ("$course$/top/Histoire"),
// where "//" stands for "/".
QString DerniereCategorie(const QString& chemin);

// Of the feedback texts of a question, the one kept as its comment (the
// first not empty) and a line in pertes when others differ.
QString ChoisirCommentaire(const QStringList& retours, QStringList& pertes);

} // namespace qcm::exchange::detail
