#include "Import.h"

#include "Commun.h"
#include "EntitesHtml.h"
#include "Lecture.h"
#include "core/AtomicFile.h"
#include "core/Cp1252.h"
#include "core/Folders.h"
#include "model/Catalogue.h"
#include "model/QcmFile.h"
#include "pictures/ImageLimits.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <string_view>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;
using namespace detail;

namespace detail {

namespace {

// The character an entity names (without "&" and ";"), or empty.
QString Entite(const QString& nom) {
    if (nom.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint code = nom.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                              ? nom.mid(2).toUInt(&ok, 16)
                              : nom.mid(1).toUInt(&ok, 10);
        if (!ok) {
            return {};
        }
        // As browsers read them: 128 to 159 are Windows-1252, a code that
        // names no character is the replacement character.
        if (code >= 0x80 && code <= 0x9F) {
            const char octet = static_cast<char>(code);
            return cp1252::Decode(QByteArrayView(&octet, 1));
        }
        const bool valide = code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        const auto point = static_cast<char32_t>(valide ? code : 0xFFFD);
        return QString::fromUcs4(&point, 1);
    }
    const QByteArray latin = nom.toLatin1();
    const std::string_view cle(latin.constData(), static_cast<std::size_t>(latin.size()));
    const auto* trouvee =
        std::lower_bound(std::begin(kEntitesHtml), std::end(kEntitesHtml), cle,
                         [](const EntiteHtml& e, std::string_view n) { return e.Nom < n; });
    if (trouvee == std::end(kEntitesHtml) || trouvee->Nom != cle) {
        return {};
    }
    const char32_t points[] = {trouvee->Premier, trouvee->Second};
    return QString::fromUcs4(points, trouvee->Second == 0 ? 1 : 2);
}

// The longest name of an entity, "&" and ";" included.
constexpr qsizetype kLongueurEntite = 34;

// Decodes the entities of text; one that is not known stays as written.
QString DecoderEntites(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == QLatin1Char('&')) {
            // Entities are short: the search stops soon, so the decoding stays linear.
            qsizetype fin = i + 1;
            while (fin < texte.size() && fin - i < kLongueurEntite &&
                   (texte[fin].isLetterOrNumber() || texte[fin] == QLatin1Char('#')) &&
                   texte[fin].unicode() < 0x80) {
                ++fin;
            }
            if (fin < texte.size() && texte[fin] == QLatin1Char(';') && fin > i + 1) {
                const QString c = Entite(texte.mid(i + 1, fin - i - 1));
                if (!c.isEmpty()) {
                    sortie += c;
                    i = fin;
                    continue;
                }
            }
        }
        sortie += texte[i];
    }
    return sortie;
}

// The value of attribute nom in the text of a tag, or empty.
QString Attribut(const QString& balise, const QString& nom) {
    const QString basse = balise.toLower();
    qsizetype debut = 0;
    while ((debut = basse.indexOf(nom, debut)) >= 0) {
        qsizetype i = debut + nom.size();
        const bool seul = debut > 0 && basse[debut - 1].isSpace();
        while (i < basse.size() && basse[i].isSpace()) {
            ++i;
        }
        if (seul && i < basse.size() && basse[i] == QLatin1Char('=')) {
            ++i;
            while (i < basse.size() && basse[i].isSpace()) {
                ++i;
            }
            if (i < basse.size() &&
                (basse[i] == QLatin1Char('"') || basse[i] == QLatin1Char('\''))) {
                const qsizetype fin = basse.indexOf(basse[i], i + 1);
                return fin < 0 ? QString() : DecoderEntites(balise.mid(i + 1, fin - i - 1));
            }
            qsizetype fin = i;
            while (fin < basse.size() && !basse[fin].isSpace() && basse[fin] != QLatin1Char('/')) {
                ++fin;
            }
            return DecoderEntites(balise.mid(i, fin - i));
        }
        debut = i;
    }
    return {};
}

} // namespace

