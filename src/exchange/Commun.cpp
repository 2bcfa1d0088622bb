#include "Commun.h"

#include "core/AtomicFile.h"
#include "pictures/ImageLimits.h"
#include "pictures/Metafile.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>

namespace qcm::exchange::detail {

using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::pictures;

int QuestionSortie::NombreJustes() const {
    return static_cast<int>(std::count_if(Propositions.begin(), Propositions.end(),
                                          [](const Proposition& p) { return p.Juste; }));
}

QString SurQuestion(int numero, const QString& texte) {
    return QStringLiteral("Question %1 : %2").arg(numero).arg(texte);
}

std::vector<QuestionSortie> QuestionsSortie(const TQuestionnaire& q, QStringList& pertes,
                                            Emporte emporte) {
    const QString musique = Nettoye(q.Musique);
    if (!emporte.Fond && !Nettoye(q.Fond).isEmpty()) {
        pertes << QStringLiteral("Le fond d'écran n'est pas exporté.");
    }
    if (!musique.isEmpty() && musique.compare(QLatin1String("NON"), Qt::CaseInsensitive) != 0) {
        pertes << QStringLiteral("La musique de fond n'est pas exportée.");
    }
    if (q.Melange && !emporte.Ordre) {
        pertes << QStringLiteral("L'ordre mélangé des questions n'est pas exporté.");
    }
    std::vector<QuestionSortie> sortie;
    for (int n = 1; n <= kMaxQuestions; ++n) {
        const TQuestion& question = q.Question(n);
        QuestionSortie s;
        s.Numero = n;
        s.Enonce = Nettoye(question.Enonce);
        s.Commentaire = Nettoye(question.Commentaire);
        s.Image = Nettoye(question.Image);
        s.Unique = question.Unique;
        for (int k = 1; k <= kMaxReponses; ++k) {
            const QString texte = Nettoye(question.Reponse(k));
            if (!texte.isEmpty()) {
                s.Propositions.push_back({texte, question.Juste(k), k});
            }
        }
        if (!s.Enonce.isEmpty()) {
            sortie.push_back(std::move(s));
        } else if (!s.Propositions.empty() || !s.Commentaire.isEmpty() || !s.Image.isEmpty()) {
            pertes << SurQuestion(n, QStringLiteral("sans énoncé, elle n'est pas exportée."));
        }
    }
    return sortie;
}

void Completer(QuestionSortie& question, QStringList& pertes) {
    if (question.Propositions.empty()) {
        return;
    }
    const bool aucuneJuste = question.NombreJustes() == 0;
    if (aucuneJuste || question.Propositions.size() < 2) {
        question.Propositions.push_back({AucuneReponse(), aucuneJuste});
        pertes << SurQuestion(question.Numero,
                              aucuneJuste
                                  ? QStringLiteral("aucune proposition n'est juste ; « %1 » est "
                                                   "ajoutée comme réponse juste.")
                                        .arg(AucuneReponse())
                                  : QStringLiteral("une seule proposition ; « %1 » est ajoutée.")
                                        .arg(AucuneReponse()));
    }
}

namespace {

// Enough of a file for Qt to find its size: JPEG headers may follow long
// metadata.
constexpr qint64 kDebutEntete = 1024 * 1024;

// A kept file larger than this is drawn instead: a picture of at most
// kCoteMaxImage a side needs no more, and the base64 of a bank holds it
// again.
constexpr qint64 kOctetsMaxGardes = 8 * 1024 * 1024;

void Charger(ScaledPicture& image, const QString& chemin) {
    image.LoadFromFile(chemin);
    if (image.Empty() || image.Width() <= 0 || image.Height() <= 0) {
        throw EEchange(QStringLiteral("image vide"));
    }
}

// The file's bytes, or nothing when it holds more than limite.
std::optional<QByteArray> LireAuPlus(const QString& chemin, qint64 limite) {
    try {
        return ReadWholeFile(chemin, limite);
    } catch (const EFileTooLarge&) {
        return std::nullopt;
    }
}

ImageSortie Preparer(const QString& chemin, const QString& nom,
                     std::span<const QLatin1StringView> gardees, Dessin dessin) {
    const QString extension = TPicture::Extension(nom).toLower();
    const bool png = extension == QLatin1String("png");
    // Refused on its header, before it is read whole.
    const QSize entete = TailleEntete(ReadFileStart(chemin, kDebutEntete));
    if (entete.isValid()) {
        VerifierTaille(entete);
    }
    const bool petite =
        !entete.isValid() || std::max(entete.width(), entete.height()) <= kCoteMaxImage;
    std::optional<QByteArray> octets;
    if (petite && std::find(gardees.begin(), gardees.end(), extension) != gardees.end()) {
        octets = LireAuPlus(chemin, kOctetsMaxGardes);
    }
    if (octets) {
        // Kept bytes are decoded all the same, once: a file the target
        // could not show is lost here, not shipped broken.
        if (png) {
            if (!entete.isValid() || LireOpaque(*octets, entete).isNull()) {
                throw EEchange(QStringLiteral("image PNG incorrecte"));
            }
            return {nom, *octets, entete, {}};
        }
        ScaledPicture image;
        Charger(image, chemin);
        return {nom, *octets, QSize(image.Width(), image.Height()), {}};
    }
    // Our readers do not read PNG: Qt draws it.
    ScaledPicture image;
    if (!png) {
        Charger(image, chemin);
    } else if (!entete.isValid()) {
        throw EEchange(QStringLiteral("image PNG incorrecte"));
    }
    const QSize naturelle = png ? entete : QSize(image.Width(), image.Height());
    QSize taille = naturelle;
    if (dessin == Dessin::Photo) {
        // Shown in the 320 box, drawn for a screen of two pixels per point:
        // vectors at twice the box, pixels up to their own number.
        const bool vecteurs = dynamic_cast<const TMetafile*>(image.Picture().Graphic()) != nullptr;
        const int cote = std::max(taille.width(), taille.height());
        const int boite =
            vecteurs ? 2 * kBoitePhoto : std::clamp(cote, kBoitePhoto, 2 * kBoitePhoto);
        taille = TaillePhoto(taille.width(), taille.height(), boite);
    } else if (taille.width() > kCoteMaxImage || taille.height() > kCoteMaxImage) {
        taille = TaillePhoto(taille.width(), taille.height(), kCoteMaxImage);
    }
    const QImage dessinee =
        png ? LireOpaque(ReadWholeFile(chemin, kMaxFileBytes), taille) : image.Render(taille);
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const QString base = point < 0 ? nom : nom.left(point);
    const QSize reduite = taille != naturelle ? taille : QSize();
    // A photo drawn smaller stays a JPEG where the target takes one.
    if ((extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) &&
        std::find(gardees.begin(), gardees.end(), QLatin1String("jpg")) != gardees.end()) {
        return {base + QStringLiteral(".jpg"), EnJpeg(dessinee), naturelle, reduite};
    }
    return {base + QStringLiteral(".png"), EnPng(dessinee), naturelle, reduite};
}

} // namespace

QSize TailleEntete(const QByteArray& octets) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon);
    const QSize taille = lecteur.size();
    return taille.isValid() && !taille.isEmpty() ? taille : QSize();
}

