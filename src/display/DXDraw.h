#pragma once

#include "DisplayDevice.h"
#include "core/Errors.h"

#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <vector>

namespace qcm::display {

// One bit each, in this order from bit 0.
enum class TDXDrawOption : unsigned {
    doFullScreen,
    doNoWindowChange,
    doAllowReboot,
    doWaitVBlank,
    doAllowPalette256,
    doSystemMemory,
    doStretch,
    doCenter,
    doFlip,
    do3D,
    doRetainedMode,
    doHardware,
    doSelectDriver,
    doZBuffer,
};

class TDXDrawOptions {
public:
    constexpr TDXDrawOptions() = default;
    constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
        for (TDXDrawOption o : options) {
            bits_ |= Bit(o);
        }
    }
    constexpr bool Has(TDXDrawOption o) const { return (bits_ & Bit(o)) != 0; }
    constexpr TDXDrawOptions Without(TDXDrawOptions o) const { return Raw(bits_ & ~o.bits_); }
    constexpr TDXDrawOptions Only(TDXDrawOptions o) const { return Raw(bits_ & o.bits_); }
    constexpr TDXDrawOptions With(TDXDrawOptions o) const { return Raw(bits_ | o.bits_); }
    constexpr unsigned Bits() const { return bits_; }
    friend constexpr bool operator==(TDXDrawOptions, TDXDrawOptions) = default;

private:
    static constexpr unsigned Bit(TDXDrawOption o) { return 1U << static_cast<unsigned>(o); }
    static constexpr TDXDrawOptions Raw(unsigned bits) {
        TDXDrawOptions r;
        r.bits_ = bits;
        return r;
    }
    unsigned bits_ = 0;
};

// The options in force for a designed set, while not initialized.
TDXDrawOptions EffectiveOptions(TDXDrawOptions designed);

class EDXDrawError : public core::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDXDrawError"; }
};
class EDirectDrawError : public core::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDirectDrawError"; }
};
class EDirectDrawClipperError : public core::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDirectDrawClipperError"; }
};

// The display settings: the mode asked for and the modes the device offers.
class TDXDrawDisplay {
public:
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    // Below 0 becomes 0.
    void SetWidth(int w);
    void SetHeight(int h);
    // Only 8, 16, 24 and 32 are taken.
    void SetBitCount(int b);
    bool FixedBitCount = true;
    bool FixedRatio = true;
    bool FixedSize = false;

    // Asked of the device on first use, sorted by width, height, bit count.
    const std::vector<DisplayMode>& Modes();
    void ClearModes() { modes_.clear(); }

    // Sets the mode as given; on success the settings take it.
    bool SetModeExactly(int w, int h, int bitCount);
    // SetModeExactly, else the first listed mode that qualifies, of the
    // same shape first with FixedRatio.
    bool SetModeWithFallbacks(int w, int h, int bitCount);

private:
    bool SetFirstQualifying(int w, int h, int bitCount, bool sameRatio);

    int width_ = 640;
    int height_ = 480;
    int bitCount_ = 8;
    std::vector<DisplayMode> modes_;
};

// The display-mode component: hidden on its window, it takes the whole
// display at the window's first showing and gives it back when the window
// goes. Failures are reported and the window runs as an ordinary one.
class TDXDraw : public QWidget {
    Q_OBJECT
public:
    explicit TDXDraw(QWidget* parent = nullptr);
    ~TDXDraw() override;

    TDXDrawOptions Options() const { return options_; }
    void SetOptions(TDXDrawOptions options);
    TDXDrawOptions NowOptions() const { return nowOptions_; }

    TDXDrawDisplay Display;
    bool AutoInitialize = true;
    bool AutoSize = true;
    QSize SurfaceSize() const { return surfaceSize_; }
    void SetSurfaceSize(QSize s) { surfaceSize_ = s; }

    // Raises on failure, having given back what it took.
    void Initialize();
    void Finalize();
    bool Initialized() const { return initialized_; }
    bool InitializeTried() const { return tried_; }

    // After the design has been applied.
    void Loaded();

    // What the window shows when the first showing failed to initialize:
    // a French line above the failure's own message.
    QString FailureReport(const QString& message) const;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Hook();
    void InitializeSteps();

    TDXDrawOptions options_;
    TDXDrawOptions nowOptions_;
    QSize surfaceSize_;
    QPointer<QWidget> form_;
    bool initialized_ = false;
    bool initializing_ = false;
    bool tried_ = false;
    bool finalizing_ = false;
};

} // namespace qcm::display
