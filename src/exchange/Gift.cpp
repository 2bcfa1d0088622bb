#include "Commun.h"

// GIFT, the text format of Moodle's question banks: the title becomes the
// category, each question a multiple-choice one, the comment the feedback
// of every wrong answer.
namespace qcm::exchange {

using namespace qcm::model;
using namespace detail;

namespace {

// Every character GIFT reads as markup is escaped; a line break is written
// as GIFT's own "\n" so that a question stays on its line.
QString Echappe(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size() + 8);
    for (const QChar c : texte) {
        switch (c.unicode()) {
        case '\\':
        case '~':
        case '=':
        case '#':
        case '{':
        case '}':
        case ':':
            sortie += QLatin1Char('\\');
            sortie += c;
            break;
        case '\n':
            sortie += QLatin1String("\\n");
            break;
        case '\r':
            break;
        default:
            sortie += c;
        }
    }
    return sortie;
}

// Moodle reads a "[word]" that starts an answer or a feedback as its
// format and drops it: a text that starts with "[" gets the marker of its
// real format first, which Moodle drops instead.
QString Texte(const QString& texte) {
    return (texte.startsWith(QLatin1Char('[')) ? QStringLiteral("[plain]") : QString()) +
           Echappe(texte);
}

// A header line holds no line break.
QString UneLigne(const QString& texte) {
    QString ligne = texte;
    return ligne.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// "/" separates Moodle's levels of categories unless doubled.
QString Categorie(const QString& titre) {
    return UneLigne(titre).replace(QLatin1String("/"), QLatin1String("//"));
}

void EcrireReponses(QString& sortie, const QuestionSortie& question) {
    const int justes = question.NombreJustes();
    const int fausses = static_cast<int>(question.Propositions.size()) - justes;
    const QString commentaire =
        question.Commentaire.isEmpty() ? QString() : QLatin1Char('#') + Texte(question.Commentaire);
    for (std::size_t k = 0; k < question.Propositions.size(); ++k) {
        const Proposition& p = question.Propositions[k];
        QString marque;
        if (question.Unique && fausses == 0 && k + 1 == question.Propositions.size()) {
            // Without a "~" Moodle reads "=" answers as a short-answer
            // question: the last right one carries its weight instead.
            marque = QStringLiteral("~%100%");
        } else if (question.Unique) {
            // An answer of a one-answer question that starts with "%" would
            // read as a weight: an explicit weight keeps it text.
            marque = p.Juste ? QStringLiteral("=")
                             : (p.Texte.startsWith(QLatin1Char('%')) ? QStringLiteral("~%0%")
                                                                     : QStringLiteral("~"));
        } else {
            marque = QStringLiteral("~%") +
                     Pourcentage(p.Juste ? 100.0 / justes : -100.0 / fausses) + QLatin1Char('%');
        }
        sortie += QLatin1Char('\t') + marque + Texte(p.Texte);
        if (!p.Juste) {
            sortie += commentaire;
        }
        sortie += QLatin1Char('\n');
    }
    // With no wrong answer to carry it, the comment is the general feedback.
    if (fausses == 0 && !commentaire.isEmpty()) {
        sortie += QStringLiteral("\t###") + commentaire + QLatin1Char('\n');
    }
}

} // namespace

namespace detail {

ExportComplet Gift(const TQuestionnaire& q, const QString& /*dossier*/) {
    ExportComplet resultat;
    QStringList& pertes = resultat.Pertes;
    QString sortie = QStringLiteral("// Questionnaire exporté par QCM\n");
    if (!Nettoye(q.Auteur).isEmpty()) {
        sortie += QStringLiteral("// Auteur : %1\n").arg(UneLigne(Nettoye(q.Auteur)));
    }
    sortie += QStringLiteral("$CATEGORY: %1\n").arg(Categorie(Nettoye(q.Titre)));
    for (QuestionSortie& question : QuestionsSortie(q, pertes)) {
        Completer(question, pertes);
        if (!question.Image.isEmpty()) {
            pertes << SurQuestion(question.Numero,
                                  QStringLiteral("GIFT ne transporte pas d'image, « %1 » n'est "
                                                 "pas exportée.")
                                      .arg(question.Image));
        }
        sortie += QStringLiteral("\n::Question %1::[plain]%2")
                      .arg(question.Numero)
                      .arg(Echappe(question.Enonce));
        if (question.Propositions.empty()) {
            // A text without answers is a description in Moodle.
            sortie += QLatin1Char('\n');
            if (!question.Commentaire.isEmpty()) {
                pertes << SurQuestion(question.Numero,
                                      QStringLiteral("sans proposition, elle est exportée comme "
                                                     "texte seul et son commentaire est perdu."));
            }
            continue;
        }
        sortie += QStringLiteral(" {\n");
        EcrireReponses(sortie, question);
        sortie += QStringLiteral("}\n");
    }
    resultat.Octets = sortie.toUtf8();
    return resultat;
}

} // namespace detail

} // namespace qcm::exchange
