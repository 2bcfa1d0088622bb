#include "ScriptedDevice.h"

#include <algorithm>

namespace qcm::display {

int ScriptedDevice::Count(const QString& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

DisplayDevice::Creation ScriptedDevice::Create() {
    calls.emplace_back(QStringLiteral("Create"));
    return creation;
}

int ScriptedDevice::SetCooperativeLevel(QWidget* /*window*/, unsigned flags) {
    calls.emplace_back(QStringLiteral("SetCooperativeLevel"));
    levelFlags = flags;
    return 0;
}

std::vector<DisplayMode> ScriptedDevice::EnumerateModes() {
    calls.emplace_back(QStringLiteral("EnumerateModes"));
    return modes;
}

bool ScriptedDevice::SetMode(const DisplayMode& m) {
    calls.emplace_back(
        QStringLiteral("SetMode %1x%2x%3").arg(m.width).arg(m.height).arg(m.bitCount));
    if (std::find(modes.begin(), modes.end(), m) == modes.end()) {
        return false;
    }
    mode = m;
    return true;
}

bool ScriptedDevice::CreatePrimarySurface() {
    calls.emplace_back(QStringLiteral("CreatePrimarySurface"));
    return !primaryFails;
}

bool ScriptedDevice::CreateClipper(QWidget* /*window*/) {
    calls.emplace_back(QStringLiteral("CreateClipper"));
    return !clipperFails;
}

bool ScriptedDevice::CreateBackSurface(QSize size, bool systemMemory) {
    calls.emplace_back(QStringLiteral("CreateBackSurface %1x%2%3")
                           .arg(size.width())
                           .arg(size.height())
                           .arg(systemMemory ? QStringLiteral(" system") : QString()));
    return !(systemMemory ? systemMemoryFails : videoMemoryFails);
}

int ScriptedDevice::Restore() {
    calls.emplace_back(QStringLiteral("Restore"));
    return 0;
}

int ScriptedDevice::FlipToGdiSurface() {
    calls.emplace_back(QStringLiteral("FlipToGdiSurface"));
    return 0;
}

void ScriptedDevice::Release() {
    calls.emplace_back(QStringLiteral("Release"));
    mode.reset();
}

} // namespace qcm::display
