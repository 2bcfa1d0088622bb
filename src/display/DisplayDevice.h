#pragma once

#include <QSize>

#include <vector>

class QWidget;

// What the full-screen component asks of the display: the calls it makes,
// in its order, without the platform's types. The real device scales the
// program's windows onto the whole screen; tests install a scripted one.
namespace qcm::display {

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// Cooperative-level flags, with the values the component has always passed.
namespace level {
inline constexpr unsigned kFullScreen = 0x01;
inline constexpr unsigned kAllowReboot = 0x02;
inline constexpr unsigned kNoWindowChanges = 0x04;
inline constexpr unsigned kNormal = 0x08;
inline constexpr unsigned kExclusive = 0x10;
inline constexpr unsigned kAllowModeX = 0x40;
} // namespace level

class DisplayDevice {
public:
    enum class Creation { Ok, LibraryMissing, CreateFailed, VersionTooOld };

    virtual ~DisplayDevice() = default;
    // Loads what the device needs and makes the device object.
    virtual Creation Create() = 0;
    // Results of the calls below that return an int are only stored.
    virtual int SetCooperativeLevel(QWidget* window, unsigned flags) = 0;
    // In the device's own order; the component sorts them.
    virtual std::vector<DisplayMode> EnumerateModes() = 0;
    virtual bool SetMode(const DisplayMode& mode) = 0;
    virtual bool CreatePrimarySurface() = 0;
    virtual bool CreateClipper(QWidget* window) = 0;
    virtual bool CreateBackSurface(QSize size, bool systemMemory) = 0;
    virtual int Restore() = 0;
    virtual int FlipToGdiSurface() = 0;
    // Gives back surfaces, clipper and device: the desktop's mode returns.
    virtual void Release() = 0;
};

// The device in force: the real one unless a test installed another.
DisplayDevice& Device();
// Installs a device (not owned); nullptr brings back the real one.
void InstallDevice(DisplayDevice* device);

} // namespace qcm::display
