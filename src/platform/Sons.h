#pragma once

// The short sound played on leaving the editor. Sound output comes later;
// for now the call is counted, so the order of the quit steps can be checked.
namespace qcm::platform {

class Sons {
public:
    virtual ~Sons() = default;
    // Starts the leaving sound and returns at once.
    virtual void JouerDepart() = 0;
};

class SonsMuets : public Sons {
public:
    void JouerDepart() override { ++joues; }
    int joues = 0;
};

} // namespace qcm::platform
