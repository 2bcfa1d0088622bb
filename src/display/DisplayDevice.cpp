#include "DisplayDevice.h"

#include "ScaledDisplay.h"

namespace qcm::display {

namespace {
DisplayDevice* installed = nullptr;
} // namespace

DisplayDevice& Device() {
    if (installed != nullptr) {
        return *installed;
    }
    static ScaledDisplay real;
    return real;
}

void InstallDevice(DisplayDevice* device) {
    installed = device;
}

} // namespace qcm::display
