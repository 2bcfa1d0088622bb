#pragma once

#include "Export.h"

#include <QImage>
#include <QSize>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

// What the writers share: which questions go out, in what shape, and how a
// picture becomes a file the target can show.
namespace qcm::exchange::detail {

// The proposition added where a question has no right answer or fewer than
// two propositions: every target wants a right answer and two choices.
inline QString AucuneReponse() {
    return QStringLiteral("Aucune de ces réponses");
}

struct Proposition {
    QString Texte;
    bool Juste = false;
    // The slot it was typed in; 0 for one an export adds.
    int Case = 0;
};

struct QuestionSortie {
    int Numero = 0;
    QString Enonce;
    QString Commentaire;
    QString Image;
    bool Unique = false;
    // The filled slots in order; empty for a question that has none.
    std::vector<Proposition> Propositions;

    int NombreJustes() const;
};

// What a target shows besides the questions, so that it is not reported
// lost. No target plays the music.
struct Emporte {
    bool Fond = false;
    bool Ordre = false;
};

// Every question that has a statement, its texts trimmed and its blank
// slots left out. A question that holds anything but no statement is
// reported in pertes; so are the background, the music and the shuffled
// order unless the target shows them.
std::vector<QuestionSortie> QuestionsSortie(const model::TQuestionnaire& q, QStringList& pertes,
                                            Emporte emporte = {});

// Gives a question that has propositions a right answer and a second
// choice by adding AucuneReponse(), and says so in pertes.
void Completer(QuestionSortie& question, QStringList& pertes);

// "Question n : " + texte, the start of every line about one question.
QString SurQuestion(int numero, const QString& texte);

struct ImageSortie {
    QString Nom;
    QByteArray Octets;
    // The picture's own size; left empty for bytes kept unread.
    QSize Taille;
};

// How large a picture is drawn when its bytes are not kept.
enum class Dessin {
    // Its own size, the longer side at most 1600: a bank keeps the detail.
    // Kept bytes go out unread; the target reads them.
    Naturel,
    // The size the editor shows it at. Kept bytes are read too, for their
    // size, so an unreadable file is lost.
    Photo,
};

// The picture of a question as a file the target reads: the file's own
// bytes when its extension is one of gardees (lower case), else drawn by
// our readers into a PNG. Empty, with a line in pertes, when the picture
// is missing or cannot be read.
std::optional<ImageSortie> ImagePourSortie(const QString& dossier, const QuestionSortie& question,
                                           std::span<const QLatin1StringView> gardees,
                                           Dessin dessin, QStringList& pertes);

// The image as PNG bytes; raises EEchange when it cannot be.
QByteArray EnPng(const QImage& image);

// The percentage of each of n right answers (100 / n), as the fractions of
// Moodle are written: at most five decimals, no trailing zeros.
QString Pourcentage(double valeur);

// The writers of each format.
ExportComplet Gift(const model::TQuestionnaire& q, const QString& dossier);
ExportComplet Moodle(const model::TQuestionnaire& q, const QString& dossier);
ExportComplet Amc(const model::TQuestionnaire& q, const QString& dossier, const QString& prefixe);
ExportComplet Page(const model::TQuestionnaire& q, const QString& dossier);

} // namespace qcm::exchange::detail
