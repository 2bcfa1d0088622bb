#include "XScreen.h"

// Xlib last: its macros (None, Bool, Status...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

namespace qcm::display {

namespace {

struct CloseDisplay {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct FreeMonitors {
    void operator()(XRRMonitorInfo* m) const { XRRFreeMonitors(m); }
};
struct FreeX {
    void operator()(char* p) const { XFree(p); }
};

std::unique_ptr<Display, CloseDisplay> early;

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
    const std::unique_ptr<XRRMonitorInfo, FreeMonitors> monitors(
        XRRGetMonitors(display, DefaultRootWindow(display), True, &count));
    for (int i = 0; monitors && i < count; ++i) {
        const XRRMonitorInfo& m = monitors.get()[i];
        const std::unique_ptr<char, FreeX> name(m.name != 0 ? XGetAtomName(display, m.name)
                                                            : nullptr);
        list.push_back({QString::fromLocal8Bit(name ? name.get() : ""),
                        QRect(m.x, m.y, m.width, m.height), m.primary != 0});
    }
    return list;
}

} // namespace

XScreen OpenXScreen() {
    CloseXScreen();
    XScreen screen;
    early.reset(XOpenDisplay(nullptr));
    Display* d = early.get();
    if (d == nullptr) {
        return screen;
    }
    const int number = DefaultScreen(d);
    screen.size = QSize(DisplayWidth(d, number), DisplayHeight(d, number));
    screen.depth = DefaultDepth(d, number);
    screen.monitors = Monitors(d);
    return screen;
}

void CloseXScreen() {
    early.reset();
}

} // namespace qcm::display
