// A question whose picture is a 4000 x 3000 JPEG, drawn at the device size
// of a 1920 x 1080 screen (scale 2.25, unless QT_SCALE_FACTOR says
// otherwise): from the click on the next-question button to the painted
// window, next to libjpeg decoding the same file at full size and at the
// scale that covers the device size followed by a smooth resampling;
// navigating between two such questions; and the peak memory of showing
// one. Runs on the platform Qt is given (offscreen when there is no display).
// usage: bench_photo [REPETITIONS]
#include "dialogs/ChoixQCM.h"
#include "dialogs/Faide.h"
#include "display/ScriptedDevice.h"
#include "editor/Controles.h"
#include "editor/Depart.h"
#include "editor/Illustrations.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/MoteurSon.h"
#include "platform/Musique.h"
#include "platform/Sons.h"

#include "../tests/pictures/JpegTestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <malloc.h>

using namespace qcm;
using namespace qcm::editor;

namespace {

using Horloge = std::chrono::steady_clock;

double Ms(Horloge::time_point debut) {
    return std::chrono::duration<double, std::milli>(Horloge::now() - debut).count();
}

// A photograph with fine noise, so that the decoder has real work.
QByteArray PhotoJpeg(unsigned graine) {
    QImage image = qcm::testing::PhotoLike(4000, 3000);
    std::mt19937 hasard(graine);
    std::uniform_int_distribution<int> bruit(-12, 12);
    for (int y = 0; y < image.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = bruit(hasard);
            ligne[x] = qRgb(std::clamp(qRed(ligne[x]) + n, 0, 255),
                            std::clamp(qGreen(ligne[x]) - n, 0, 255),
                            std::clamp(qBlue(ligne[x]) + n, 0, 255));
        }
    }
    qcm::testing::JpegOptions options;
    options.quality = 90;
    return qcm::testing::EncodeJpeg(image, options);
}

// libjpeg at full size with its default settings, into a picture.
QSize DecoderJpeg(const QByteArray& octets) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr); // exits on error: the file is our own
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(octets.constData()),
                 static_cast<unsigned long>(octets.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage image(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW ligne = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &ligne, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image.size();
}

// What the editor has to do at least: libjpeg at the scale that covers
// size, then a smooth resampling to it.
QSize DecoderJpegReduit(const QByteArray& octets, QSize taille) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(octets.constData()),
                 static_cast<unsigned long>(octets.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    for (unsigned d = 8; d > 1; d /= 2) {
        if (cinfo.image_width / d >= static_cast<unsigned>(taille.width()) &&
            cinfo.image_height / d >= static_cast<unsigned>(taille.height())) {
            cinfo.scale_denom = d;
            break;
        }
    }
    jpeg_start_decompress(&cinfo);
    QImage image(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW ligne = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &ligne, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).size();
}

// Resident memory figures of this process, in KiB.
long Kio(const char* champ) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& ligne : status.readAll().split('\n')) {
        if (ligne.startsWith(champ)) {
            return ligne.mid(static_cast<qsizetype>(qstrlen(champ)))
                .trimmed()
                .split(' ')
                .value(0)
                .toLong();
        }
    }
    return -1;
}

// Starts the peak resident size again from the present one.
bool RemettrePic() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// Notes that a widget has painted.
class Peinture : public QObject {
public:
    bool vue = false;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::Paint) {
            vue = true;
        }
        return QObject::eventFilter(objet, evenement);
    }
};

struct Mesures {
    std::vector<double> ms;
    double Meilleure() const { return *std::min_element(ms.begin(), ms.end()); }
    double Mediane() const {
        std::vector<double> t = ms;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qputenv("QT_SCALE_FACTOR", "2.25");
    }
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    // A questionnaire of three questions: none, then two photographs.
    QTemporaryDir depart;
    QDir(depart.path()).mkdir(QStringLiteral("QCM1"));
    const QString dossier = depart.path() + QStringLiteral("/QCM1/");
    const QByteArray photo1 = PhotoJpeg(1);
    {
        QFile f(dossier + QStringLiteral("photo1.jpg"));
        f.open(QIODevice::WriteOnly);
        f.write(photo1);
        QFile g(dossier + QStringLiteral("photo2.jpg"));
        g.open(QIODevice::WriteOnly);
        g.write(PhotoJpeg(2));
        QFile q(dossier + QStringLiteral("QCM.txt"));
        q.open(QIODevice::WriteOnly);
        for (
            const char* l :
            {"Photos", "CM1",        "",    "melange=NON", "musique=", "",           "Sans image ?",
             "1",      "unique=OUI", "Oui", "1",           "",         "photo1.jpg", "Premiere ?",
             "1",      "unique=OUI", "Oui", "1",           "",         "photo2.jpg", "Deuxieme ?",
             "1",      "unique=OUI", "Oui", "1",           ""}) {
            q.write(l);
            q.write("\r\n");
        }
    }
    std::printf("photo1.jpg: 4000x3000, %lld bytes\n", static_cast<long long>(photo1.size()));
    malloc_trim(0);