namespace {

bool LettreAscii(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// Tags that start and end a block: a line of its own.
bool Bloc(const QString& nom) {
    static const QStringList kBlocs = {
        QStringLiteral("p"),   QStringLiteral("div"),   QStringLiteral("li"),
        QStringLiteral("tr"),  QStringLiteral("ul"),    QStringLiteral("ol"),
        QStringLiteral("h1"),  QStringLiteral("h2"),    QStringLiteral("h3"),
        QStringLiteral("h4"),  QStringLiteral("h5"),    QStringLiteral("h6"),
        QStringLiteral("pre"), QStringLiteral("table"), QStringLiteral("blockquote")};
    return kBlocs.contains(nom);
}

QString Rendre(const QString& html, bool sautsGardes, QStringList* images) {
    QString texte;
    texte.reserve(html.size());
    // A block starts on a line of its own, but never adds an empty one.
    const auto finirLigne = [&texte] {
        while (texte.endsWith(QLatin1Char(' '))) {
            texte.chop(1);
        }
        if (!texte.isEmpty() && !texte.endsWith(QLatin1Char('\n'))) {
            texte += QLatin1Char('\n');
        }
    };
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar c = html[i];
        const QChar suivant = i + 1 < html.size() ? html[i + 1] : QChar();
        if (c == QLatin1Char('<') && html.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype fin = html.indexOf(QLatin1String("-->"), i + 4);
            if (fin < 0) {
                break;
            }
            i = fin + 3;
            continue;
        }
        // As a browser reads it, "<" starts a tag only before a letter, "/",
        // "!" or "?": "3 < 5" is text.
        const bool balise =
            c == QLatin1Char('<') &&
            (LettreAscii(suivant) || suivant == QLatin1Char('!') || suivant == QLatin1Char('?') ||
             (suivant == QLatin1Char('/') && i + 2 < html.size() && LettreAscii(html[i + 2])));
        if (balise) {
            const qsizetype fin = html.indexOf(QLatin1Char('>'), i + 1);
            if (fin < 0) {
                break;
            }
            const QString contenu = html.mid(i + 1, fin - i - 1);
            const bool fermante = contenu.startsWith(QLatin1Char('/'));
            qsizetype n = fermante ? 1 : 0;
            while (n < contenu.size() && contenu[n].isLetterOrNumber()) {
                ++n;
            }
            const QString nom = contenu.mid(fermante ? 1 : 0, n - (fermante ? 1 : 0)).toLower();
            i = fin + 1;
            if (nom == QLatin1String("br")) {
                while (texte.endsWith(QLatin1Char(' '))) {
                    texte.chop(1);
                }
                texte += QLatin1Char('\n');
            } else if (Bloc(nom)) {
                finirLigne();
            } else if (nom == QLatin1String("img") && images != nullptr) {
                *images << Attribut(contenu, QStringLiteral("src"));
            } else if (!fermante &&
                       (nom == QLatin1String("script") || nom == QLatin1String("style"))) {
                // What they hold is never shown.
                const qsizetype ferme =
                    html.indexOf(QStringLiteral("</") + nom, i, Qt::CaseInsensitive);
                const qsizetype apres = ferme < 0 ? -1 : html.indexOf(QLatin1Char('>'), ferme);
                i = apres < 0 ? html.size() : apres + 1;
            }
            continue;
        }
        if (c == QLatin1Char('\n') && sautsGardes) {
            while (texte.endsWith(QLatin1Char(' '))) {
                texte.chop(1);
            }
            texte += QLatin1Char('\n');
        } else if (c.isSpace() && c != QChar(0xA0)) {
            // Runs of spaces and line breaks show as one space.
            if (!texte.isEmpty() && !texte.endsWith(QLatin1Char(' ')) &&
                !texte.endsWith(QLatin1Char('\n'))) {
                texte += QLatin1Char(' ');
            }
        } else {
            texte += c;
        }
        ++i;
    }
    QStringList lignes = DecoderEntites(texte).split(QLatin1Char('\n'));
    for (QString& ligne : lignes) {
        ligne = ligne.trimmed();
    }
    while (!lignes.isEmpty() && lignes.constLast().isEmpty()) {
        lignes.removeLast();
    }
    return lignes.join(QLatin1Char('\n'));
}

// The alt texts of the pictures of an HTML text, "[image]" for one without.
QString TexteDesImages(const QString& html) {
    QStringList textes;
    qsizetype i = 0;
    while ((i = html.indexOf(QLatin1String("<img"), i, Qt::CaseInsensitive)) >= 0) {
        const qsizetype fin = html.indexOf(QLatin1Char('>'), i);
        if (fin < 0) {
            break;
        }
        const QString alt = Attribut(html.mid(i + 1, fin - i - 1), QStringLiteral("alt"));
        textes << (alt.simplified().isEmpty() ? QStringLiteral("[image]") : alt.simplified());
        i = fin;
    }
    return textes.join(QLatin1Char(' '));
}

} // namespace

