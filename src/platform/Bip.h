#pragma once

// The desktop's short warning sound, given when a keystroke is refused.
namespace qcm::platform {

void Bip();

// Counts the beeps instead of sounding them, while it lives.
class BipsComptes {
public:
    BipsComptes();
    ~BipsComptes();
    BipsComptes(const BipsComptes&) = delete;
    BipsComptes& operator=(const BipsComptes&) = delete;

    int bips = 0;
};

} // namespace qcm::platform
