#include "DXDraw.h"

#include "platform/Garde.h"

#include <QEvent>

#include <algorithm>

namespace qcm::display {

using enum TDXDrawOption;

namespace {

// The options that only the initialization reads.
constexpr TDXDrawOptions kInitOptions{
    doFullScreen, doNoWindowChange, doAllowReboot, doAllowPalette256, doSystemMemory, doFlip,
    do3D,         doRetainedMode,   doHardware,    doSelectDriver,    doZBuffer};

QString Fill(const char* format, const QString& what) {
    return QString::fromUtf8(format).arg(what);
}

} // namespace

TDXDrawOptions EffectiveOptions(TDXDrawOptions designed) {
    TDXDrawOptions o = designed;
    if (!o.Has(doFullScreen)) {
        o = o.Without({doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip});
    }
    if (!o.Has(do3D)) {
        o = o.Without({doRetainedMode, doHardware, doSelectDriver, doZBuffer});
    }
    if (o.Has(doSystemMemory)) {
        o = o.Without({doFlip});
    }
    return o.Without({doHardware});
}

// ------------------------------------------------------------ TDXDrawDisplay

void TDXDrawDisplay::SetWidth(int w) {
    width_ = std::max(w, 0);
}

void TDXDrawDisplay::SetHeight(int h) {
    height_ = std::max(h, 0);
}

void TDXDrawDisplay::SetBitCount(int b) {
    if (b == 8 || b == 16 || b == 24 || b == 32) {
        bitCount_ = b;
    }
}

const std::vector<DisplayMode>& TDXDrawDisplay::Modes() {
    if (modes_.empty()) {
        modes_ = Device().EnumerateModes();
        std::stable_sort(modes_.begin(), modes_.end(),
                         [](const DisplayMode& a, const DisplayMode& b) {
                             return std::tie(a.width, a.height, a.bitCount) <
                                    std::tie(b.width, b.height, b.bitCount);
                         });
    }
    return modes_;
}

bool TDXDrawDisplay::SetModeExactly(int w, int h, int bitCount) {
    if (!Device().SetMode({w, h, bitCount})) {
        return false;
    }
    width_ = w;
    height_ = h;
    bitCount_ = bitCount;
    return true;
}

bool TDXDrawDisplay::SetFirstQualifying(int w, int h, int bitCount, bool sameRatio) {
    for (const DisplayMode& m : Modes()) {
        // Same shape, compared without division.
        if (sameRatio && static_cast<qint64>(m.width) * h != static_cast<qint64>(w) * m.height) {
            continue;
        }
        const bool size = FixedSize ? m.width == w && m.height == h : m.width >= w && m.height >= h;
        bool bits = m.bitCount == bitCount;
        if (!FixedBitCount) {
            bits = bitCount >= 9 ? m.bitCount >= 9 : m.bitCount >= bitCount;
        }
        if (size && bits) {
            return SetModeExactly(m.width, m.height, m.bitCount);
        }
    }
    return false;
}

bool TDXDrawDisplay::SetModeWithFallbacks(int w, int h, int bitCount) {
    if (w <= 0 || h <= 0 || (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        return false;
    }
    if (SetModeExactly(w, h, bitCount)) {
        return true;
    }
    if (FixedRatio && SetFirstQualifying(w, h, bitCount, true)) {
        return true;
    }
    return SetFirstQualifying(w, h, bitCount, false);
}

// ------------------------------------------------------------------- TDXDraw

QString TDXDraw::FailureReport(const QString& message) const {
    return QStringLiteral("Impossible de passer en plein écran %1 × %2, %3 bits : QCM s'ouvre "
                          "dans une fenêtre.\n%4")
        .arg(Display.Width())
        .arg(Display.Height())
        .arg(Display.BitCount())
        .arg(message);
}

TDXDraw::TDXDraw(QWidget* parent) : QWidget(parent) {
    SetOptions({doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
    resize(100, 100);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    Hook();
}

TDXDraw::~TDXDraw() {
    Finalize();
}

void TDXDraw::SetOptions(TDXDrawOptions options) {
    options_ = options;
    if (initialized_) {
        nowOptions_ = nowOptions_.Only(kInitOptions).With(options.Without(kInitOptions));
    } else {
        nowOptions_ = EffectiveOptions(options);
    }
}

void TDXDraw::Loaded() {
    if (AutoSize) {
        surfaceSize_ = size();
    }
    if (AutoInitialize && form_ == nullptr) {
        Initialize();
    }
}

void TDXDraw::Hook() {
    if (form_ != nullptr) {
        form_->removeEventFilter(this);
    }
    form_ = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (form_ != nullptr) {
        form_->installEventFilter(this);
    }
}

bool TDXDraw::event(QEvent* e) {
    if (e->type() == QEvent::ParentChange) {
        Hook();
    }
    return QWidget::event(e);
}

bool TDXDraw::eventFilter(QObject* watched, QEvent* e) {
    if (watched != form_) {
        return QWidget::eventFilter(watched, e);
    }
    switch (e->type()) {
    case QEvent::Show:
        if (AutoInitialize && !tried_) {
            // A failure is shown and the window goes on as an ordinary one.
            platform::Proteger([this] {
                try {
                    Initialize();
                } catch (const core::Exception& e) {
                    platform::AfficherErreur(FailureReport(e.Message()));
                }
            });
        }
        break;
    case QEvent::WindowDeactivate:
        if (initialized_ && nowOptions_.Has(doFullScreen) && nowOptions_.Has(doFlip)) {
            Device().FlipToGdiSurface();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void TDXDraw::Initialize() {
    tried_ = true;
    Finalize();
    initializing_ = true;
    try {
        InitializeSteps();
    } catch (...) {
        Finalize();
        initializing_ = false;
        throw;
    }
    initializing_ = false;
    initialized_ = true;
    Device().Restore();
}

void TDXDraw::InitializeSteps() {
    if (form_ == nullptr) {
        throw EDXDrawError(QString::fromUtf8("フォームが見つかりません"));
    }
    DisplayDevice& device = Device();
    switch (device.Create()) {
    case DisplayDevice::Creation::Ok:
        break;
    case DisplayDevice::Creation::LibraryMissing:
        throw core::Exception(Fill("%1 を読み込めません", QStringLiteral("DDraw.dll")));
    case DisplayDevice::Creation::CreateFailed:
        throw EDirectDrawError(Fill("%1 を初期化できません", QStringLiteral("DirectDraw")));
    case DisplayDevice::Creation::VersionTooOld:
        throw EDirectDrawError(QString::fromUtf8("DirectX 6 以降が必要です"));
    }

    unsigned flags = level::kNormal;
    if (nowOptions_.Has(doFullScreen)) {
        flags = level::kFullScreen | level::kExclusive | level::kAllowModeX;
    }
    if (nowOptions_.Has(doNoWindowChange)) {
        flags |= level::kNoWindowChanges;
    }
    if (nowOptions_.Has(doAllowReboot)) {
        flags |= level::kAllowReboot;
    }
    device.SetCooperativeLevel(form_, flags);

    if (nowOptions_.Has(doFullScreen) &&
        !Display.SetModeWithFallbacks(Display.Width(), Display.Height(), Display.BitCount())) {
        throw EDXDrawError(QString::fromUtf8("ディスプレイモードを変更できません (%1x%2 %3bit)")
                               .arg(Display.Width())
                               .arg(Display.Height())
                               .arg(Display.BitCount()));
    }
    if (AutoSize) {
        surfaceSize_ = size();
    }

    if (!device.CreatePrimarySurface()) {
        throw EDirectDrawError(
            Fill("%1 を作成できません", QString::fromUtf8("プライマリサーフェース")));
    }
    if (!device.CreateClipper(this)) {
        throw EDirectDrawClipperError(Fill("%1 を作成できません", QString::fromUtf8("クリッパー")));
    }
    if (!device.CreateBackSurface(surfaceSize_, false) &&
        !device.CreateBackSurface(surfaceSize_, true)) {
        throw EDirectDrawError(Fill("%1 を作成できません", QString::fromUtf8("サーフェース")));
    }
}

void TDXDraw::Finalize() {
    if ((!initialized_ && !initializing_) || finalizing_) {
        return;
    }
    Display.ClearModes();
    finalizing_ = true;
    Device().Release();
    initialized_ = false;
    nowOptions_ = EffectiveOptions(options_);
    finalizing_ = false;
}

} // namespace qcm::display