void VerifierTaille(QSize taille) {
    if (!WithinLimits(taille.width(), taille.height())) {
        throw EEchange(QStringLiteral("%1 × %2 pixels, plus que les %3 millions qu'acceptent les "
                                      "lecteurs d'images")
                           .arg(taille.width())
                           .arg(taille.height())
                           .arg(kMaxPixels / 1000000));
    }
}

QImage LireOpaque(const QByteArray& octets, QSize taille) {
    // Qt's own guard, at ours: a header that lies about its size still
    // cannot make it allocate more than our readers would.
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPixels * 4 / (1024 * 1024)));
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon);
    const QSize entete = lecteur.size();
    if (!entete.isValid() || !WithinLimits(entete.width(), entete.height()) ||
        !WithinLimits(taille.width(), taille.height())) {
        return {};
    }
    if (taille != entete) {
        lecteur.setScaledSize(taille);
    }
    const QImage image = lecteur.read();
    if (image.isNull()) {
        return {};
    }
    QImage opaque = NewImage(image.width(), image.height(), QImage::Format_RGB32);
    if (opaque.isNull()) {
        return {};
    }
    opaque.fill(Qt::white);
    {
        QPainter peintre(&opaque);
        peintre.drawImage(0, 0, image);
    }
    return opaque;
}

QByteArray EnJpeg(const QImage& image) {
    constexpr int kQualite = 90;
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&tampon, "JPEG", kQualite)) {
        throw EEchange(QStringLiteral("image vide"));
    }
    return octets;
}

QByteArray EnPng(const QImage& image) {
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&tampon, "PNG")) {
        throw EEchange(QStringLiteral("image vide"));
    }
    return octets;
}

std::optional<ImageSortie> ImagePourSortie(const QString& dossier, const QuestionSortie& question,
                                           std::span<const QLatin1StringView> gardees,
                                           Dessin dessin, QStringList& pertes) {
    if (question.Image.isEmpty()) {
        return std::nullopt;
    }
    const QString chemin = CheminMedia(dossier, question.Image);
    if (chemin.isEmpty()) {
        pertes << SurQuestion(question.Numero,
                              QStringLiteral("l'image « %1 » est introuvable, elle n'est pas "
                                             "exportée.")
                                  .arg(question.Image));
        return std::nullopt;
    }
    QString erreur;
    try {
        ImageSortie sortie = Preparer(chemin, question.Image, gardees, dessin);
        if (dessin == Dessin::Naturel && sortie.Reduite.isValid()) {
            pertes << SurQuestion(question.Numero,
                                  QStringLiteral("l'image « %1 » (%2 × %3) est réduite à %4 × %5.")
                                      .arg(question.Image)
                                      .arg(sortie.Taille.width())
                                      .arg(sortie.Taille.height())
                                      .arg(sortie.Reduite.width())
                                      .arg(sortie.Reduite.height()));
        }
        return sortie;
    } catch (const Exception& e) {
        erreur = e.Message();
    } catch (const std::exception& e) {
        erreur = QString::fromLocal8Bit(e.what());
    }
    pertes << SurQuestion(question.Numero,
                          QStringLiteral("l'image « %1 » ne peut pas être lue (%2), elle "
                                         "n'est pas exportée.")
                              .arg(question.Image, erreur));
    return std::nullopt;
}

QString Pourcentage(double valeur) {
    QString texte = QString::number(std::round(valeur * 100000.0) / 100000.0, 'f', 5);
    while (texte.endsWith(QLatin1Char('0'))) {
        texte.chop(1);
    }
    if (texte.endsWith(QLatin1Char('.'))) {
        texte.chop(1);
    }
    return texte;
}

} // namespace qcm::exchange::detail
