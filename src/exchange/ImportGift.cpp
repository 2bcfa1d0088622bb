#include "Lecture.h"

#include <optional>
#include <utility>

// The GIFT reader: questions are separated by blank lines; "//" starts a
// comment line; a backslash makes the next character text.
namespace qcm::exchange::detail {

namespace {

struct Car {
    QChar C;
    bool Echappe = false;
};
using Texte = std::vector<Car>;

Texte Decouper(const QString& s) {
    Texte t;
    t.reserve(static_cast<std::size_t>(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            ++i;
            t.push_back({s[i] == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : s[i], true});
        } else {
            t.push_back({s[i], false});
        }
    }
    return t;
}

bool Est(const Texte& t, std::size_t i, char c) {
    return i < t.size() && !t[i].Echappe && t[i].C == QLatin1Char(c);
}

// The first unescaped c from debut before fin, or fin.
std::size_t Chercher(const Texte& t, std::size_t debut, std::size_t fin, char c) {
    while (debut < fin && !Est(t, debut, c)) {
        ++debut;
    }
    return debut;
}

QString Brut(const Texte& t, std::size_t debut, std::size_t fin) {
    QString s;
    for (std::size_t i = debut; i < fin && i < t.size(); ++i) {
        s += t[i].C;
    }
    return s.trimmed();
}

std::size_t SauterBlancs(const Texte& t, std::size_t i, std::size_t fin) {
    while (i < fin && t[i].C.isSpace()) {
        ++i;
    }
    return i;
}

// As Moodle reads every text of a question (statement, answer, feedback):
// a leading "[html]", "[moodle]", "[plain]" or "[markdown]" gives its
// format and is not text; a text without one takes defaut.
std::pair<FormatTexte, std::size_t> Marqueur(const Texte& t, std::size_t debut, std::size_t fin,
                                             FormatTexte defaut) {
    const std::size_t i = SauterBlancs(t, debut, fin);
    if (Est(t, i, '[')) {
        const std::size_t f = Chercher(t, i + 1, std::min(fin, i + 11), ']');
        const QString nom = Est(t, f, ']') ? Brut(t, i + 1, f) : QString();
        if (nom == QLatin1String("html")) {
            return {FormatTexte::Html, f + 1};
        }
        if (nom == QLatin1String("moodle")) {
            return {FormatTexte::Moodle, f + 1};
        }
        if (nom == QLatin1String("plain") || nom == QLatin1String("markdown")) {
            return {FormatTexte::Brut, f + 1};
        }
    }
    return {defaut, debut};
}

// A text as a pupil reads it, its pictures in images.
QString Lire(const Texte& t, std::size_t debut, std::size_t fin, FormatTexte defaut,
             QStringList* images = nullptr) {
    const auto [format, i] = Marqueur(t, debut, fin, defaut);
    return TexteAffiche(Brut(t, i, fin), format, images);
}

struct Reponse {
    bool Egal = false;
    ReponseLue Lue;
    QString Retour;
};

struct Reponses {
    std::vector<Reponse> Lues;
    // Past kReponsesLues only counted and their marks noted.
    qint64 NonLues = 0;
    bool Egal = false;
    bool Tilde = false;
};

// The answers of a multiple-choice or short-answer block: each starts at
// an unescaped "=" or "~", may carry "%weight%", and its feedback after
// "#". Empty when the block is not made of answers.
std::optional<Reponses> LireReponses(const Texte& t, std::size_t debut, std::size_t fin,
                                     FormatTexte format, bool& imagesPerdues) {
    Reponses reponses;
    std::size_t i = SauterBlancs(t, debut, fin);
    while (i < fin) {
        if (!Est(t, i, '=') && !Est(t, i, '~')) {
            return std::nullopt;
        }
        Reponse r;
        r.Egal = Est(t, i, '=');
        (r.Egal ? reponses.Egal : reponses.Tilde) = true;
        if (reponses.Lues.size() >= static_cast<std::size_t>(kReponsesLues)) {
            ++reponses.NonLues;
            i = i + 1;
            while (i < fin && !Est(t, i, '=') && !Est(t, i, '~')) {
                ++i;
            }
            continue;
        }
        double poids = r.Egal ? 100 : 0;
        std::size_t j = i + 1;
        // As Moodle reads a multiple-choice block, "=" takes no weight: what
        // follows it is text.
        if (!r.Egal && Est(t, j, '%')) {
            const std::size_t f = Chercher(t, j + 1, std::min(fin, j + 14), '%');
            bool ok = false;
            const double lu = Brut(t, j + 1, f).toDouble(&ok);
            if (f < fin && ok) {
                poids = lu;
                j = f + 1;
            }
        }
        std::size_t suivant = j;
        while (suivant < fin && !Est(t, suivant, '=') && !Est(t, suivant, '~')) {
            ++suivant;
        }
        const std::size_t diese = Chercher(t, j, suivant, '#');
        const auto [formatReponse, texte] = Marqueur(t, j, diese, format);
        r.Lue = LireProposition(Brut(t, texte, diese), formatReponse, poids, imagesPerdues);
        if (diese < suivant) {
            QStringList images;
            r.Retour = Lire(t, diese + 1, suivant, format, &images);
            imagesPerdues = imagesPerdues || !images.isEmpty();
        }
        reponses.Lues.push_back(r);
        i = suivant;
    }
    return reponses;
}

QuestionLue Question(const QString& bloc) {
    QuestionLue q;
    const Texte t = Decouper(bloc);
    const std::size_t fin = t.size();
    std::size_t i = SauterBlancs(t, 0, fin);
    if (Est(t, i, ':') && Est(t, i + 1, ':')) {
        std::size_t j = i + 2;
        while (j < fin && !(Est(t, j, ':') && Est(t, j + 1, ':'))) {
            ++j;
        }
        if (j < fin) {
            i = SauterBlancs(t, j + 2, fin);
        }
    }
    // A text without a marker is in Moodle's auto-format, which renders HTML.
    const auto marque = Marqueur(t, i, fin, FormatTexte::Moodle);
    const FormatTexte format = marque.first;
    i = marque.second;
    QStringList images;
    const auto texte = [&](std::size_t a, std::size_t b) { return Lire(t, a, b, format, &images); };
    const auto finir = [&]() -> QuestionLue& {
        if (!images.isEmpty()) {
            q.Pertes << QStringLiteral("GIFT ne transporte pas d'image, « %1 » n'est pas reprise.")
                            .arg(images.join(QStringLiteral(", ")));
        }
        return q;
    };
    const std::size_t ouvre = Chercher(t, i, fin, '{');
    if (ouvre == fin) {
        q.Enonce = TexteAffiche(Brut(t, i, fin), format);
        q.Refus = QStringLiteral("texte sans question (une description pour Moodle), non repris.");
        return q;
    }
    const std::size_t ferme = Chercher(t, ouvre + 1, fin, '}');
    if (ferme == fin) {
        q.Enonce = TexteAffiche(Brut(t, i, ouvre), format);
        q.Refus = QStringLiteral("accolade « { » sans « } », question non reprise.");
        return q;
    }
    const QString apres = texte(ferme + 1, fin);
    q.Enonce = TexteAffiche(Brut(t, i, ouvre), format, &images);
    if (!apres.isEmpty()) {
        // A missing-word question: the blank stands where the answers were.
        q.Enonce += QStringLiteral(" _____ ") + apres;
    }
    const std::size_t debut = SauterBlancs(t, ouvre + 1, ferme);
    const auto refuser = [&](const char* type) -> QuestionLue& {
        q.Refus = QStringLiteral("question de type « %1 », non reprise.").arg(QLatin1String(type));
        return q;
    };
    if (debut == ferme) {
        return refuser("essay");
    }
    if (Est(t, debut, '#')) {
        return refuser("numerical");
    }
    std::size_t general = ferme;
    for (std::size_t k = debut; k + 3 < ferme; ++k) {
        if (Est(t, k, '#') && Est(t, k + 1, '#') && Est(t, k + 2, '#') && Est(t, k + 3, '#')) {
            general = k;
            break;
        }
    }
    const QString retourGeneral = general < ferme ? texte(general + 4, ferme) : QString();
    const std::size_t diese = Chercher(t, debut, general, '#');
    const QString vf = Brut(t, debut, diese).toUpper();
    if (vf == QLatin1String("T") || vf == QLatin1String("TRUE") || vf == QLatin1String("F") ||
        vf == QLatin1String("FALSE")) {
        const bool vrai = vf.startsWith(QLatin1Char('T'));
        q.Type = QStringLiteral("truefalse");
        q.Reponses = {{QStringLiteral("Vrai"), vrai ? 100.0 : 0.0},
                      {QStringLiteral("Faux"), vrai ? 0.0 : 100.0}};
        // "#wrong#right": the first feedback is for a wrong answer, the
        // second for a right one, which has no place in the editor.
        const std::size_t second = diese < general ? Chercher(t, diese + 1, general, '#') : general;
        const QString faux = diese < general ? texte(diese + 1, second) : QString();
        const QString juste = second < general ? texte(second + 1, general) : QString();
        q.Commentaire = ChoisirCommentaire({faux, retourGeneral}, q.Pertes);
        if (!juste.isEmpty() && juste != q.Commentaire) {
            q.Pertes << QStringLiteral("les retours des réponses justes sont perdus.");
        }
        return finir();
    }
    // As Moodle tells them: a block with a "~" is multiple-choice, whatever
    // arrows its answers hold ("A -> B").
    if (Chercher(t, debut, ferme, '~') == ferme) {
        for (std::size_t k = debut; k + 1 < ferme; ++k) {
            if (Est(t, k, '-') && Est(t, k + 1, '>')) {
                return refuser("matching");
            }
        }
    }
    bool imagesPerdues = false;
    const auto reponses = LireReponses(t, debut, general, format, imagesPerdues);
    if (imagesPerdues) {
        q.Pertes << QStringLiteral("les images des propositions sont perdues.");
    }
    if (!reponses) {
        q.Refus = QStringLiteral("réponses illisibles, question non reprise.");
        return q;
    }
    const bool tilde = reponses->Tilde;
    const bool egal = reponses->Egal;
    q.ReponsesNonLues = reponses->NonLues;
    QStringList retours;
    bool retourJuste = false;
    for (const Reponse& r : reponses->Lues) {
        q.Reponses.push_back(r.Lue);
        if (r.Lue.Fraction > 0) {
            retourJuste = retourJuste || !r.Retour.isEmpty();
        } else {
            retours << r.Retour;
        }
    }
    if (!tilde) {
        return refuser("shortanswer");
    }
    q.Type = QStringLiteral("multichoice");
    // As Moodle reads it: one answer when some answer is marked "=".
    q.Unique = egal;
    retours << retourGeneral;
    q.Commentaire = ChoisirCommentaire(retours, q.Pertes);
    if (retourJuste) {
        q.Pertes << QStringLiteral("les retours des réponses justes sont perdus.");
    }
    return finir();
}

} // namespace

FichierLu LireGift(const QString& texte) {
    FichierLu lu;
    QString propre = texte;
    propre.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList bloc;
    const auto finir = [&] {
        if (!bloc.isEmpty()) {
            if (lu.Questions.size() < static_cast<std::size_t>(kQuestionsLues)) {
                lu.Questions.push_back(Question(bloc.join(QLatin1Char('\n'))));
            } else {
                ++lu.NonLues;
            }
            bloc.clear();
        }
    };
    const QLatin1String auteur("// Auteur :");
    const QLatin1String categorie("$CATEGORY:");
    for (const QString& ligne : propre.split(QLatin1Char('\n'))) {
        const QString nette = ligne.trimmed();
        if (nette.isEmpty()) {
            finir();
        } else if (nette.startsWith(QLatin1String("//"))) {
            // Our own export writes the author as a comment before the questions.
            if (nette.startsWith(auteur) && lu.Questions.empty() && bloc.isEmpty()) {
                lu.Auteur = nette.mid(auteur.size()).trimmed();
            }
        } else if (nette.startsWith(categorie, Qt::CaseInsensitive)) {
            finir();
            if (lu.Titre.isEmpty()) {
                lu.Titre = DerniereCategorie(nette.mid(categorie.size()));
            }
        } else {
            bloc << ligne;
        }
    }
    finir();
    return lu;
}

} // namespace qcm::exchange::detail
