#pragma once

#include "DisplayDevice.h"

#include <QString>

#include <optional>

namespace qcm::display {

// A device that behaves as scripted and remembers the calls made on it:
// by default one 640 x 480 x 16 mode and every call succeeds. Installs
// itself for its lifetime.
class ScriptedDevice : public DisplayDevice {
public:
    ScriptedDevice() { InstallDevice(this); }
    ~ScriptedDevice() override { InstallDevice(nullptr); }
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    // The script.
    Creation creation = Creation::Ok;
    std::vector<DisplayMode> modes{{640, 480, 16}};
    bool primaryFails = false;
    bool clipperFails = false;
    bool videoMemoryFails = false;
    bool systemMemoryFails = false;

    // What happened: the calls by name, the mode in force (none: the
    // desktop's) and the cooperative level's flags.
    std::vector<QString> calls;
    std::optional<DisplayMode> mode;
    unsigned levelFlags = 0;
    int Count(const QString& call) const;

    Creation Create() override;
    int SetCooperativeLevel(QWidget* window, unsigned flags) override;
    std::vector<DisplayMode> EnumerateModes() override;
    bool SetMode(const DisplayMode& m) override;
    bool CreatePrimarySurface() override;
    bool CreateClipper(QWidget* window) override;
    bool CreateBackSurface(QSize size, bool systemMemory) override;
    int Restore() override;
    int FlipToGdiSurface() override;
    void Release() override;
};

} // namespace qcm::display
