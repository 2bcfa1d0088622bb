#include "Questionnaire.h"

#include <algorithm>

namespace qcm::model {

namespace {
bool Blank(QChar c) {
    return c.unicode() <= 32;
}
} // namespace

QString Nettoye(const QString& s) {
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && Blank(s[start])) {
        ++start;
    }
    while (end > start && Blank(s[end - 1])) {
        --end;
    }
    return s.mid(start, end - start);
}

QString MajusculesAscii(const QString& s) {
    QString out = s;
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - 'a' + 'A');
        }
    }
    return out;
}

void MarquerModifie(EtatEditeur& etat, VueQuestionnaire& vue) {
    etat.Modifie = true;
    vue.ActiverSauver(true);
}

void ViderQuestionnaire(TQuestionnaire& q) {
    q.Repertoire = QStringLiteral("Nouveau QCM");
    q.Titre = q.Repertoire;
    q.Auteur.clear();
    q.Fond.clear();
    q.Melange = false;
    q.Musique.clear();
    for (TQuestion& question : q.Questions) {
        question = TQuestion{};
    }
    q.NbQuestions = kMaxQuestions;
}

bool QuestionVide(const TQuestion& question) {
    const auto rempli = [](const QString& s) { return !Nettoye(s).isEmpty(); };
    return !rempli(question.Enonce) && !rempli(question.Commentaire) && !rempli(question.Image) &&
           std::none_of(question.Reponses.begin(), question.Reponses.end(), rempli);
}

int DerniereQuestion(const TQuestionnaire& q) {
    for (int n = kMaxQuestions; n >= 1; --n) {
        if (!QuestionVide(q.Question(n))) {
            return n;
        }
    }
    return 0;
}

void OuvrirQuestionnaire(EtatEditeur& etat, VueQuestionnaire& vue) {
    etat.QuestionCourante = 1;
    vue.AfficherEntete(etat.Questionnaire.Titre, etat.Questionnaire.Auteur);
    vue.AfficherQuestion(1);
}

} // namespace qcm::model
