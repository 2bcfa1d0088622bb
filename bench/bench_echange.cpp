// A 30-question questionnaire with 30 photographs (JPEG, 1600 x 1200):
// export to each format and print to PDF, the best of a few runs. A format
// whose exporter is not there yet is skipped with its message.
// usage: bench_echange [REPETITIONS]
#include "exchange/Export.h"
#include "exchange/Impression.h"

#include "../tests/pictures/JpegTestFiles.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>

using namespace qcm;
using namespace qcm::exchange;
using namespace qcm::model;

namespace {

using Horloge = std::chrono::steady_clock;

// The best time of repetitions runs of action, in milliseconds, and the
// size of what it made.
std::pair<double, qsizetype> Mesurer(int repetitions, const std::function<QByteArray()>& action) {
    double meilleur = std::numeric_limits<double>::max();
    qsizetype taille = 0;
    for (int i = 0; i < repetitions; ++i) {
        const auto debut = Horloge::now();
        taille = action().size();
        meilleur = std::min(
            meilleur, std::chrono::duration<double, std::milli>(Horloge::now() - debut).count());
    }
    return {meilleur, taille};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dossier;
    TQuestionnaire q;
    ViderQuestionnaire(q);
    q.Titre = QStringLiteral("Banc d'essai");
    q.Auteur = QStringLiteral("QCM");
    qint64 octetsImages = 0;
    const QImage fond = testing::PhotoLike(1600, 1200);
    for (int n = 1; n <= kMaxQuestions; ++n) {
        QImage photo = fond;
        {
            QPainter p(&photo);
            p.setFont(QFont(QStringLiteral("DejaVu Sans"), 120));
            p.drawText(photo.rect(), Qt::AlignCenter, QString::number(n));
        }
        const QByteArray jpeg = testing::EncodeJpeg(photo, {.quality = 85});
        octetsImages += jpeg.size();
        QFile f(dossier.filePath(QStringLiteral("image %1.jpg").arg(n)));
        if (!f.open(QIODevice::WriteOnly) || f.write(jpeg) != jpeg.size()) {
            std::fputs("cannot write the pictures\n", stderr);
            return 1;
        }
        TQuestion& question = q.Question(n);
        question.Enonce =
            QStringLiteral("Question numéro %1 : que montre la photographie ?").arg(n);
        question.Image = QStringLiteral("image %1.jpg").arg(n);
        question.Unique = n % 2 == 0;
        for (int k = 1; k <= kMaxReponses; ++k) {
            question.Reponse(k) = QStringLiteral("Proposition %1 de la question %2").arg(k).arg(n);
            question.Juste(k) = k == 1 || (!question.Unique && k == 3);
        }
        question.Commentaire = QStringLiteral("Regarder le nombre au centre.");
    }
    std::printf("30 questions, 30 JPEG de 1600 x 1200 (%.1f Mo), meilleur de %d\n",
                static_cast<double>(octetsImages) / 1e6, repetitions);
    for (const char* nom : {"gift", "moodle", "amc", "html", "scorm12", "scorm2004"}) {
        const FormatExport format = *FormatNomme(QString::fromLatin1(nom));
        try {
            const auto [ms, taille] =
                Mesurer(repetitions, [&] { return Exporter(q, dossier.path(), format); });
            std::printf("export %-9s %8.1f ms  %9lld octets\n", nom, ms,
                        static_cast<long long>(taille));
        } catch (const core::Exception& e) {
            std::printf("export %-9s ignoré : %s\n", nom, qPrintable(e.Message()));
        }
    }
    for (const auto corrige : {Corrige::Sans, Corrige::Avec}) {
        const auto [ms, taille] =
            Mesurer(repetitions, [&] { return ImprimerPdf(q, dossier.path(), corrige); });
        std::printf("print %-7s %8.1f ms  %9lld octets\n",
                    corrige == Corrige::Avec ? "corrigé" : "élève", ms,
                    static_cast<long long>(taille));
    }
    return 0;
}
