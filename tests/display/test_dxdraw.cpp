// The display component on a scripted device, alone and on the editor.
#include "display/DXDraw.h"
#include "display/DXForm.h"
#include "display/ScaledDisplay.h"
#include "display/ScriptedDevice.h"
#include "platform/MessageBoxes.h"

#include "../editor/Editeur.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace qcm;
using namespace qcm::display;
using enum qcm::display::TDXDrawOption;

namespace {

// A window with the component as the editor designs it.
struct Fenetre {
    ScriptedDevice device;
    platform::BoitesScriptees boites;
    std::unique_ptr<TDXForm> form = std::make_unique<TDXForm>();
    TDXDraw* draw = new TDXDraw(form.get());

    Fenetre() {
        form->resize(640, 480);
        draw->setGeometry(8, 232, 25, 33);
        draw->hide();
        draw->SetOptions({doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode,
                          doHardware, doSelectDriver});
        draw->Display.SetBitCount(16);
        draw->Loaded();
    }
    void Montrer() {
        form->show();
        QCoreApplication::processEvents();
    }
    QString Message() const {
        return boites.montrees.empty() ? QString() : boites.montrees[0].texte;
    }
};

// What the window shows when the display could not be taken: a French line,
// then the failure's own message.
QString Rapport(const char* message) {
    return QStringLiteral("Impossible de passer en plein écran 640 × 480, 16 bits : QCM s'ouvre "
                          "dans une fenêtre.\n") +
           QString::fromUtf8(message);
}

} // namespace

TEST(TDXDrawOptions, EffectiveSetsAndBitOrder) {
    EXPECT_EQ(TDXDrawOptions({doFullScreen}).Bits(), 1U);
    EXPECT_EQ(TDXDrawOptions({doCenter, doZBuffer}).Bits(), (1U << 7) | (1U << 13));
    const struct {
        TDXDrawOptions designed;
        TDXDrawOptions effective;
    } cas[] = {
        // The editor's design.
        {{doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware,
          doSelectDriver},
         {doFullScreen, doAllowReboot, doWaitVBlank, doCenter}},
        // A new component's.
        {{doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver},
         {doWaitVBlank, doCenter}},
        {{doFullScreen, doFlip, doSystemMemory, do3D, doHardware, doZBuffer},
         {doFullScreen, doSystemMemory, do3D, doZBuffer}},
        {{doNoWindowChange, doAllowPalette256, doFlip, doStretch}, {doStretch}},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(EffectiveOptions(c.designed).Bits(), c.effective.Bits()) << c.designed.Bits();
    }
    TDXDraw draw;
    EXPECT_EQ(draw.NowOptions(), TDXDrawOptions({doWaitVBlank, doCenter}));
    EXPECT_EQ(draw.Display.BitCount(), 8);
    draw.Display.SetBitCount(15);
    draw.Display.SetWidth(-4);
    EXPECT_EQ(draw.Display.BitCount(), 8);
    EXPECT_EQ(draw.Display.Width(), 0);
}

