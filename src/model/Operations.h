#pragma once

#include "Questionnaire.h"

#include <QStringList>

#include <optional>

// What the teacher does to the questions as a whole: insert, delete, move,
// duplicate, and take a picture or the background away. Each gives a new
// record and leaves the one it was given alone, so that the history can keep
// both; no file is ever touched.
namespace qcm::model {

// A record after an operation, and the question to show.
struct Resultat {
    TQuestionnaire Questionnaire;
    int Question = 1;
};

// Why a question cannot be added (all 30 slots hold something, and adding
// one would push the last out), or an empty text when it can.
QString RefusAjout(const TQuestionnaire& q);

// An empty question before question n, which moves one place later with
// those after it. Raises when RefusAjout says why not.
Resultat InsererQuestion(const TQuestionnaire& q, int n);
// A copy of question n just after it, shown. Raises when RefusAjout says
// why not.
Resultat DupliquerQuestion(const TQuestionnaire& q, int n);
// Question n goes; those after it move one place earlier and the last slot
// becomes empty. The question shown is the one now at n.
Resultat SupprimerQuestion(const TQuestionnaire& q, int n);
// Question n changes places with its neighbour (sens -1 earlier, +1 later);
// nothing at the ends.
std::optional<Resultat> DeplacerQuestion(const TQuestionnaire& q, int n, int sens);
// Question n loses its picture; nothing when it has none.
std::optional<Resultat> RetirerImage(const TQuestionnaire& q, int n);
// The questionnaire loses its background; nothing when it has none.
std::optional<TQuestionnaire> RetirerFond(const TQuestionnaire& q);

// Every media file name the record holds (background, music, pictures),
// empty ones left out.
QStringList NomsMedias(const TQuestionnaire& q);

} // namespace qcm::model
