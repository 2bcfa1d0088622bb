// The editor's start-up, up to the chooser painted over the editor window.
#include "bench_startup_common.h"

#include "dialogs/ChoixQCM.h"
#include "display/ScaledDisplay.h"
#include "editor/Programme.h"

#include <QElapsedTimer>

int main(int argc, char** argv) {
    // Where the time goes inside the process, on stderr.
    QElapsedTimer t;
    t.start();
    qcm::editor::Application app(argc, argv);
    const qint64 application = t.nsecsElapsed();
    qcm::editor::ChargerTraductions(app);
    const qint64 traductions = t.nsecsElapsed();
    qcm::editor::Programme programme;
    std::fprintf(stderr, "application %.1f ms, translations %.1f ms, windows %.1f ms\n",
                 application / 1e6, (traductions - application) / 1e6,
                 (t.nsecsElapsed() - traductions) / 1e6);
    // The reference is run at the same scale.
    std::fprintf(stderr, "scale %g\n", qcm::display::PreparedScale());
    MesurePeinture mesure;
    programme.Choix().installEventFilter(&mesure);
    programme.Show();
    return qcm::editor::Application::exec();
}
