#include "Commun.h"

#include "core/AtomicFile.h"
#include "pictures/ImageLimits.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

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

// A picture drawn larger than this would only weigh down a bank.
constexpr int kCoteMaxDessin = 1600;

// Kept bytes of a PNG, which our readers do not read: Qt reads its size.
QSize TaillePng(const QByteArray& octets) {
    QBuffer tampon;
    tampon.setData(octets);
    QImageReader lecteur(&tampon, "png");
    const QSize taille = lecteur.size();
    if (!taille.isValid() || taille.isEmpty()) {
        throw EEchange(QStringLiteral("image PNG incorrecte"));
    }
    return taille;
}

void Charger(ScaledPicture& image, const QString& chemin) {
    image.LoadFromFile(chemin);
    if (image.Empty() || image.Width() <= 0 || image.Height() <= 0) {
        throw EEchange(QStringLiteral("image vide"));
    }
}

ImageSortie Preparer(const QString& chemin, const QString& nom,
                     std::span<const QLatin1StringView> gardees, Dessin dessin) {
    const QString extension = TPicture::Extension(nom).toLower();
    if (std::find(gardees.begin(), gardees.end(), extension) != gardees.end()) {
        ImageSortie sortie{nom, ReadWholeFile(chemin, kMaxFileBytes), {}};
        if (dessin == Dessin::Photo && extension == QLatin1String("png")) {
            sortie.Taille = TaillePng(sortie.Octets);
        } else if (dessin == Dessin::Photo) {
            ScaledPicture image;
            Charger(image, chemin);
            sortie.Taille = QSize(image.Width(), image.Height());
        }
        return sortie;
    }
    ScaledPicture image;
    Charger(image, chemin);
    const QSize naturelle(image.Width(), image.Height());
    QSize taille = naturelle;
    if (dessin == Dessin::Photo) {
        taille = TaillePhoto(taille.width(), taille.height());
    } else if (taille.width() > kCoteMaxDessin || taille.height() > kCoteMaxDessin) {
        taille = TaillePhoto(taille.width(), taille.height(), kCoteMaxDessin);
    }
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const QString base = point < 0 ? nom : nom.left(point);
    return {base + QStringLiteral(".png"), EnPng(image.Render(taille)), naturelle};
}

} // namespace

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
        return Preparer(chemin, question.Image, gardees, dessin);
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
