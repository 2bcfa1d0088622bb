// The processor time the about box costs while it is shown with its logo
// playing on the real clock: the whole program's share of one core.
//
//   bench_faide [SECONDS]    (default 10; any Qt platform, offscreen by default)
#include "dialogs/Faide.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int seconds = argc >= 2 ? std::atoi(argv[1]) : 10;
    qcm::dialogs::TFaide faide;
    int compositions = 0;
    auto& logo = faide.Image1->Picture();
    const auto repeindre = logo.OnChange;
    logo.OnChange = [&] {
        ++compositions;
        repeindre();
    };
    faide.show();
    // Let the box appear and the painter start before measuring.
    QEventLoop attente;
    QTimer::singleShot(500, &attente, &QEventLoop::quit);
    attente.exec();

    compositions = 0;
    const double before = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = CpuSeconds() - before;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("about box shown %.1f s: %d compositions (%.1f per second), CPU %.3f s = %.2f %% "
                "of one core\n",
                elapsed, compositions, compositions / elapsed, cpu, 100.0 * cpu / elapsed);
    return 0;
}
