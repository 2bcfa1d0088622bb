#include "Operations.h"

#include "core/Errors.h"

#include <algorithm>

namespace qcm::model {

namespace {

void VerifierNumero(int n) {
    if (n < 1 || n > kMaxQuestions) {
        throw core::Exception(QStringLiteral("Il n'y a pas de question %1.").arg(n));
    }
}

void VerifierAjout(const TQuestionnaire& q) {
    if (const QString refus = RefusAjout(q); !refus.isEmpty()) {
        throw core::Exception(refus);
    }
}

// The slots from n on move one place later; the last, empty, is dropped.
Resultat Decaler(const TQuestionnaire& q, int n, TQuestion nouvelle) {
    Resultat r{q, n};
    auto& questions = r.Questionnaire.Questions;
    std::move_backward(questions.begin() + (n - 1), questions.end() - 1, questions.end());
    questions.at(n - 1) = std::move(nouvelle);
    return r;
}

} // namespace

QString RefusAjout(const TQuestionnaire& q) {
    if (QuestionVide(q.Question(kMaxQuestions))) {
        return {};
    }
    return QStringLiteral("Le questionnaire a déjà %1 questions : en ajouter une ferait "
                          "disparaître la dernière. Supprimez d'abord une question.")
        .arg(kMaxQuestions);
}

Resultat InsererQuestion(const TQuestionnaire& q, int n) {
    VerifierNumero(n);
    VerifierAjout(q);
    return Decaler(q, n, TQuestion{});
}

Resultat DupliquerQuestion(const TQuestionnaire& q, int n) {
    VerifierNumero(n);
    VerifierAjout(q);
    if (n == kMaxQuestions) {
        // The last slot is empty here: its copy is the same empty slot.
        return {q, n};
    }
    return Decaler(q, n + 1, q.Question(n));
}

Resultat SupprimerQuestion(const TQuestionnaire& q, int n) {
    VerifierNumero(n);
    Resultat r{q, n};
    auto& questions = r.Questionnaire.Questions;
    std::move(questions.begin() + n, questions.end(), questions.begin() + (n - 1));
    questions.back() = TQuestion{};
    return r;
}

std::optional<Resultat> DeplacerQuestion(const TQuestionnaire& q, int n, int sens) {
    VerifierNumero(n);
    const int autre = n + (sens < 0 ? -1 : 1);
    if (autre < 1 || autre > kMaxQuestions) {
        return std::nullopt;
    }
    Resultat r{q, autre};
    std::swap(r.Questionnaire.Question(n), r.Questionnaire.Question(autre));
    return r;
}

std::optional<Resultat> RetirerImage(const TQuestionnaire& q, int n) {
    VerifierNumero(n);
    if (q.Question(n).Image.isEmpty()) {
        return std::nullopt;
    }
    Resultat r{q, n};
    r.Questionnaire.Question(n).Image.clear();
    return r;
}

std::optional<TQuestionnaire> RetirerFond(const TQuestionnaire& q) {
    if (q.Fond.isEmpty()) {
        return std::nullopt;
    }
    TQuestionnaire r = q;
    r.Fond.clear();
    return r;
}

QStringList NomsMedias(const TQuestionnaire& q) {
    QStringList noms{q.Fond, q.Musique};
    for (const TQuestion& question : q.Questions) {
        noms.append(question.Image);
    }
    noms.removeAll(QString());
    return noms;
}

} // namespace qcm::model