TEST(TDXDraw, ModeSearchFirstExactThenSameShapeThenAnyCovering) {
    const QString refus = Rapport("ディスプレイモードを変更できません (640x480 16bit)");
    const struct {
        std::vector<DisplayMode> modes;
        std::optional<DisplayMode> choisi;
    } cas[] = {
        {{{640, 480, 16}}, DisplayMode{640, 480, 16}},
        {{{1024, 768, 16}, {640, 480, 8}, {800, 600, 16}, {640, 480, 32}},
         DisplayMode{800, 600, 16}},
        // The 4:3 shape before a smaller one of another shape.
        {{{1024, 768, 16}, {720, 500, 16}}, DisplayMode{1024, 768, 16}},
        {{{1280, 1024, 16}, {640, 400, 16}}, DisplayMode{1280, 1024, 16}},
        {{{640, 480, 8}, {640, 480, 32}, {320, 240, 16}, {800, 600, 24}}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cas) {
        Fenetre f;
        f.device.modes = c.modes;
        f.Montrer();
        if (c.choisi) {
            EXPECT_EQ(f.device.mode, c.choisi);
            EXPECT_TRUE(f.draw->Initialized());
            EXPECT_TRUE(f.boites.montrees.empty());
            EXPECT_EQ(f.draw->Display.Width(), c.choisi->width);
        } else {
            // Reported; the window goes on in the desktop's mode.
            EXPECT_EQ(f.Message(), refus);
            EXPECT_FALSE(f.draw->Initialized());
            EXPECT_FALSE(f.device.mode.has_value());
            EXPECT_EQ(f.device.Count(QStringLiteral("Release")), 1);
            EXPECT_TRUE(f.form->isVisible());
        }
    }
}

TEST(TDXDraw, EachFailureReportedAndEverythingGivenBack) {
    using Creation = DisplayDevice::Creation;
    const struct {
        std::function<void(ScriptedDevice&)> script;
        const char* message;
    } cas[] = {
        {[](ScriptedDevice& d) { d.creation = Creation::LibraryMissing; },
         "DDraw.dll を読み込めません"},
        {[](ScriptedDevice& d) { d.creation = Creation::CreateFailed; },
         "DirectDraw を初期化できません"},
        {[](ScriptedDevice& d) { d.creation = Creation::VersionTooOld; },
         "DirectX 6 以降が必要です"},
        {[](ScriptedDevice& d) { d.primaryFails = true; },
         "プライマリサーフェース を作成できません"},
        {[](ScriptedDevice& d) { d.clipperFails = true; }, "クリッパー を作成できません"},
        {[](ScriptedDevice& d) { d.videoMemoryFails = d.systemMemoryFails = true; },
         "サーフェース を作成できません"},
        // In system memory when video memory fails: no failure.
        {[](ScriptedDevice& d) { d.videoMemoryFails = true; }, nullptr},
    };
    for (const auto& c : cas) {
        Fenetre f;
        c.script(f.device);
        f.Montrer();
        EXPECT_EQ(f.Message(), c.message == nullptr ? QString() : Rapport(c.message));
        EXPECT_EQ(f.draw->Initialized(), c.message == nullptr);
        EXPECT_TRUE(f.draw->InitializeTried());
        EXPECT_EQ(f.device.mode.has_value(), c.message == nullptr);
        f.form.reset();
        EXPECT_FALSE(f.device.mode.has_value());
    }
}

TEST(TDXDraw, OnceAtFirstShowingInOrderAndGivenBackAtDestruction) {
    Fenetre f;
    EXPECT_TRUE(f.device.calls.empty());
    f.Montrer();
    f.form->hide();
    f.Montrer();
    const std::vector<QString> attendus{"Create",
                                        "SetCooperativeLevel",
                                        "SetMode 640x480x16",
                                        "CreatePrimarySurface",
                                        "CreateClipper",
                                        "CreateBackSurface 25x33",
                                        "Restore"};
    EXPECT_EQ(f.device.calls, attendus);
    EXPECT_EQ(f.device.levelFlags, 0x53U);
    // Deactivation asks nothing without doFlip.
    QEvent desactive(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(f.form.get(), &desactive);
    EXPECT_EQ(f.device.Count(QStringLiteral("FlipToGdiSurface")), 0);
    f.form.reset();
    EXPECT_EQ(f.device.calls.back(), QStringLiteral("Release"));
    EXPECT_FALSE(f.device.mode.has_value());
}

TEST(TDXDraw, WithoutEnclosingWindowNoForm) {
    ScriptedDevice device;
    TDXDraw draw;
    EXPECT_THROW(
        {
            try {
                draw.Initialize();
            } catch (const EDXDrawError& e) {
                EXPECT_EQ(e.Message(), QString::fromUtf8("フォームが見つかりません"));
                throw;
            }
        },
        EDXDrawError);
    EXPECT_EQ(device.Count(QStringLiteral("Create")), 0);
}

TEST(TDXDraw, EditorSwitchesAtShowingAndRunsAsOrdinaryWindowOnFailure) {
    for (const bool modes : {true, false}) {
        test::Editeur e;
        if (!modes) {
            e.ecran.modes.clear();
        }
        e.Demarrer(test::Nouveau());
        EXPECT_EQ(e.depart->DXDraw1->NowOptions(),
                  TDXDrawOptions({doFullScreen, doAllowReboot, doWaitVBlank, doCenter}));
        EXPECT_EQ(e.depart->DXDraw1->geometry(), QRect(8, 232, 25, 33));
        EXPECT_EQ(e.ecran.mode.has_value(), modes);
        // The chooser ran either way, after the report.
        EXPECT_EQ(e.modal.montres.size(), 1U);
        EXPECT_EQ(e.Legendes().size(), modes ? 0U : 1U);
        e.depart.reset();
        EXPECT_FALSE(e.ecran.mode.has_value());
    }
}

TEST(ScaledDisplay, SmallScreenRunsInAWindowAndAnEightBitScreenIsRefused) {
    const struct {
        QSize ecran;
        int profondeur;
        double echelle;
        bool refus;
    } cas[] = {
        {{1920, 1080}, 24, 2.25, false}, {{640, 480}, 16, 1, false},  {{1280, 1024}, 32, 2, false},
        {{600, 400}, 24, 0, false},      {{639, 1200}, 24, 0, false}, {{1024, 768}, 8, 0, true},
        {{600, 400}, 8, 0, true},        {{1024, 768}, 4, 0, true},
    };
    for (const auto& c : cas) {
        const ScreenPlan plan = PlanFor(c.ecran, c.profondeur);
        EXPECT_DOUBLE_EQ(plan.scale, c.echelle) << c.ecran.width() << " " << c.profondeur;
        EXPECT_EQ(!plan.refusal.isEmpty(), c.refus) << c.ecran.width() << " " << c.profondeur;
        if (c.refus) {
            EXPECT_TRUE(plan.refusal.contains(QStringLiteral("%1 bits").arg(c.profondeur)));
        }
    }
}

TEST(ScaledDisplay, ScaleComesFromTheMonitorShowingTheEditor) {
    const QRect portable(0, 0, 1920, 1080);
    const struct {
        const char* disposition;
        std::vector<Monitor> ecrans;
        QRect fond, editeur;
        double echelle;
    } cas[] = {
        {"side by side",
         {{"A", portable, true}, {"B", {1920, 0, 1024, 768}, false}},
         portable,
         portable,
         2.25},
        {"projector primary",
         {{"A", portable, false}, {"B", {1920, 0, 1024, 768}, true}},
         {1920, 0, 1024, 768},
         {1920, 0, 1024, 768},
         1.6},
        {"stacked",
         {{"A", portable, false}, {"B", {0, 1080, 1920, 1080}, true}},
         {0, 1080, 1920, 1080},
         {0, 1080, 1920, 1080},
         2.25},
        {"mirrored",
         {{"A", portable, true}, {"B", {0, 0, 1024, 768}, false}},
         portable,
         {0, 0, 1024, 768},
         1.6},
        {"small primary",
         {{"A", {0, 0, 600, 400}, true}, {"B", {600, 0, 1280, 1024}, false}},
         {600, 0, 1280, 1024},
         {600, 0, 1280, 1024},
         2},
        {"only small", {{"A", {0, 0, 600, 400}, true}}, {0, 0, 600, 400}, {0, 0, 600, 400}, 0},
        {"none listed", {}, {0, 0, 2944, 1080}, {0, 0, 2944, 1080}, 2.25},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.disposition);
        const Stage scene = StageFor(c.ecrans, {2944, 1080});
        EXPECT_EQ(scene.monitor, c.fond);
        EXPECT_EQ(scene.area, c.editeur);
        const ScreenPlan plan = PlanFor(scene.area.size(), 24);
        EXPECT_DOUBLE_EQ(plan.scale, c.echelle);
        EXPECT_TRUE(plan.refusal.isEmpty());
    }
}
