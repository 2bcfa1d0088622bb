#include "ScaledDisplay.h"

#include "XScreen.h"
#include "platform/Environnement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qcm::display {

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

double prepared = 0;
Stage stage;

bool Holds(QSize size) {
    return size.width() >= kWidth && size.height() >= kHeight;
}

// The screen Qt made of the stage's monitor; the primary one when no
// screen bears its name.
QScreen* StageScreen() {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (!stage.name.isEmpty() && screen->name() == stage.name) {
            return screen;
        }
    }
    return QGuiApplication::primaryScreen();
}

// The stage's area in the screen's logical pixels.
QRect StageArea(const QScreen& screen) {
    const QRect g = screen.geometry();
    if (prepared <= 0 || stage.monitor.isEmpty()) {
        return g;
    }
    const QPointF offset = QPointF(stage.area.topLeft() - stage.monitor.topLeft()) / prepared;
    return QRect(g.topLeft() + offset.toPoint(), (QSizeF(stage.area.size()) / prepared).toSize()) &
           g;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Keeps a window not yet shown out of the taskbar and the pager: Qt keeps
// the states it finds when it adds its own at the showing.
void SkipTaskbarAndPager(QWindow& w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t states[] = {Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 Atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(c, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(w.winId()),
                        Atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, states);
    xcb_flush(c);
}

// Paints the backdrop black on the server's side: no pixels of our own.
void PaintBlack(QWindow& w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(w.winId());
    const uint32_t black = xcb_setup_roots_iterator(xcb_get_setup(c)).data->black_pixel;
    xcb_change_window_attributes(c, id, XCB_CW_BACK_PIXEL, &black);
    xcb_clear_area(c, 0, id, 0, 0, 0, 0);
    xcb_flush(c);
}

// Makes window transient for base (none: for nothing) on the server's side.
void StandOn(QWidget& window, const QWindow* base) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || window.windowHandle() == nullptr) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    if (base != nullptr) {
        const auto under = static_cast<xcb_window_t>(base->winId());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &under);
    } else {
        xcb_delete_property(c, id, XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(c);
}

// The black screen around the editor: not a window of its own for the
// desktop (no taskbar entry, never the focus). A click on it brings the
// editor back to the front.
class Backdrop : public QWindow {
public:
    explicit Backdrop(QWidget* editor) : editor_(editor) {
        setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        setTitle(QStringLiteral("QCM"));
        SkipTaskbarAndPager(*this);
    }

protected:
    void exposeEvent(QExposeEvent* /*event*/) override {
        if (isExposed()) {
            PaintBlack(*this);
        }
    }
    void mousePressEvent(QMouseEvent* /*event*/) override {
        if (editor_ != nullptr) {
            editor_->raise();
            editor_->activateWindow();
        }
    }

private:
    QPointer<QWidget> editor_;
};

} // namespace

ScreenPlan PlanFor(QSize screen, int depth) {
    ScreenPlan plan;
    if (depth < kLeastDepth) {
        plan.refusal = QStringLiteral("L'écran X n'a que %1 bits par pixel : QCM n'y dessinerait "
                                      "rien. Il lui faut un écran de 16 bits par pixel ou plus.")
                           .arg(depth);
        return plan;
    }
    const double scale = std::min(static_cast<double>(screen.width()) / kWidth,
                                  static_cast<double>(screen.height()) / kHeight);
    plan.scale = scale < 1 ? 0 : scale;
    return plan;
}

Stage StageFor(const std::vector<Monitor>& monitors, QSize screen) {
    if (monitors.empty()) {
        return {{}, QRect(QPoint(), screen), QRect(QPoint(), screen)};
    }
    std::vector<const Monitor*> order;
    for (const bool primary : {true, false}) {
        for (const Monitor& m : monitors) {
            if (m.primary == primary) {
                order.push_back(&m);
            }
        }
    }
    const auto holding = std::find_if(order.begin(), order.end(),
                                      [](const Monitor* m) { return Holds(m->rect.size()); });
    const Monitor& chosen = holding != order.end() ? **holding : *order.front();
    // A mirror smaller than the monitor shows only its part: the editor
    // stays within what both show.
    QRect area = chosen.rect;
    for (const Monitor& m : monitors) {
        const QRect cut = area & m.rect;
        if (&m != &chosen && !cut.isEmpty() && Holds(cut.size())) {
            area = cut;
        }
    }
    return {chosen.name, chosen.rect, area};
}

QString PrepareScaling() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((!platform.isEmpty() && !platform.startsWith("xcb")) ||
        qEnvironmentVariableIsEmpty("DISPLAY")) {
        return {};
    }
    const XScreen screen = OpenXScreen();
    if (screen.size.isEmpty()) {
        return {};
    }
    // The monitor that shows the editor sets the scale, not the whole
    // X screen that spans every monitor.
    const Stage chosen = StageFor(screen.monitors, screen.size);
    const ScreenPlan plan = PlanFor(chosen.area.size(), screen.depth);
    if (plan.scale <= 0) {
        return plan.refusal;
    }
    // Our factor alone: the desktop's own font scaling would add to it.
    // The programs the editor starts get the values it was given.
    platform::ChangerPourLeProgramme("QT_ENABLE_HIGHDPI_SCALING", "0");
    platform::ChangerPourLeProgramme("QT_SCALE_FACTOR", QByteArray::number(plan.scale, 'g', 10));
    platform::ChangerPourLeProgramme("QT_QPA_PLATFORM", "xcb");
    prepared = plan.scale;
    stage = chosen;
    return {};
}

