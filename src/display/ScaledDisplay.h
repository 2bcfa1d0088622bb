#pragma once

#include "DisplayDevice.h"
#include "Monitors.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <memory>

class QWindow;

namespace qcm::display {

// Qt draws nothing on an X screen of fewer bits per pixel (an 8-bit one).
inline constexpr int kLeastDepth = 15;

// What the program makes of an X screen: the factor by which its windows
// are scaled, the largest that fits 640 x 480 onto the screen with its
// proportions kept (0 for none: a smaller screen), or why it cannot run
// there at all.
struct ScreenPlan {
    double scale = 0;
    QString refusal;
};
ScreenPlan PlanFor(QSize screen, int depth);

// Before the application object exists: asks the X server for its screen
// and monitors and sets the scale that PlanFor gives for the stage's area. Returns the refusal, in
// which case the program must stop. Does nothing without an X display or on another platform.
QString PrepareScaling();
// Once the application object exists.
void EndPreparation();
// The factor PrepareScaling set; 0 when it set none.
double PreparedScale();

// The real device. The monitor's own mode is never changed, so nothing is
// left changed if the program is killed: "setting" 640 x 480 puts a black
// window over the stage's whole monitor and centres the scaled editor on
// it; releasing takes the black window away. Minimizing the window brings the desktop back until it
// is restored. Without the prepared scaling it offers no mode.
class ScaledDisplay : public QObject, public DisplayDevice {
public:
    ScaledDisplay();
    ~ScaledDisplay() override;

    Creation Create() override;
    int SetCooperativeLevel(QWidget* window, unsigned flags) override;
    std::vector<DisplayMode> EnumerateModes() override;
    bool SetMode(const DisplayMode& mode) override;
    bool CreatePrimarySurface() override;
    bool CreateClipper(QWidget* window) override;
    bool CreateBackSurface(QSize size, bool systemMemory) override;
    int Restore() override;
    int FlipToGdiSurface() override;
    void Release() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool Usable();
    void ShowBackdrop();
    void DropBackdrop();

    QPointer<QWidget> window_;
    std::unique_ptr<QWindow> backdrop_;
    bool modeSet_ = false;
};

} // namespace qcm::display
