#pragma once

#include <QRect>
#include <QString>

#include <vector>

namespace qcm::display {

// A monitor as the window system lists it, in the X screen's pixels.
struct Monitor {
    QString name;
    QRect rect;
    bool primary = false;
};

// Where the program shows itself: the monitor its backdrop covers, and
// the part of it that every monitor mirroring it shows too, where the
// editor goes.
struct Stage {
    QString name;
    QRect monitor;
    QRect area;
};

// The primary monitor (the first listed when none is), unless it is
// smaller than 640 x 480 and another is not. Monitors overlapping it cut
// its area as long as 640 x 480 still fits. Without monitors, the whole
// screen.
Stage StageFor(const std::vector<Monitor>& monitors, QSize screen);

} // namespace qcm::display
