#include "Import.h"

#include "Commun.h"
#include "Lecture.h"
#include "core/Cp1252.h"
#include "model/QcmFile.h"
#include "pictures/ImageLimits.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QImage>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;
using namespace detail;

namespace detail {

namespace {

QString Entite(const QString& nom) {
    if (nom.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint code = nom.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                              ? nom.mid(2).toUInt(&ok, 16)
                              : nom.mid(1).toUInt(&ok, 10);
        const auto point = static_cast<char32_t>(code);
        return ok && code > 0 && code <= 0x10FFFF ? QString::fromUcs4(&point, 1) : QString();
    }
    static const std::pair<const char*, char16_t> kNoms[] = {
        {"amp", u'&'},         {"lt", u'<'},          {"gt", u'>'},          {"quot", u'"'},
        {"apos", u'\''},       {"nbsp", u'\u00A0'},   {"euro", u'\u20AC'},   {"laquo", u'\u00AB'},
        {"raquo", u'\u00BB'},  {"eacute", u'\u00E9'}, {"egrave", u'\u00E8'}, {"agrave", u'\u00E0'},
        {"ccedil", u'\u00E7'}, {"ecirc", u'\u00EA'},  {"ugrave", u'\u00F9'}, {"ocirc", u'\u00F4'},
        {"icirc", u'\u00EE'},  {"acirc", u'\u00E2'},  {"hellip", u'\u2026'}, {"rsquo", u'\u2019'}};
    for (const auto& [texte, code] : kNoms) {
        if (nom == QLatin1String(texte)) {
            return QString(QChar(code));
        }
    }
    return {};
}

// Decodes the entities of text; one that is not known stays as written.
QString DecoderEntites(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == QLatin1Char('&')) {
            // Entities are short: the search stops soon, so the decoding stays linear.
            qsizetype fin = i + 1;
            while (fin < texte.size() && fin - i <= 10 && texte[fin] != QLatin1Char(';')) {
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

QString TexteDeHtml(const QString& html, QStringList* images) {
    QString texte;
    texte.reserve(html.size());
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar c = html[i];
        if (c == QLatin1Char('<')) {
            const qsizetype fin = html.indexOf(QLatin1Char('>'), i + 1);
            if (fin < 0) {
                break;
            }
            const QString balise = html.mid(i + 1, fin - i - 1);
            qsizetype n = 0;
            while (n < balise.size() &&
                   (balise[n].isLetterOrNumber() || balise[n] == QLatin1Char('/'))) {
                ++n;
            }
            const QString nom = balise.left(n).toLower();
            if (nom == QLatin1String("br") || nom == QLatin1String("br/") ||
                nom == QLatin1String("/p") || nom == QLatin1String("/div") ||
                nom == QLatin1String("/li") || nom == QLatin1String("/tr")) {
                texte += QLatin1Char('\n');
            } else if (nom == QLatin1String("img") && images != nullptr) {
                *images << Attribut(balise, QStringLiteral("src"));
            }
            i = fin + 1;
            continue;
        }
        // Raw line breaks and tabs are spaces in HTML.
        texte += c.isSpace() && c != QChar(0xA0) ? QChar(QLatin1Char(' ')) : c;
        ++i;
    }
    // Lines keep their own text, without the spaces around it.
    QStringList lignes = DecoderEntites(texte).split(QLatin1Char('\n'));
    for (QString& ligne : lignes) {
        ligne = ligne.trimmed();
    }
    while (!lignes.isEmpty() && lignes.constLast().isEmpty()) {
        lignes.removeLast();
    }
    return lignes.join(QLatin1Char('\n'));
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
        int k = 0;
        QStringList perdues;
        for (const ReponseLue& reponse : lue.Reponses) {
            const QString texte = Ecrivable(reponse.Texte, remplace);
            if (texte.isEmpty()) {
                continue;
            }
            if (k == kMaxReponses) {
                perdues << QStringLiteral("« %1 »").arg(Extrait(texte));
                continue;
            }
            ++k;
            t.Reponse(k) = texte;
            t.Juste(k) = reponse.Fraction > 0;
        }
        t.NbReponses = k;
        if (!perdues.isEmpty() || lue.ReponsesNonLues > 0) {
            pertes << ou + QStringLiteral("plus de %1 propositions, perdues : %2.")
                               .arg(kMaxReponses)
                               .arg(Liste(perdues, perdues.size() + lue.ReponsesNonLues));
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

} // namespace qcm::exchange
