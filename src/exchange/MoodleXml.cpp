#include "Commun.h"

#include <QUrl>
#include <QXmlStreamWriter>
#include <array>

// Moodle XML: one category named after the title, then one multichoice
// question per question, its picture embedded in base64 and referenced
// from the HTML of the statement.
namespace qcm::exchange {

using namespace qcm::model;
using namespace detail;

namespace {

// What a browser shows as it is; other pictures are drawn into a PNG.
constexpr std::array kImagesWeb = {QLatin1StringView("jpg"), QLatin1StringView("jpeg"),
                                   QLatin1StringView("gif"), QLatin1StringView("png"),
                                   QLatin1StringView("bmp"), QLatin1StringView("ico")};

// XML 1.0 cannot hold most control characters, even escaped.
bool CaractereXml(QChar c) {
    return c.unicode() >= 0x20 || c == QLatin1Char('\n') || c == QLatin1Char('\t');
}

// The text with what XML cannot hold replaced by "?", and said.
QString Propre(const QString& texte, int numero, QStringList& pertes) {
    QString propre;
    bool remplace = false;
    for (const QChar c : texte) {
        if (CaractereXml(c)) {
            propre += c;
        } else if (c != QLatin1Char('\r')) {
            propre += QLatin1Char('?');
            remplace = true;
        }
    }
    if (remplace) {
        const QString texteEchec =
            QStringLiteral("des caractères de contrôle sont remplacés par « ? ».");
        pertes << (numero > 0 ? SurQuestion(numero, texteEchec)
                              : QStringLiteral("En-tête : ") + texteEchec);
    }
    return propre;
}

// The text as HTML, line breaks kept.
QString EnHtml(const QString& texte, int numero, QStringList& pertes) {
    return Propre(texte, numero, pertes)
        .toHtmlEscaped()
        .replace(QLatin1Char('\n'), QLatin1String("<br>"));
}

void Texte(QXmlStreamWriter& xml, const QString& element, const QString& html,
           bool formatHtml = true) {
    xml.writeStartElement(element);
    if (formatHtml) {
        xml.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
    }
    xml.writeTextElement(QStringLiteral("text"), html);
    xml.writeEndElement();
}

void Categorie(QXmlStreamWriter& xml, const TQuestionnaire& q, QStringList& pertes) {
    xml.writeStartElement(QStringLiteral("question"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
    xml.writeStartElement(QStringLiteral("category"));
    // "/" separates Moodle's levels unless doubled.
    QString titre = Nettoye(q.Titre);
    titre.replace(QLatin1Char('\n'), QLatin1Char(' '));
    xml.writeTextElement(
        QStringLiteral("text"),
        QStringLiteral("$course$/top/") +
            Propre(titre, 0, pertes).replace(QLatin1String("/"), QLatin1String("//")));
    xml.writeEndElement();
    const QString auteur = Nettoye(q.Auteur);
    if (!auteur.isEmpty()) {
        Texte(xml, QStringLiteral("info"), QStringLiteral("Auteur : ") + EnHtml(auteur, 0, pertes));
    }
    xml.writeEndElement();
}

void Question(QXmlStreamWriter& xml, const QString& dossier, QuestionSortie& question,
              QStringList& pertes) {
    Completer(question, pertes);
    const bool description = question.Propositions.empty();
    xml.writeStartElement(QStringLiteral("question"));
    xml.writeAttribute(QStringLiteral("type"),
                       description ? QStringLiteral("description") : QStringLiteral("multichoice"));
    Texte(xml, QStringLiteral("name"), QStringLiteral("Question %1").arg(question.Numero), false);

    const std::optional<ImageSortie> image =
        ImagePourSortie(dossier, question, kImagesWeb, Dessin::Naturel, pertes);
    QString html = QStringLiteral("<p>") + EnHtml(question.Enonce, question.Numero, pertes) +
                   QStringLiteral("</p>");
    if (image) {
        html += QStringLiteral("<p><img src=\"@@PLUGINFILE@@/") +
                QString::fromLatin1(QUrl::toPercentEncoding(image->Nom)) +
                QStringLiteral("\" alt=\"\"></p>");
    }
    xml.writeStartElement(QStringLiteral("questiontext"));
    xml.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
    xml.writeTextElement(QStringLiteral("text"), html);
    if (image) {
        xml.writeStartElement(QStringLiteral("file"));
        xml.writeAttribute(QStringLiteral("name"), image->Nom);
        xml.writeAttribute(QStringLiteral("path"), QStringLiteral("/"));
        xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        xml.writeCharacters(QString::fromLatin1(image->Octets.toBase64()));
        xml.writeEndElement();
    }
    xml.writeEndElement();

    const QString commentaire = EnHtml(question.Commentaire, question.Numero, pertes);
    if (description) {
        // A description has no answers; its feedback shows to everyone.
        Texte(xml, QStringLiteral("generalfeedback"), commentaire);
        xml.writeEndElement();
        return;
    }
    Texte(xml, QStringLiteral("generalfeedback"), QString());
    xml.writeTextElement(QStringLiteral("defaultgrade"), QStringLiteral("1"));
    xml.writeTextElement(QStringLiteral("penalty"), QStringLiteral("0.3333333"));
    xml.writeTextElement(QStringLiteral("hidden"), QStringLiteral("0"));
    xml.writeTextElement(QStringLiteral("single"),
                         question.Unique ? QStringLiteral("true") : QStringLiteral("false"));
    // The propositions keep the order their author gave them.
    xml.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("false"));
    xml.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("abc"));
    Texte(xml, QStringLiteral("correctfeedback"), QString());
    Texte(xml, QStringLiteral("partiallycorrectfeedback"), commentaire);
    Texte(xml, QStringLiteral("incorrectfeedback"), commentaire);

    const int justes = question.NombreJustes();
    const int fausses = static_cast<int>(question.Propositions.size()) - justes;
    for (const Proposition& p : question.Propositions) {
        // One answer: each right one is worth it all. Several: the right
        // ones share 100 and the wrong ones share -100.
        const double fraction = question.Unique ? (p.Juste ? 100.0 : 0.0)
                                : p.Juste       ? 100.0 / justes
                                                : -100.0 / fausses;
        xml.writeStartElement(QStringLiteral("answer"));
        xml.writeAttribute(QStringLiteral("fraction"), Pourcentage(fraction));
        xml.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
        xml.writeTextElement(QStringLiteral("text"), EnHtml(p.Texte, question.Numero, pertes));
        Texte(xml, QStringLiteral("feedback"), QString());
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace

namespace detail {

ExportComplet Moodle(const TQuestionnaire& q, const QString& dossier) {
    ExportComplet resultat;
    QXmlStreamWriter xml(&resultat.Octets);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("quiz"));
    Categorie(xml, q, resultat.Pertes);
    for (QuestionSortie& question : QuestionsSortie(q, resultat.Pertes)) {
        Question(xml, dossier, question, resultat.Pertes);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return resultat;
}

} // namespace detail

} // namespace qcm::exchange
