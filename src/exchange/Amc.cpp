#include "Commun.h"

#include <array>

// AMC-TXT, the plain-text source of the paper-exam tool Auto Multiple
// Choice: "*" for one right answer, "**" for several, "+" and "-" for the
// propositions, pictures as files beside the source.
namespace qcm::exchange {

using namespace qcm::model;
using namespace detail;

namespace {

// LaTeX reads these as they are.
constexpr std::array kImagesLatex = {QLatin1StringView("jpg"), QLatin1StringView("jpeg"),
                                     QLatin1StringView("png")};

// Every value takes one line: a following line could read as a question,
// a proposition or an option. The markup of AMC-TXT that the header cannot
// switch off (a picture "!name!", a title "[== ==]") is broken by a space,
// and said.
QString Ligne(const QString& texte, const QString& ou, QStringList& pertes) {
    QString ligne = texte;
    ligne.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    bool casse = false;
    for (qsizetype i = 0; i < ligne.size(); ++i) {
        if (ligne[i] != QLatin1Char('!')) {
            continue;
        }
        qsizetype j = i + 1;
        while (j < ligne.size() && ligne[j] != QLatin1Char('!') && !ligne[j].isSpace()) {
            ++j;
        }
        if (j < ligne.size() && ligne[j] == QLatin1Char('!') && j > i + 1) {
            ligne.insert(i + 1, QLatin1Char(' '));
            casse = true;
            i = j;
        }
    }
    if (ligne.contains(QLatin1String("[==")) || ligne.contains(QLatin1String("==]"))) {
        ligne.replace(QLatin1String("[=="), QLatin1String("[ =="))
            .replace(QLatin1String("==]"), QLatin1String("== ]"));
        casse = true;
    }
    if (casse) {
        pertes << ou + QStringLiteral("une espace est ajoutée pour que AMC ne lise pas le texte "
                                      "comme une image ou un titre.");
    }
    return ligne;
}

QString Prefixe(const QString& prefixe) {
    QString propre;
    for (const QChar c : prefixe) {
        const bool garde = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('-');
        propre += garde ? c : QLatin1Char('_');
    }
    return propre.isEmpty() ? QStringLiteral("qcm") : propre;
}

} // namespace

namespace detail {

ExportComplet Amc(const TQuestionnaire& q, const QString& dossier, const QString& prefixe) {
    ExportComplet resultat;
    QStringList& pertes = resultat.Pertes;
    const QString entete = QStringLiteral("En-tête : ");
    QString sortie = QStringLiteral("# AMC-TXT, questionnaire exporté par QCM\n"
                                    "Lang: FR\n");
    sortie += QStringLiteral("Title: %1\n").arg(Ligne(Nettoye(q.Titre), entete, pertes));
    if (!Nettoye(q.Auteur).isEmpty()) {
        sortie +=
            QStringLiteral("Presentation: %1\n").arg(Ligne(Nettoye(q.Auteur), entete, pertes));
    }
    sortie += QStringLiteral("ShuffleQuestions: %1\n").arg(q.Melange ? 1 : 0);
    // No box "none of these" of AMC's own: a question without a right
    // answer gets ours. Markup that could mangle a text is switched off.
    sortie += QStringLiteral("CompleteMulti: 0\n"
                             "Disable: verbatim,embf,local_latex\n");
    const QString nomJoints = Prefixe(prefixe);
    for (QuestionSortie& question : QuestionsSortie(q, pertes, {.Ordre = true})) {
        const QString ou = SurQuestion(question.Numero, QString());
        if (question.Propositions.empty()) {
            pertes << ou + QStringLiteral("sans proposition, elle n'est pas exportée (AMC veut "
                                          "au moins deux choix).");
            continue;
        }
        Completer(question, pertes);
        const int justes = question.NombreJustes();
        const bool simple = question.Unique && justes == 1;
        if (question.Unique && !simple) {
            pertes << ou + QStringLiteral("%1 réponses justes, elle est exportée comme question "
                                          "à plusieurs réponses.")
                               .arg(justes);
        }
        sortie += QStringLiteral("\n%1[ordered] %2\n")
                      .arg(simple ? QStringLiteral("*") : QStringLiteral("**"),
                           Ligne(question.Enonce, ou, pertes));
        if (const auto image =
                ImagePourSortie(dossier, question, kImagesLatex, Dessin::Naturel, pertes)) {
            const QString extension = image->Nom.mid(image->Nom.lastIndexOf(QLatin1Char('.')));
            const QString nom = QStringLiteral("%1-%2%3")
                                    .arg(nomJoints)
                                    .arg(question.Numero)
                                    .arg(extension.toLower());
            sortie +=
                QStringLiteral("!{center}[width=6cm,height=6cm,keepaspectratio]%1!\n").arg(nom);
            resultat.Joints.push_back({nom, image->Octets});
        }
        if (!question.Commentaire.isEmpty()) {
            // A paper has no feedback; the comment stays in the source.
            sortie +=
                QStringLiteral("# Commentaire : %1\n").arg(Ligne(question.Commentaire, ou, pertes));
        }
        for (const Proposition& p : question.Propositions) {
            sortie += (p.Juste ? QStringLiteral("+ ") : QStringLiteral("- ")) +
                      Ligne(p.Texte, ou, pertes) + QLatin1Char('\n');
        }
    }
    resultat.Octets = sortie.toUtf8();
    return resultat;
}

} // namespace detail

} // namespace qcm::exchange
