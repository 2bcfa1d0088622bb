#include "Commun.h"

#include <QRegularExpression>

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

// Breaks the markup of AMC-TXT that the header cannot switch off (a
// picture "!name!", a title "[== ==]") by a space; true when it did.
bool CasserBalises(QString& ligne) {
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
    return casse;
}

void DireCasse(bool casse, const QString& ou, QStringList& pertes) {
    if (casse) {
        pertes << ou + QStringLiteral("une espace est ajoutée pour que AMC ne lise pas le texte "
                                      "comme une image ou un titre.");
    }
}

QStringList Lignes(const QString& texte) {
    QString t = texte;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

// A value that takes one line: a following line could read as a question,
// a proposition or an option. quoi names it in the line saying that its
// lines were joined; empty, they are joined without a word.
QString Ligne(const QString& texte, const QString& ou, QStringList& pertes,
              const QString& quoi = QString()) {
    const QStringList lignes = Lignes(texte);
    if (lignes.size() > 1 && !quoi.isEmpty()) {
        pertes << ou + QStringLiteral("les lignes %1 sont mises bout à bout : AMC-TXT n'en "
                                      "garde qu'une.")
                           .arg(quoi);
    }
    QString ligne = lignes.join(QLatin1Char(' '));
    DireCasse(CasserBalises(ligne), ou, pertes);
    return ligne;
}

// A statement keeps its lines: AMC-TXT continues the text on the lines that
// follow, and a blank one between them makes LaTeX start a new line. A line
// AMC would read as a question, a proposition, a comment or an option is
// joined to the one before it instead, and said.
QString Paragraphes(const QString& texte, const QString& ou, QStringList& pertes) {
    static const QRegularExpression kBalise(QStringLiteral("^\\s*([-*+#]|[A-Za-z0-9-]+:)"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    QString sortie;
    bool casse = false;
    bool jointe = false;
    for (QString ligne : Lignes(texte)) {
        if (ligne.trimmed().isEmpty()) {
            continue;
        }
        casse = CasserBalises(ligne) || casse;
        if (sortie.isEmpty()) {
            sortie = ligne;
        } else if (kBalise.match(ligne).hasMatch()) {
            sortie += QLatin1Char(' ') + ligne;
            jointe = true;
        } else {
            sortie += QStringLiteral("\n\n") + ligne;
        }
    }
    DireCasse(casse, ou, pertes);
    if (jointe) {
        pertes << ou + QStringLiteral("une ligne de l'énoncé qui commence comme une commande "
                                      "d'AMC-TXT est mise à la suite de la précédente.");
    }
    return sortie;
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

ExportComplet Amc(const TQuestionnaire& q, const QString& dossier, const QString& prefixe,
                  const NommerJoint& nommer) {
    ExportComplet resultat;
    QStringList& pertes = resultat.Pertes;
    const QString entete = QStringLiteral("En-tête : ");
    QString sortie = QStringLiteral("# AMC-TXT, questionnaire exporté par QCM\n"
                                    "Lang: FR\n"
                                    // A French exam prints on A4, not AMC's Letter.
                                    "PaperSize: A4\n");
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
                           Paragraphes(question.Enonce, ou, pertes));
        if (const auto image =
                ImagePourSortie(dossier, question, kImagesLatex, Dessin::Naturel, pertes)) {
            const QString extension = image->Nom.mid(image->Nom.lastIndexOf(QLatin1Char('.')));
            const QString voulu = QStringLiteral("%1-%2%3")
                                      .arg(nomJoints)
                                      .arg(question.Numero)
                                      .arg(extension.toLower());
            const QString nom = nommer ? nommer(voulu, image->Octets) : voulu;
            if (nom != voulu) {
                pertes << ou + QStringLiteral("un fichier « %1 » est déjà à côté du fichier "
                                              "exporté : l'image est écrite sous « %2 ».")
                                   .arg(voulu, nom);
            }
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
                      Ligne(p.Texte, ou, pertes, QStringLiteral("d'une proposition")) +
                      QLatin1Char('\n');
        }
    }
    resultat.Octets = sortie.toUtf8();
    return resultat;
}

} // namespace detail

} // namespace qcm::exchange
