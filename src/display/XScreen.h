#pragma once

#include "Monitors.h"

#include <QSize>

#include <vector>

namespace qcm::display {

// The X screen and its monitors, with an empty size when there is no X
// display. The connection stays open until CloseXScreen: one closed just
// before Qt opens its own has made the server refuse Qt's now and then.
struct XScreen {
    QSize size;
    int depth = 0;
    std::vector<Monitor> monitors;
};
XScreen OpenXScreen();
void CloseXScreen();

} // namespace qcm::display
