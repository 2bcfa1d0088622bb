#include "Export.h"
#include "Lecture.h"

#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <utility>

// The Moodle XML reader: a <quiz> of <question> elements, whose texts are
// HTML with their pictures as base64 <file> elements.
namespace qcm::exchange::detail {

namespace {

struct TexteLu {
    QString Format;
    QString Texte;
    std::vector<std::pair<QString, QByteArray>> Fichiers;
};

bool Nom(const QXmlStreamReader& xml, const char* nom) {
    return xml.name() == QLatin1String(nom);
}

// The text of the current element and of all it holds. Qt's own
// readElementText recurses once per nested element: a deep file would
// overflow the stack.
QString TexteElement(QXmlStreamReader& xml) {
    QString texte;
    qint64 profondeur = 1;
    while (profondeur > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++profondeur;
            break;
        case QXmlStreamReader::EndElement:
            --profondeur;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            texte += xml.text();
            break;
        default:
            break;
        }
    }
    return texte;
}

// An element holding a <text> and maybe <file> elements.
TexteLu LireTexte(QXmlStreamReader& xml) {
    TexteLu t;
    t.Format = xml.attributes().value(QLatin1String("format")).toString();
    while (xml.readNextStartElement()) {
        if (Nom(xml, "text")) {
            t.Texte = TexteElement(xml);
        } else if (Nom(xml, "file")) {
            const QString nom = xml.attributes().value(QLatin1String("name")).toString();
            t.Fichiers.emplace_back(nom, QByteArray::fromBase64(TexteElement(xml).toLatin1()));
        } else {
            xml.skipCurrentElement();
        }
    }
    return t;
}

// The format a "format" attribute names; HTML is Moodle's default.
FormatTexte Format(const QString& format) {
    if (format == QLatin1String("plain_text") || format == QLatin1String("markdown")) {
        return FormatTexte::Brut;
    }
    return format == QLatin1String("moodle_auto_format") ? FormatTexte::Moodle : FormatTexte::Html;
}

// Text as a pupil reads it in its format.
QString EnClair(const QString& format, const QString& texte, QStringList* images = nullptr) {
    return TexteAffiche(texte, Format(format), images);
}

// The feedback texts Moodle fills in by itself: the teacher's own are
// preferred to them.
bool RetourParDefaut(const QString& texte) {
    return texte == QLatin1String("Your answer is correct.") ||
           texte == QLatin1String("Your answer is partially correct.") ||
           texte == QLatin1String("Your answer is incorrect.");
}

void Categorie(QXmlStreamReader& xml, FichierLu& lu) {
    while (xml.readNextStartElement()) {
        if (Nom(xml, "category")) {
            const QString nom = DerniereCategorie(LireTexte(xml).Texte);
            if (lu.Titre.isEmpty()) {
                lu.Titre = nom;
            }
        } else if (Nom(xml, "info")) {
            const TexteLu info = LireTexte(xml);
            const QString texte = EnClair(info.Format, info.Texte);
            // Our own export writes the author there.
            const QLatin1String auteur("Auteur : ");
            if (texte.startsWith(auteur) && lu.Auteur.isEmpty()) {
                lu.Auteur = texte.mid(auteur.size());
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

void Image(QuestionLue& q, const QStringList& sources, const TexteLu& texte) {
    const QLatin1String interne("@@PLUGINFILE@@/");
    // The first picture is the question's when its file is there; the others
    // are counted, so that many pictures cost no more than reading them.
    const QString premiere = sources.value(0);
    const QString nom = premiere.startsWith(interne)
                            ? QUrl::fromPercentEncoding(premiere.mid(interne.size()).toUtf8())
                            : QString();
    for (const auto& [fichier, octets] : texte.Fichiers) {
        if (!nom.isEmpty() && fichier == nom) {
            q.NomImage = fichier;
            q.Image = octets;
        }
    }
    const qsizetype autres = sources.size() - (q.NomImage.isEmpty() ? 0 : 1);
    if (autres > 0) {
        q.Pertes << QStringLiteral("%1 image(s) non reprise(s) : une seule par question, jointe "
                                   "au fichier (« %2 »).")
                        .arg(autres)
                        .arg(q.NomImage.isEmpty() ? premiere : sources.value(1));
    }
}

QuestionLue Question(QXmlStreamReader& xml, const QString& type) {
    QuestionLue q;
    q.Type = type;
    TexteLu enonce;
    // After a wrong answer Moodle shows the incorrect-answer feedback, the
    // general one and the wrong answer's own, in that order of preference.
    QString incorrect;
    QString partiel;
    QStringList retours;
    QString general;
    QString juste;
    QStringList retoursJustes;
    bool imagesReponses = false;
    bool indices = false;
    while (xml.readNextStartElement()) {
        if (Nom(xml, "questiontext")) {
            enonce = LireTexte(xml);
        } else if (Nom(xml, "incorrectfeedback")) {
            const TexteLu t = LireTexte(xml);
            incorrect = EnClair(t.Format, t.Texte);
        } else if (Nom(xml, "partiallycorrectfeedback")) {
            const TexteLu t = LireTexte(xml);
            partiel = EnClair(t.Format, t.Texte);
        } else if (Nom(xml, "generalfeedback")) {
            const TexteLu t = LireTexte(xml);
            general = EnClair(t.Format, t.Texte);
        } else if (Nom(xml, "correctfeedback")) {
            const TexteLu t = LireTexte(xml);
            juste = EnClair(t.Format, t.Texte);
        } else if (Nom(xml, "single")) {
            const QString s = TexteElement(xml).trimmed().toLower();
            q.Unique = s == QLatin1String("true") || s == QLatin1String("1");
        } else if (Nom(xml, "answer") &&
                   q.Reponses.size() >= static_cast<std::size_t>(kReponsesLues)) {
            ++q.ReponsesNonLues;
            xml.skipCurrentElement();
        } else if (Nom(xml, "answer")) {
            const QString format = xml.attributes().value(QLatin1String("format")).toString();
            ReponseLue r;
            r.Fraction = xml.attributes().value(QLatin1String("fraction")).toDouble();
            QString retour;
            while (xml.readNextStartElement()) {
                if (Nom(xml, "text")) {
                    r = LireProposition(TexteElement(xml), Format(format), r.Fraction,
                                        imagesReponses);
                } else if (Nom(xml, "feedback")) {
                    const TexteLu t = LireTexte(xml);
                    retour = EnClair(t.Format, t.Texte);
                } else {
                    xml.skipCurrentElement();
                }
            }
            (r.Fraction > 0 ? retoursJustes : retours) << retour;
            if (type == QLatin1String("truefalse")) {
                r.Texte = r.Texte.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("Vrai")
                          : r.Texte.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("Faux")
                              : r.Texte;
            }
            q.Reponses.push_back(r);
        } else if (Nom(xml, "hint")) {
            const TexteLu t = LireTexte(xml);
            indices = indices || !EnClair(t.Format, t.Texte).isEmpty();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (indices) {
        q.Pertes << QStringLiteral("ses indices sont perdus.");
    }
    if (imagesReponses) {
        q.Pertes << QStringLiteral("les images des propositions sont perdues.");
    }
    QStringList sources;
    q.Enonce = EnClair(enonce.Format, enonce.Texte, &sources);
    if (type == QLatin1String("description")) {
        q.Refus = QStringLiteral("texte sans question (une description pour Moodle), non repris.");
        return q;
    }
    if (type != QLatin1String("multichoice") && type != QLatin1String("truefalse")) {
        q.Refus = QStringLiteral("question de type « %1 », non reprise.").arg(type);
        return q;
    }
    Image(q, sources, enonce);
    if (type == QLatin1String("truefalse")) {
        // A true/false question has no incorrect-answer feedback: after a
        // wrong answer Moodle shows that answer's own, then the general one.
        q.Unique = true;
        retours << general;
    } else {
        retours.prepend(general);
        retours.prepend(incorrect);
        retours << partiel;
    }
    const bool propres = std::any_of(retours.begin(), retours.end(), [](const QString& r) {
        return !r.isEmpty() && !RetourParDefaut(r);
    });
    if (propres) {
        retours.removeIf(RetourParDefaut);
    }
    q.Commentaire = ChoisirCommentaire(retours, q.Pertes);
    retoursJustes << juste;
    if (std::any_of(retoursJustes.begin(), retoursJustes.end(),
                    [](const QString& r) { return !r.isEmpty() && !RetourParDefaut(r); })) {
        q.Pertes << QStringLiteral("les retours des réponses justes sont perdus.");
    }
    return q;
}

} // namespace

FichierLu LireMoodle(QByteArrayView octets) {
    QXmlStreamReader xml(octets.toByteArray());
    FichierLu lu;
    // Entities naming an outside file are never read; the text is left without them.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.isDTD()) {
            for (const QXmlStreamEntityDeclaration& e : xml.entityDeclarations()) {
                if (!e.systemId().isEmpty() || !e.publicId().isEmpty()) {
                    lu.Pertes << QStringLiteral("L'entité externe « %1 » n'est pas lue : "
                                                "le texte est repris sans elle.")
                                     .arg(e.name());
                }
            }
        }
    }
    if (!xml.isStartElement() || !Nom(xml, "quiz")) {
        if (xml.hasError()) {
            throw EEchange(QStringLiteral("Fichier Moodle XML incorrect, ligne %1 : %2")
                               .arg(xml.lineNumber())
                               .arg(xml.errorString()));
        }
        throw EEchange(QStringLiteral("Ce fichier XML n'est pas un fichier de questions Moodle "
                                      "(pas d'élément « quiz »)."));
    }
    while (xml.readNextStartElement()) {
        if (Nom(xml, "question")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            if (type == QLatin1String("category")) {
                Categorie(xml, lu);
            } else if (lu.Questions.size() < static_cast<std::size_t>(kQuestionsLues)) {
                lu.Questions.push_back(Question(xml, type));
            } else {
                ++lu.NonLues;
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        throw EEchange(QStringLiteral("Fichier Moodle XML incorrect, ligne %1 : %2")
                           .arg(xml.lineNumber())
                           .arg(xml.errorString()));
    }
    return lu;
}

} // namespace qcm::exchange::detail