QString TexteAffiche(const QString& texte, FormatTexte format, QStringList* images) {
    switch (format) {
    case FormatTexte::Brut:
        return texte.trimmed();
    case FormatTexte::Html:
        return Rendre(texte, false, images);
    case FormatTexte::Moodle:
        return Rendre(texte, true, images);
    }
    return texte;
}

ReponseLue LireProposition(const QString& texte, FormatTexte format, double fraction,
                           bool& imagesPerdues) {
    ReponseLue r;
    r.Fraction = fraction;
    QStringList images;
    r.Texte = TexteAffiche(texte, format, &images);
    if (!images.isEmpty()) {
        if (r.Texte.isEmpty()) {
            r.Texte = TexteDesImages(texte);
            r.ImageSeule = true;
        } else {
            imagesPerdues = true;
        }
    }
    return r;
}

QString DerniereCategorie(const QString& chemin) {
    QString propre = chemin;
    propre.replace(QLatin1String("//"), QString(QChar(0xE000)));
    QString nom = propre.mid(propre.lastIndexOf(QLatin1Char('/')) + 1);
    return nom.replace(QChar(0xE000), QLatin1Char('/')).trimmed();
}

QString ChoisirCommentaire(const QStringList& retours, QStringList& pertes) {
    QString garde;
    bool autres = false;
    for (const QString& retour : retours) {
        if (retour.isEmpty()) {
            continue;
        }
        if (garde.isEmpty()) {
            garde = retour;
        } else if (retour != garde) {
            autres = true;
        }
    }
    if (autres) {
        pertes << QStringLiteral("seul le premier de ses retours est gardé comme commentaire.");
    }
    return garde;
}

} // namespace detail

