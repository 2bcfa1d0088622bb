#pragma once

#include "model/Questionnaire.h"

#include <initializer_list>

namespace qcm::testing {

// A question with its propositions in slots 1, 2..., the slots of justes
// marked right.
inline model::TQuestion Question(const QString& enonce, std::initializer_list<QString> reponses,
                                 std::initializer_list<int> justes, bool unique) {
    model::TQuestion q;
    q.Enonce = enonce;
    int k = 0;
    for (const QString& r : reponses) {
        q.Reponse(++k) = r;
    }
    q.NbReponses = k;
    for (const int j : justes) {
        q.Juste(j) = true;
    }
    q.Unique = unique;
    return q;
}

inline model::TQuestionnaire Questionnaire(std::initializer_list<model::TQuestion> questions) {
    model::TQuestionnaire q;
    model::ViderQuestionnaire(q);
    q.Titre = QStringLiteral("Capitales d'Europe");
    q.Auteur = QStringLiteral("Classe de CM2");
    int n = 0;
    for (const model::TQuestion& question : questions) {
        q.Question(++n) = question;
    }
    return q;
}

} // namespace qcm::testing

// The names every export and import test uses.
namespace qcm::exchange {}
using namespace qcm;
using namespace qcm::exchange;
using namespace qcm::model;
using qcm::testing::Question;
using qcm::testing::Questionnaire;
