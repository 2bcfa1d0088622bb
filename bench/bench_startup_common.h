#pragma once

// Prints, once the watched widget has painted for the first time, the wall
// clock in nanoseconds and the resident memory in KiB, then ends the process
// at once: the runner subtracts the time it started the process.
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

class MesurePeinture : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !vu_) {
            vu_ = true;
            // After the paint has been carried out and flushed.
            QTimer::singleShot(0, [] { Rapporter(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static long RssKio() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray& ligne : status.readAll().split('\n')) {
            if (ligne.startsWith("VmRSS:")) {
                return ligne.mid(6).trimmed().split(' ').value(0).toLong();
            }
        }
        return -1;
    }
    static void Rapporter() {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        std::printf("%lld %ld\n", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec,
                    RssKio());
        std::fflush(stdout);
        std::_Exit(0);
    }
    bool vu_ = false;
};
