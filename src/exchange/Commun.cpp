#include "Commun.h"

#include "core/AtomicFile.h"
#include "pictures/ImageLimits.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <cmath>

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
                                            bool ordreExporte) {
    const QString musique = Nettoye(q.Musique);
    if (!Nettoye(q.Fond).isEmpty()) {
        pertes << QStringLiteral("Le fond d'écran n'est pas exporté.");
    }
    if (!musique.isEmpty() && musique.compare(QLatin1String("NON"), Qt::CaseInsensitive) != 0) {
        pertes << QStringLiteral("La musique de fond n'est pas exportée.");
    }
    if (q.Melange && !ordreExporte) {
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
                s.Propositions.push_back({texte, question.Juste(k)});
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

// A picture drawn larger than this would only weigh down the export.
constexpr int kCoteMaxDessin = 1600;

QByteArray EnPng(const QString& chemin) {
    ScaledPicture image;
    image.LoadFromFile(chemin);
    QSize taille(image.Width(), image.Height());
    if (taille.width() > kCoteMaxDessin || taille.height() > kCoteMaxDessin) {
        taille = TaillePhoto(taille.width(), taille.height(), kCoteMaxDessin);
    }
    const QImage dessin = image.Render(taille);
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (dessin.isNull() || !dessin.save(&tampon, "PNG")) {
        throw EEchange(QStringLiteral("image vide"));
    }
    return octets;
}

} // namespace

std::optional<ImageSortie> ImagePourSortie(const QString& dossier, const QuestionSortie& question,
                                           std::span<const QLatin1StringView> gardees,
                                           QStringList& pertes) {
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
    const QString extension = TPicture::Extension(question.Image).toLower();
    try {
        if (std::find(gardees.begin(), gardees.end(), extension) != gardees.end()) {
            return ImageSortie{question.Image, ReadWholeFile(chemin, kMaxFileBytes)};
        }
        const qsizetype point = question.Image.lastIndexOf(QLatin1Char('.'));
        const QString base = point < 0 ? question.Image : question.Image.left(point);
        return ImageSortie{base + QStringLiteral(".png"), EnPng(chemin)};
    } catch (const Exception& e) {
        pertes << SurQuestion(question.Numero,
                              QStringLiteral("l'image « %1 » ne peut pas être lue (%2), elle "
                                             "n'est pas exportée.")
                                  .arg(question.Image, e.Message()));
        return std::nullopt;
    }
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
