#include "PageEleve.h"

#include "Commun.h"
#include "pictures/Bitmap.h"
#include "pictures/ScaledPicture.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdint>
#include <exception>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::pictures;
using namespace qcm::exchange::detail;

namespace {

// The page's script holds the same seed.
constexpr std::uint32_t kGraine = 0x51c3a7;

QByteArray Ressource(const QString& nom) {
    QFile f(QStringLiteral(":/page/") + nom);
    if (!f.open(QIODevice::ReadOnly)) {
        throw EEchange(QStringLiteral("Modèle de page introuvable : %1").arg(nom));
    }
    return f.readAll();
}

// Text for element content and quoted attributes, valid as XML too: the
// characters XML refuses are dropped.
QByteArray Echappe(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (const QChar c : texte) {
        switch (c.unicode()) {
        case '&':
            sortie += QLatin1String("&amp;");
            break;
        case '<':
            sortie += QLatin1String("&lt;");
            break;
        case '>':
            sortie += QLatin1String("&gt;");
            break;
        case '"':
            sortie += QLatin1String("&quot;");
            break;
        case '\'':
            sortie += QLatin1String("&#39;");
            break;
        default:
            if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') {
                sortie += c;
            }
        }
    }
    return sortie.toUtf8();
}

QByteArray DonneeUri(const QString& nom, const QByteArray& octets) {
    const QString ext = TPicture::Extension(nom).toLower();
    const QByteArray type = ext == QLatin1String("gif")   ? "image/gif"
                            : ext == QLatin1String("png") ? "image/png"
                                                          : "image/jpeg";
    return "data:" + type + ";base64," + octets.toBase64();
}

// The page shows these as they are (a GIF keeps animating); the other kinds
// are drawn by our readers.
constexpr std::array kImagesPage = {QLatin1StringView("png"), QLatin1StringView("gif"),
                                    QLatin1StringView("jpg"), QLatin1StringView("jpeg")};

// The repeated background, or the editor's navy when there is none or it
// cannot be read.
QByteArray StyleFond(const QString& dossier, const QString& fond) {
    const QByteArray marine("body{background-color:#000080;}");
    const QString chemin = CheminMedia(dossier, fond);
    if (chemin.isEmpty()) {
        return marine;
    }
    try {
        TBitmap tuile;
        tuile.LoadFromFile(chemin);
        return "body{background:#000080 url(" +
               DonneeUri(QStringLiteral("fond.png"), EnPng(tuile.Image())) + ") repeat left top;}";
    } catch (const std::exception&) {
        return marine;
    }
}

QByteArray Remplir(const QByteArray& modele, const QHash<QByteArray, QByteArray>& valeurs) {
    // One pass, so a value that looks like a marker stays as it is.
    QByteArray sortie;
    qsizetype i = 0;
    while (i < modele.size()) {
        const qsizetype debut = modele.indexOf("{{", i);
        const qsizetype finMarque = debut < 0 ? -1 : modele.indexOf("}}", debut + 2);
        if (finMarque < 0) {
            sortie += modele.mid(i);
            break;
        }
        sortie += modele.mid(i, debut - i);
        const QByteArray nom = modele.mid(debut + 2, finMarque - debut - 2);
        sortie += valeurs.value(nom);
        i = finMarque + 2;
    }
    return sortie;
}

} // namespace

QByteArray BrouillerPage(QByteArray octets) {
    std::uint32_t k = kGraine;
    for (char& c : octets) {
        k = (k * 1103515245U + 12345U) & 0x7fffffffU;
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ ((k >> 16) & 0xffU));
    }
    return octets;
}

namespace detail {

ExportComplet Page(const TQuestionnaire& q, const QString& dossier,
                   const std::optional<PlateForme>& plateForme, int* nombreQuestions) {
    ExportComplet resultat;
    QStringList& pertes = resultat.Pertes;
    QJsonArray questions;
    QByteArray photos;
    QHash<QString, QString> dejaVues; // one copy of a picture several questions share
    for (const QuestionSortie& s : QuestionsSortie(q, pertes, {.Fond = true, .Ordre = true})) {
        // Nothing to answer: a question still being written.
        if (s.Propositions.empty()) {
            pertes << SurQuestion(s.Numero,
                                  QStringLiteral("sans proposition, elle n'est pas exportée."));
            continue;
        }
        // The page shows the texts as typed.
        const TQuestion& question = q.Question(s.Numero);
        QJsonArray propositions;
        QJsonArray justes;
        for (const Proposition& p : s.Propositions) {
            if (p.Juste) {
                justes.append(propositions.size());
            }
            propositions.append(question.Reponse(p.Case));
        }
        QJsonObject objet{{QStringLiteral("n"), s.Numero},
                          {QStringLiteral("e"), question.Enonce},
                          {QStringLiteral("p"), propositions},
                          {QStringLiteral("j"), justes},
                          // Radio buttons could never give two right marks.
                          {QStringLiteral("u"), s.Unique && justes.size() <= 1},
                          {QStringLiteral("c"), question.Commentaire}};
        const QString chemin = CheminMedia(dossier, s.Image);
        QString id = dejaVues.value(chemin);
        if (id.isEmpty()) {
            // A picture that cannot be shown leaves the question without it.
            if (const auto image =
                    ImagePourSortie(dossier, s, kImagesPage, Dessin::Photo, pertes)) {
                const QSize taille = TaillePhoto(image->Taille.width(), image->Taille.height());
                id = QStringLiteral("photo-%1").arg(s.Numero);
                photos += "<img id=\"" + id.toUtf8() + "\" src=\"" +
                          DonneeUri(image->Nom, image->Octets) + "\" width=\"" +
                          QByteArray::number(taille.width()) + "\" height=\"" +
                          QByteArray::number(taille.height()) +
                          "\" alt=\"Illustration de la question\"/>";
                dejaVues.insert(chemin, id);
            }
        }
        if (!id.isEmpty()) {
            objet.insert(QStringLiteral("i"), id);
        }
        questions.append(objet);
    }
    if (nombreQuestions != nullptr) {
        *nombreQuestions = static_cast<int>(questions.size());
    }
    const QJsonObject donnees{{QStringLiteral("m"), q.Melange}, {QStringLiteral("q"), questions}};
    // The script talks to a learning platform only in a package made for one.
    QByteArray attributs;
    if (plateForme) {
        attributs = " data-scorm=\"" +
                    QByteArray(plateForme->Version == VersionScorm::V2004 ? "2004" : "1.2") +
                    "\" data-seuil=\"" + QByteArray::number(plateForme->Seuil) + "\"";
    }
    const QByteArray brouille =
        BrouillerPage(QJsonDocument(donnees).toJson(QJsonDocument::Compact)).toBase64();

    const QByteArray auteur = Nettoye(q.Auteur).isEmpty()
                                  ? QByteArray()
                                  : "<p class=\"auteur\">" + Echappe(q.Auteur) + "</p>";
    // An untitled page still says what it is.
    const QString titre = Nettoye(q.Titre).isEmpty() ? QStringLiteral("QCM") : q.Titre;
    resultat.Octets = Remplir(Ressource(QStringLiteral("page.html")),
                              {{"TITRE", Echappe(titre)},
                               {"PLATEFORME", attributs},
                               {"AUTEUR", auteur},
                               {"CSS", Ressource(QStringLiteral("page.css"))},
                               {"FOND", StyleFond(dossier, q.Fond)},
                               {"PHOTOS", photos},
                               {"DONNEES", brouille},
                               {"JS", Ressource(QStringLiteral("page.js"))}});
    return resultat;
}

} // namespace detail

} // namespace qcm::exchange
