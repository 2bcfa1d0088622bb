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

// The longest side of a picture that leaves for another program or comes
// in from one: the editor shows it within 320 x 240, a bank or a page no
// larger, and more only weighs down every copy.
inline constexpr int kCoteMaxImage = 1600;

// The size that the header of a picture claims (octets: the file or its
// start), read by Qt without decoding; invalid when Qt cannot tell.
QSize TailleEntete(const QByteArray& octets);

// Raises EEchange when a picture of that size is more than the picture
// readers take.
void VerifierTaille(QSize taille);

// The picture in octets decoded by Qt at taille, its transparent parts on
// white, under the readers' memory limit; null when it cannot be read.
QImage LireOpaque(const QByteArray& octets, QSize taille);

struct ImageSortie {
    QString Nom;
    QByteArray Octets;
    // The picture's own size.
    QSize Taille;
    // The size it is drawn at when that is smaller than Taille.
    QSize Reduite;
};

// The longer side of a question's picture as the editor shows it.
inline constexpr int kBoitePhoto = 320;

// How large a picture is drawn when its bytes are not kept.
enum class Dessin {
    // Its own size, the longer side at most kCoteMaxImage: a bank keeps the
    // detail.
    Naturel,
    // For the size the editor shows it at (the longer side kBoitePhoto),
    // drawn with up to twice as many pixels each way for sharp screens.
    Photo,
};

// The picture of a question as a file the target reads: the file's own
// bytes when its extension is one of gardees (lower case) and it is not
// larger than kCoteMaxImage, else drawn by our readers into a PNG; kept
// bytes are decoded too, so that a file no reader takes is lost. Empty,
// with a line in pertes, when the picture is missing, cannot be read or is
// more than the readers take; a picture drawn smaller than its own size in
// Naturel gets a line too.
std::optional<ImageSortie> ImagePourSortie(const QString& dossier, const QuestionSortie& question,
                                           std::span<const QLatin1StringView> gardees,
                                           Dessin dessin, QStringList& pertes);

// The image as PNG bytes, or as JPEG bytes of quality 90; raises EEchange
// when it cannot be.
QByteArray EnPng(const QImage& image);
QByteArray EnJpeg(const QImage& image);

// The percentage of each of n right answers (100 / n), as the fractions of
// Moodle are written: at most five decimals, no trailing zeros.
QString Pourcentage(double valeur);

// The writers of each format.
ExportComplet Gift(const model::TQuestionnaire& q, const QString& dossier);
ExportComplet Moodle(const model::TQuestionnaire& q, const QString& dossier);
ExportComplet Amc(const model::TQuestionnaire& q, const QString& dossier, const QString& prefixe,
                  const NommerJoint& nommer);

// A page that reports to a learning platform, when one plays it.
enum class VersionScorm { V12, V2004 };
struct PlateForme {
    VersionScorm Version = VersionScorm::V12;
    // The pass mark, in percent.
    int Seuil = kSeuilParDefaut;
};

// The pupil's page; nombreQuestions, when given, receives the number of
// questions it asks.
ExportComplet Page(const model::TQuestionnaire& q, const QString& dossier,
                   const std::optional<PlateForme>& plateForme = std::nullopt,
                   int* nombreQuestions = nullptr);
// The pupil's page packed for a learning platform, as a zip.
ExportComplet Scorm(const model::TQuestionnaire& q, const QString& dossier, VersionScorm version,
                    int seuil);

} // namespace qcm::exchange::detail
