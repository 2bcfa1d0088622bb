#include "XScreen.h"

// Xlib last: its macros (None, Bool, Status...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace qcm::display {

namespace {

Display* early = nullptr;

// The monitors RandR 1.5 lists; none from an older server.
std::vector<Monitor> Monitors(Display* display) {
    std::vector<Monitor> list;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display, &event, &error) == 0 ||
        XRRQueryVersion(display, &major, &minor) == 0 || major < 1 || (major == 1 && minor < 5)) {
        return list;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; monitors != nullptr && i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        char* name = m.name != 0 ? XGetAtomName(display, m.name) : nullptr;
        list.push_back({QString::fromLocal8Bit(name != nullptr ? name : ""),
                        QRect(m.x, m.y, m.width, m.height), m.primary != 0});
        if (name != nullptr) {
            XFree(name);
        }
    }
    if (monitors != nullptr) {
        XRRFreeMonitors(monitors);
    }
    return list;
}

} // namespace

XScreen OpenXScreen() {
    CloseXScreen();
    XScreen screen;
    early = XOpenDisplay(nullptr);
    if (early == nullptr) {
        return screen;
    }
    const int number = DefaultScreen(early);
    screen.size = QSize(DisplayWidth(early, number), DisplayHeight(early, number));
    screen.depth = DefaultDepth(early, number);
    screen.monitors = Monitors(early);
    return screen;
}

void CloseXScreen() {
    if (early != nullptr) {
        XCloseDisplay(early);
        early = nullptr;
    }
}

} // namespace qcm::display