    platform::BoitesScriptees boites;
    platform::ExecuteurScripte modal;
    // The window as drawn, without the full screen's scaling.
    display::ScriptedDevice ecran;
    model::EtatEditeur etat;
    etat.RepertoireDepart = depart.path();
    IllustrationsEditeur illustrations;
    platform::MoteurSon moteur{platform::SortieSon::Memoire};
    platform::Musique musique{moteur};
    platform::Sons sons{moteur};
    TDepart fenetre(etat, ServicesDepart{&illustrations, &musique, &sons});
    dialogs::TChoixQCM choix(etat.RepertoireDepart);
    choix.FormCreate();
    dialogs::TFaide apropos;
    fenetre.Brancher(&choix, &apropos);
    modal.Ajouter([](QDialog& d) {
        auto& c = dynamic_cast<dialogs::TChoixQCM&>(d);
        c.Liste->setCurrentRow(0);
        QTest::mouseClick(c.CHARGER, Qt::LeftButton);
    });
    fenetre.show();
    if (!QTest::qWaitForWindowExposed(&fenetre)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 1;
    }
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    if (etat.QuestionCourante != 1 || !boites.montrees.empty()) {
        std::fprintf(stderr, "the questionnaire did not open (question %d, %zu boxes: %s)\n",
                     etat.QuestionCourante, boites.montrees.size(),
                     boites.montrees.empty() ? "" : qPrintable(boites.montrees.front().texte));
        return 1;
    }

    Peinture peinture;
    fenetre.Photo->installEventFilter(&peinture);
    // Clicks a button and waits until the picture has painted.
    auto cliquer = [&](QAbstractButton* bouton) {
        peinture.vue = false;
        const auto debut = Horloge::now();
        QTest::mouseClick(bouton, Qt::LeftButton);
        while (!peinture.vue) {
            QCoreApplication::processEvents();
        }
        return Ms(debut);
    };

    // The first showing, with its memory.
    malloc_trim(0);
    const bool pic = RemettrePic();
    const long avant = Kio("VmRSS:");
    Mesures clic;
    clic.ms.push_back(cliquer(fenetre.FD));
    const long crete = pic ? Kio("VmHWM:") : -1;
    if (etat.QuestionCourante != 2 || fenetre.Photo->isHidden() ||
        fenetre.Photo->size() != QSize(320, 240)) {
        std::fprintf(stderr, "the picture was not shown\n");
        return 1;
    }
    const qreal echelle = fenetre.Photo->devicePixelRatioF();
    const QSize appareil = fenetre.Photo->pixmap().size();
    fenetre.FGClick();
    QCoreApplication::processEvents();

    Mesures libjpeg;
    Mesures reduit;
    for (int i = 0; i < repetitions; ++i) {
        auto debut = Horloge::now();
        DecoderJpeg(photo1);
        libjpeg.ms.push_back(Ms(debut));
        debut = Horloge::now();
        DecoderJpegReduit(photo1, appareil);
        reduit.ms.push_back(Ms(debut));
        if (i > 0) {
            clic.ms.push_back(cliquer(fenetre.FD));
            fenetre.FGClick();
            QCoreApplication::processEvents();
        }
    }

    // Between the two photographs.
    fenetre.FDClick();
    QCoreApplication::processEvents();
    Mesures navigation;
    for (int i = 0; i < repetitions; ++i) {
        navigation.ms.push_back(cliquer(fenetre.FD));
        navigation.ms.push_back(cliquer(fenetre.FG));
    }

    std::printf("platform %s, scale %g, picture 320x240 drawn at %dx%d, %d repetitions, "
                "best / median in ms\n",
                qPrintable(QGuiApplication::platformName()), echelle, appareil.width(),
                appareil.height(), repetitions);
    std::printf("click to painted window, 4000x3000 JPEG  %7.1f / %7.1f\n", clic.Meilleure(),
                clic.Mediane());
    std::printf("libjpeg full-size decode of that file    %7.1f / %7.1f\n", libjpeg.Meilleure(),
                libjpeg.Mediane());
    std::printf("libjpeg scaled decode + smooth resample  %7.1f / %7.1f\n", reduit.Meilleure(),
                reduit.Mediane());
    std::printf("back and forth between two such pictures %7.1f / %7.1f\n", navigation.Meilleure(),
                navigation.Mediane());
    if (crete >= 0) {
        std::printf("peak resident memory showing it: %ld KiB (%+ld KiB over the %ld KiB before; "
                    "a full-size decode is %d KiB)\n",
                    crete, crete - avant, avant, 4000 * 3000 * 4 / 1024);
    } else {
        std::printf("peak resident memory: not measurable here\n");
    }
    return 0;
}
