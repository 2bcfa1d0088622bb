#include "PageEleve.h"
#include "Export.h"

#include "core/AtomicFile.h"
#include "pictures/Bitmap.h"
#include "pictures/ImageLimits.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <exception>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::pictures;

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

QByteArray EnPng(const QImage& image) {
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&tampon, "PNG")) {
        return {};
    }
    return octets;
}

QByteArray DonneeUri(const char* type, const QByteArray& octets) {
    return QByteArray("data:") + type + ";base64," + octets.toBase64();
}

struct Photo {
    QByteArray uri;
    QSize taille;
};

// The picture as the page shows it: GIF, JPEG and PNG bytes as they are
// (a GIF keeps animating), the other kinds drawn by our readers at the
// size the editor shows them. Raises the reader's error.
Photo FairePhoto(const QString& chemin) {
    const QString ext = TPicture::Extension(chemin).toLower();
    if (ext == QLatin1String("png")) {
        const QByteArray octets = ReadWholeFile(chemin, kMaxFileBytes);
        QBuffer tampon;
        tampon.setData(octets);
        QImageReader lecteur(&tampon, "png");
        const QSize naturelle = lecteur.size();
        if (!naturelle.isValid() || naturelle.isEmpty()) {
            throw EEchange(QStringLiteral("Image PNG incorrecte"));
        }
        return {DonneeUri("image/png", octets), TaillePhoto(naturelle.width(), naturelle.height())};
    }
    ScaledPicture image;
    image.LoadFromFile(chemin);
    if (image.Empty() || image.Width() <= 0 || image.Height() <= 0) {
        throw EEchange(QStringLiteral("Image vide"));
    }
    const QSize taille = TaillePhoto(image.Width(), image.Height());
    if (ext == QLatin1String("gif")) {
        return {DonneeUri("image/gif", ReadWholeFile(chemin, kMaxFileBytes)), taille};
    }
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) {
        return {DonneeUri("image/jpeg", ReadWholeFile(chemin, kMaxFileBytes)), taille};
    }
    const QByteArray png = EnPng(image.Render(taille));
    if (png.isEmpty()) {
        throw EEchange(QStringLiteral("Image impossible à convertir"));
    }
    return {DonneeUri("image/png", png), taille};
}

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
        const QByteArray png = EnPng(tuile.Image());
        if (png.isEmpty()) {
            return marine;
        }
        return "body{background:#000080 url(" + DonneeUri("image/png", png) + ") repeat left top;}";
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

QByteArray ExporterHtml(const TQuestionnaire& q, const QString& dossier) {
    QJsonArray questions;
    QByteArray photos;
    QHash<QString, QString> dejaVues; // one copy of a picture several questions share
    for (int n = 1; n <= kMaxQuestions; ++n) {
        const TQuestion& question = q.Question(n);
        if (Nettoye(question.Enonce).isEmpty()) {
            continue;
        }
        QJsonArray propositions;
        QJsonArray justes;
        for (int k = 1; k <= kMaxReponses; ++k) {
            if (Nettoye(question.Reponse(k)).isEmpty()) {
                continue;
            }
            if (question.Juste(k)) {
                justes.append(propositions.size());
            }
            propositions.append(question.Reponse(k));
        }
        // Nothing to answer: a question still being written.
        if (propositions.isEmpty()) {
            continue;
        }
        QJsonObject objet{{QStringLiteral("e"), question.Enonce},
                          {QStringLiteral("p"), propositions},
                          {QStringLiteral("j"), justes},
                          // Radio buttons could never give two right marks.
                          {QStringLiteral("u"), question.Unique && justes.size() <= 1},
                          {QStringLiteral("c"), question.Commentaire}};
        const QString chemin = CheminMedia(dossier, question.Image);
        if (!chemin.isEmpty()) {
            QString id = dejaVues.value(chemin);
            if (id.isEmpty()) {
                try {
                    const Photo photo = FairePhoto(chemin);
                    id = QStringLiteral("photo-%1").arg(n);
                    photos += "<img id=\"" + id.toUtf8() + "\" src=\"" + photo.uri + "\" width=\"" +
                              QByteArray::number(photo.taille.width()) + "\" height=\"" +
                              QByteArray::number(photo.taille.height()) +
                              "\" alt=\"Illustration de la question\"/>";
                    dejaVues.insert(chemin, id);
                } catch (const std::exception&) {
                    // The question is asked without its picture.
                }
            }
            if (!id.isEmpty()) {
                objet.insert(QStringLiteral("i"), id);
            }
        }
        questions.append(objet);
    }
    const QJsonObject donnees{{QStringLiteral("m"), q.Melange}, {QStringLiteral("q"), questions}};
    const QByteArray brouille =
        BrouillerPage(QJsonDocument(donnees).toJson(QJsonDocument::Compact)).toBase64();

    const QByteArray auteur = Nettoye(q.Auteur).isEmpty()
                                  ? QByteArray()
                                  : "<p class=\"auteur\">" + Echappe(q.Auteur) + "</p>";
    // An untitled page still says what it is.
    const QString titre = Nettoye(q.Titre).isEmpty() ? QStringLiteral("QCM") : q.Titre;
    return Remplir(Ressource(QStringLiteral("page.html")),
                   {{"TITRE", Echappe(titre)},
                    {"AUTEUR", auteur},
                    {"CSS", Ressource(QStringLiteral("page.css"))},
                    {"FOND", StyleFond(dossier, q.Fond)},
                    {"PHOTOS", photos},
                    {"DONNEES", brouille},
                    {"JS", Ressource(QStringLiteral("page.js"))}});
}

} // namespace qcm::exchange