void EndPreparation() {
    CloseXScreen();
}

double PreparedScale() {
    return prepared;
}

ScaledDisplay::ScaledDisplay() = default;
ScaledDisplay::~ScaledDisplay() = default;

bool ScaledDisplay::Usable() {
    if (prepared <= 0 || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return false;
    }
    const QScreen* screen = StageScreen();
    return screen != nullptr && Holds(screen->geometry().size());
}

DisplayDevice::Creation ScaledDisplay::Create() {
    return Creation::Ok;
}

int ScaledDisplay::SetCooperativeLevel(QWidget* window, unsigned flags) {
    if (window_ != nullptr) {
        window_->removeEventFilter(this);
    }
    window_ = (flags & level::kFullScreen) != 0 ? window : nullptr;
    if (window_ != nullptr) {
        window_->installEventFilter(this);
    }
    return 0;
}

std::vector<DisplayMode> ScaledDisplay::EnumerateModes() {
    std::vector<DisplayMode> modes;
    if (!Usable()) {
        return modes;
    }
    for (const QSize s : {QSize(640, 480), QSize(800, 600), QSize(1024, 768), QSize(1280, 1024)}) {
        for (int bits : {8, 16, 24, 32}) {
            modes.push_back({s.width(), s.height(), bits});
        }
    }
    return modes;
}

bool ScaledDisplay::SetMode(const DisplayMode& mode) {
    const std::vector<DisplayMode> modes = EnumerateModes();
    if (window_ == nullptr || std::find(modes.begin(), modes.end(), mode) == modes.end()) {
        return false;
    }
    modeSet_ = true;
    qApp->installEventFilter(this);
    ShowBackdrop();
    // Centred on the stage, over the panels the backdrop hides.
    if (QScreen* screen = StageScreen()) {
        const QRect area = StageArea(*screen);
        window_->move(area.x() + (area.width() - window_->width()) / 2,
                      area.y() + (area.height() - window_->height()) / 2);
    }
    return true;
}

void ScaledDisplay::ShowBackdrop() {
    if (backdrop_ == nullptr) {
        backdrop_ = std::make_unique<Backdrop>(window_);
    }
    QScreen* screen = StageScreen();
    backdrop_->setScreen(screen);
    // One more logical pixel: a fractional scale must not leave an edge.
    backdrop_->setGeometry(screen->geometry().adjusted(0, 0, 1, 1));
    backdrop_->setWindowStates(Qt::WindowFullScreen);
    backdrop_->setVisible(true);
    // The editor stands on the backdrop: window managers raise a
    // full-screen window over the panels while a window of its own is
    // active, and keep such a window above it.
    if (window_ != nullptr) {
        StandOn(*window_, backdrop_.get());
        // Qt clears the property of an ordinary window as it maps it, which
        // comes next at the first showing.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (window_ != nullptr && backdrop_ != nullptr) {
                    StandOn(*window_, backdrop_.get());
                }
            },
            Qt::QueuedConnection);
    }
    if (window_ != nullptr && window_->isVisible()) {
        window_->raise();
        window_->activateWindow();
    }
}

void ScaledDisplay::DropBackdrop() {
    if (window_ != nullptr && backdrop_ != nullptr) {
        StandOn(*window_, nullptr);
    }
    backdrop_.reset();
}

bool ScaledDisplay::CreatePrimarySurface() {
    return modeSet_ || window_ == nullptr;
}

bool ScaledDisplay::CreateClipper(QWidget* /*window*/) {
    return true;
}

bool ScaledDisplay::CreateBackSurface(QSize /*size*/, bool /*systemMemory*/) {
    return true;
}

int ScaledDisplay::Restore() {
    return 0;
}

int ScaledDisplay::FlipToGdiSurface() {
    return 0;
}

void ScaledDisplay::Release() {
    if (window_ != nullptr) {
        window_->removeEventFilter(this);
    }
    DropBackdrop();
    window_ = nullptr;
    if (modeSet_) {
        qApp->removeEventFilter(this);
    }
    modeSet_ = false;
}

bool ScaledDisplay::eventFilter(QObject* watched, QEvent* event) {
    // A dialog of no parent (the chooser, the about box) stands on the
    // editor as a dialog of its own would: no entry of its own in the
    // taskbar, and the stage stays over the panels while it is active.
    if (event->type() == QEvent::Show && watched != window_ && window_ != nullptr &&
        window_->windowHandle() != nullptr) {
        auto* dialog = qobject_cast<QWidget*>(watched);
        if (dialog != nullptr && dialog->isWindow() && dialog->windowType() == Qt::Dialog &&
            dialog->windowHandle() != nullptr &&
            dialog->windowHandle()->transientParent() == nullptr) {
            dialog->windowHandle()->setTransientParent(window_->windowHandle());
        }
    }
    if (watched == window_ && modeSet_ && event->type() == QEvent::WindowStateChange) {
        if (window_->isMinimized()) {
            DropBackdrop();
        } else if (backdrop_ == nullptr) {
            ShowBackdrop();
        }
    }
    // A closed editor takes its black screen with it: left alone, that
    // window would keep the program running after its last window closed.
    if (watched == window_ && modeSet_ && !event->spontaneous()) {
        if (event->type() == QEvent::Hide) {
            DropBackdrop();
        } else if (event->type() == QEvent::Show && backdrop_ == nullptr &&
                   !window_->isMinimized()) {
            ShowBackdrop();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qcm::display
