// The editor as a user meets it, on the real sound output: opens a
// questionnaire whose piece (one note, then a rest: one second a loop) plays,
// switches the music off, then leaves, the about box closed at once. Prints
// each step's wall-clock time in milliseconds for bench/son_reel.sh.
#include "dialogs/ChoixQCM.h"
#include "editor/Controles.h"
#include "editor/Depart.h"
#include "editor/Programme.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace qcm;

namespace {

void Marquer(const char* etape) {
    std::printf("%s %lld\n", etape, static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stdout);
}

bool Ecrire(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(octets) == octets.size();
}

// A piano note of half a second, then half a second of rest (480 ticks a
// beat at 120 beats a minute).
QByteArray Piece() {
    const QByteArray piste = QByteArray::fromHex("00c000"     // program 0
                                                 "00903c7f"   // note on
                                                 "83603c40"   // note off after 480
                                                 "8360ff2f00" // end of track 480 later
    );
    return QByteArray::fromHex("4d546864000000060000000101e0") + "MTrk" +
           QByteArray::fromHex("000000") + char(piste.size()) + piste;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: son_reel <empty folder> <seconds of music>\n");
        return 2;
    }
    const QString dossier = QString::fromLocal8Bit(argv[1]);
    const int secondes = QString::fromLatin1(argv[2]).toInt();
    if (!QDir(dossier).mkpath(QStringLiteral("Musical")) ||
        !Ecrire(dossier + QStringLiteral("/Musical/QCM.txt"),
                "Musical\r\n\r\n\r\nmelange=NON\r\nmusique=air.mid\r\n\r\nQ ?\r\n2\r\n"
                "unique=OUI\r\na\r\nb\r\n1\r\n\r\n") ||
        !Ecrire(dossier + QStringLiteral("/Musical/air.mid"), Piece()) ||
        !QDir::setCurrent(dossier)) {
        std::fprintf(stderr, "cannot prepare %s\n", argv[1]);
        return 1;
    }
    editor::Application app(argc, argv);
    // Boxes and modal dialogs answered here; the about box, without an
    // answer, closes as soon as it shows.
    platform::BoitesScriptees boites;
    platform::ExecuteurScripte modal;
    modal.Ajouter([](QDialog& d) {
        auto& c = dynamic_cast<dialogs::TChoixQCM&>(d);
        for (int i = 0; i < c.ListeReps->count(); ++i) {
            if (c.ListeReps->item(i)->text() == QStringLiteral("Musical")) {
                c.Liste->setCurrentRow(i);
            }
        }
        c.CHARGER->click();
        Marquer("ouvert");
    });
    auto programme = std::make_unique<editor::Programme>();
    editor::TDepart& depart = programme->Depart();
    QTimer::singleShot(secondes * 1000, [&] {
        depart.Son->click();
        Marquer("coupe");
    });
    QTimer::singleShot(secondes * 1000 + 3000, [&] {
        boites.Repondre(platform::Reponse::Ok);
        Marquer("fin");
        depart.Fin->click();
    });
    programme->Show();
    const int code = editor::Application::exec();
    Marquer("ferme");
    programme.reset();
    Marquer("sorti");
    for (const auto& b : boites.montrees) {
        std::printf("box: %s\n", qPrintable(b.texte));
    }
    return code;
}