namespace {

// The kinds the editor's picture loader reads.
constexpr std::array kImagesEditeur = {QLatin1StringView("bmp"),  QLatin1StringView("dib"),
                                       QLatin1StringView("ico"),  QLatin1StringView("wmf"),
                                       QLatin1StringView("emf"),  QLatin1StringView("jpg"),
                                       QLatin1StringView("jpeg"), QLatin1StringView("gif")};

// A text as QCM.txt holds it: trimmed, line breaks as line feeds, every
// character the file cannot hold as "?".
QString Ecrivable(const QString& texte, bool& remplace) {
    QString propre = texte;
    propre.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (QChar& c : propre) {
        if (!CaractereEcrivable(c)) {
            c = QLatin1Char('?');
            remplace = true;
        }
    }
    return Nettoye(propre);
}

// The kinds whose size Qt reads from their header (a DIB is a BMP).
constexpr std::array kImagesMesurees = {QLatin1StringView("png"), QLatin1StringView("bmp"),
                                        QLatin1StringView("dib"), QLatin1StringView("ico"),
                                        QLatin1StringView("jpg"), QLatin1StringView("jpeg"),
                                        QLatin1StringView("gif")};

// A picture of a question as a file the editor reads, named for question
// n, or nothing. A PNG (what Moodle's pictures mostly are) becomes a bitmap;
// a picture larger than kCoteMaxImage is shrunk to it and kept as a JPEG;
// one beyond the readers' limits is refused on its header, before it is
// decoded. remarque says what was done or why nothing was kept.
std::optional<FichierJoint> ImageEditeur(const QByteArray& octets, const QString& extension, int n,
                                         QString& remarque) {
    const QString basse = extension.toLower();
    const bool png = basse == QLatin1String("png");
    if (!png &&
        std::find(kImagesEditeur.begin(), kImagesEditeur.end(), basse) == kImagesEditeur.end()) {
        remarque = QStringLiteral("n'est pas d'un format que l'éditeur lit");
        return std::nullopt;
    }
    const QSize taille =
        std::find(kImagesMesurees.begin(), kImagesMesurees.end(), basse) != kImagesMesurees.end()
            ? TailleEntete(octets)
            : QSize();
    if (taille.isValid()) {
        try {
            VerifierTaille(taille);
        } catch (const EEchange& e) {
            remarque = QStringLiteral("a ") + e.Message();
            return std::nullopt;
        }
    }
    const bool grande =
        taille.isValid() && std::max(taille.width(), taille.height()) > kCoteMaxImage;
    if (!grande && !png) {
        return FichierJoint{QStringLiteral("image %1.%2").arg(n).arg(extension), octets};
    }
    const QSize voulue =
        grande ? pictures::TaillePhoto(taille.width(), taille.height(), kCoteMaxImage) : taille;
    const QImage image = LireOpaque(octets, voulue);
    if (image.isNull()) {
        remarque = QStringLiteral("ne peut pas être lue");
        return std::nullopt;
    }
    if (!grande) {
        QByteArray bmp;
        QBuffer sortie(&bmp);
        sortie.open(QIODevice::WriteOnly);
        if (!image.save(&sortie, "BMP")) {
            remarque = QStringLiteral("ne peut pas être lue");
            return std::nullopt;
        }
        return FichierJoint{QStringLiteral("image %1.bmp").arg(n), bmp};
    }
    remarque = QStringLiteral("a %1 × %2 pixels : elle est réduite à %3 × %4 et enregistrée en "
                              "JPEG")
                   .arg(taille.width())
                   .arg(taille.height())
                   .arg(image.width())
                   .arg(image.height());
    return FichierJoint{QStringLiteral("image %1.jpg").arg(n), EnJpeg(image)};
}

// The first few of a list of lost things, and how many there are in all
// (more than the list holds when the reader only counted some).
QString Liste(const QStringList& choses, qint64 total) {
    const QString debut = choses.mid(0, 3).join(QStringLiteral(", "));
    return total <= 3 ? debut
                      : QStringLiteral("%1… (%2 en tout)").arg(debut, QString::number(total));
}

QString Extrait(const QString& texte) {
    const QString ligne = QString(texte).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return ligne.size() > 40 ? ligne.left(40) + QStringLiteral("…") : ligne;
}

} // namespace

ResultatImport Importer(QByteArrayView octets, const QString& nomFichier) {
    if (octets.size() > kTailleMaxImport) {
        throw EEchange(QStringLiteral("Fichier trop volumineux pour être importé (%1 octets, "
                                      "%2 au plus).")
                           .arg(octets.size())
                           .arg(kTailleMaxImport));
    }
    qsizetype debut = 0;
    if (octets.startsWith("\xEF\xBB\xBF")) {
        debut = 3;
    }
    while (debut < octets.size() && QChar::isSpace(static_cast<uchar>(octets[debut]))) {
        ++debut;
    }
    const bool xml = debut < octets.size() && octets[debut] == '<';
    ResultatImport resultat;
    QStringList& pertes = resultat.Pertes;
    FichierLu lu;
    if (xml) {
        lu = LireMoodle(octets);
    } else {
        // GIFT is UTF-8, but a file saved by an old Windows editor is not.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString texte = utf8.decode(octets.sliced(debut));
        if (utf8.hasError()) {
            texte = cp1252::Decode(octets.sliced(debut));
            pertes << QStringLiteral("Le fichier n'est pas en UTF-8 : il est lu comme du "
                                     "Windows-1252.");
        }
        lu = LireGift(texte);
    }
    pertes << lu.Pertes;

    TQuestionnaire& q = resultat.Questionnaire;
    ViderQuestionnaire(q);
    bool remplace = false;
    QString titre = Ecrivable(lu.Titre, remplace);
    if (titre.isEmpty()) {
        const QString nom = nomFichier.mid(nomFichier.lastIndexOf(QLatin1Char('/')) + 1);
        const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
        titre = Ecrivable(point > 0 ? nom.left(point) : nom, remplace);
    }
    q.Titre = titre;
    q.Auteur = Ecrivable(lu.Auteur, remplace);
    if (remplace) {
        pertes << QStringLiteral("Titre ou auteur : des caractères que QCM.txt ne peut pas "
                                 "contenir sont remplacés par « ? ».");
    }

    // QCM.txt holds one byte a character; the editor refuses a file larger
    // than kTailleMaxQCM, so questions that would pass it are left out.
    const auto tailleLignes = [](std::initializer_list<QString> lignes) {
        qint64 total = 0;
        for (const QString& ligne : lignes) {
            total += ligne.size() + 2;
        }
        return total;
    };
    qint64 taille = tailleLignes({q.Titre, q.Auteur, q.Fond, q.Musique}) + 24;
    if (taille > kTailleMaxQCM) {
        throw EEchange(QStringLiteral("Titre ou auteur trop long pour un fichier QCM.txt (%1 "
                                      "octets au plus).")
                           .arg(kTailleMaxQCM));
    }
    int n = 0;
    for (std::size_t i = 0; i < lu.Questions.size(); ++i) {
        const QuestionLue& lue = lu.Questions[i];
        const QString ou = QStringLiteral("Question %1 du fichier (« %2 ») : ")
                               .arg(i + 1)
                               .arg(Extrait(lue.Enonce));
        if (!lue.Refus.isEmpty()) {
            pertes << ou + lue.Refus;
            continue;
        }
        remplace = false;
        const QString enonce = Ecrivable(lue.Enonce, remplace);
        if (enonce.isEmpty()) {
            pertes << ou + QStringLiteral("sans énoncé, non reprise.");
            continue;
        }
        if (n == kMaxQuestions) {
            pertes
                << ou + QStringLiteral("au-delà de %1 questions, non reprise.").arg(kMaxQuestions);
            continue;
        }
        TQuestion& t = q.Question(++n);
        const qsizetype pertesAvant = pertes.size();
        for (const QString& perte : lue.Pertes) {
            pertes << ou + perte;
        }
        t.Enonce = enonce;
        t.Unique = lue.Unique;
        t.Commentaire = Ecrivable(lue.Commentaire, remplace);
        // As Moodle grades them: in a one-answer question only an answer
        // worth 100 % is right, in the others every one with a positive weight.
        struct Proposee {
            QString Texte;
            bool Juste = false;
        };
        std::vector<Proposee> proposees;
        QStringList partielles;
        QStringList imagesSeules;
        for (const ReponseLue& reponse : lue.Reponses) {
            const QString texte = Ecrivable(reponse.Texte, remplace);
            if (texte.isEmpty()) {
                continue;
            }
            const bool juste = lue.Unique ? reponse.Fraction >= 99.999 : reponse.Fraction > 0;
            if (!juste && reponse.Fraction > 0) {
                partielles << QStringLiteral("« %1 » (%2 %)")
                                  .arg(Extrait(texte), Pourcentage(reponse.Fraction));
            }
            if (reponse.ImageSeule) {
                imagesSeules << QStringLiteral("« %1 »").arg(Extrait(texte));
            }
            proposees.push_back({texte, juste});
        }
        // Past the editor's five: every right answer first, then wrong ones,
        // each kept in its place.
        std::vector<bool> garde(proposees.size(), false);
        int gardees = 0;
        for (const bool justes : {true, false}) {
            for (std::size_t j = 0; j < proposees.size() && gardees < kMaxReponses; ++j) {
                if (proposees[j].Juste == justes) {
                    garde[j] = true;
                    ++gardees;
                }
            }
        }
        int k = 0;
        QStringList perdues;
        for (std::size_t j = 0; j < proposees.size(); ++j) {
            if (!garde[j]) {
                perdues << QStringLiteral("« %1 »%2")
                               .arg(Extrait(proposees[j].Texte),
                                    proposees[j].Juste ? QStringLiteral(" (juste)") : QString());
                continue;
            }
            ++k;
            t.Reponse(k) = proposees[j].Texte;
            t.Juste(k) = proposees[j].Juste;
        }
        t.NbReponses = k;
        if (!partielles.isEmpty()) {
            pertes << ou + QStringLiteral("question à réponse unique, seule une réponse à 100 % "
                                          "est juste : crédit partiel perdu pour %1, "
                                          "comptée(s) fausse(s).")
                               .arg(partielles.join(QStringLiteral(", ")));
        }
        if (!imagesSeules.isEmpty()) {
            pertes << ou + QStringLiteral("proposition(s) faite(s) d'une image seule, reprise(s) "
                                          "par son texte : %1.")
                               .arg(imagesSeules.join(QStringLiteral(", ")));
        }
        if (!perdues.isEmpty() || lue.ReponsesNonLues > 0) {
            pertes << ou + QStringLiteral("plus de %1 propositions, perdues : %2.")
                               .arg(kMaxReponses)
                               .arg(Liste(perdues, perdues.size() + lue.ReponsesNonLues));
        }
        if (k > 0 && std::none_of(proposees.begin(), proposees.end(),
                                  [](const Proposee& p) { return p.Juste; })) {
            pertes << ou + QStringLiteral("aucune proposition juste.");
        }
        if (remplace) {
            pertes << ou + QStringLiteral("des caractères que QCM.txt ne peut pas contenir sont "
                                          "remplacés par « ? ».");
        }
        if (!lue.Image.isEmpty()) {
            QString remarque;
            const std::optional<FichierJoint> image =
                ImageEditeur(lue.Image, pictures::TPicture::Extension(lue.NomImage), n, remarque);
            if (image) {
                t.Image = image->Nom;
                resultat.Images.push_back(*image);
            }
            if (!remarque.isEmpty()) {
                pertes << ou + QStringLiteral("l'image « %1 » %2%3.")
                                   .arg(lue.NomImage, remarque,
                                        image ? QString()
                                              : QStringLiteral(", elle n'est pas reprise"));
            }
        }
        const qint64 besoin =
            tailleLignes({t.Image, t.Enonce, t.Commentaire, t.Reponse(1), t.Reponse(2),
                          t.Reponse(3), t.Reponse(4), t.Reponse(5)}) +
            24;
        if (taille + besoin > kTailleMaxQCM) {
            if (!t.Image.isEmpty()) {
                resultat.Images.pop_back();
            }
            t = TQuestion{};
            --n;
            pertes.erase(pertes.begin() + pertesAvant, pertes.end());
            pertes << ou + QStringLiteral("trop longue, QCM.txt ne peut dépasser %1 octets, non "
                                          "reprise.")
                               .arg(kTailleMaxQCM);
            continue;
        }
        taille += besoin;
    }
    if (lu.NonLues > 0) {
        pertes << QStringLiteral(
                      "%1 questions de plus, au-delà des %2 premières du fichier, ne sont "
                      "pas lues.")
                      .arg(lu.NonLues)
                      .arg(kQuestionsLues);
    }
    resultat.NombreQuestions = n;
    return resultat;
}

QString EcrireImport(ResultatImport resultat, const QString& depart) {
    if (!core::folders::IsFolder(depart)) {
        throw EEchange(QStringLiteral("Le dossier de départ « %1 » n'existe pas.")
                           .arg(QDir::toNativeSeparators(depart)));
    }
    if (resultat.NombreQuestions == 0) {
        throw EEchange(QStringLiteral("Aucune question à importer : rien n'a été créé."));
    }
    const QString nom = model::ProchainDossierQCM(depart);
    const QString dossier = core::folders::Join(depart, nom);
    core::folders::MakeFolder(dossier);
    try {
        for (const FichierJoint& image : resultat.Images) {
            core::WriteFileAtomically(core::folders::Join(dossier, image.Nom), image.Octets);
        }
        resultat.Questionnaire.Repertoire = nom;
        model::EcrireQCM(resultat.Questionnaire, dossier);
    } catch (...) {
        // The folder was free and is ours: leave nothing half-written behind.
        QDir(dossier).removeRecursively();
        throw;
    }
    return nom;
}

} // namespace qcm::exchange
