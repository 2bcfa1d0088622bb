// The full-screen device on a real X server (run under xvfb-run): the black
// backdrop is no window of its own for the desktop.
#include "display/DXForm.h"
#include "display/ScaledDisplay.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace qcm::display;

namespace {

xcb_connection_t* Connexion() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t Atome(const char* nom) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
        xcb_intern_atom_reply(
            Connexion(),
            xcb_intern_atom(Connexion(), 0, static_cast<uint16_t>(std::strlen(nom)), nom), nullptr),
        &std::free);
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window's property.
std::vector<uint32_t> Valeurs(const QWindow& w, xcb_atom_t propriete) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
        xcb_get_property_reply(Connexion(),
                               xcb_get_property(Connexion(), 0,
                                                static_cast<xcb_window_t>(w.winId()), propriete,
                                                XCB_ATOM_ANY, 0, 64),
                               nullptr),
        &std::free);
    if (!r || r->format != 32) {
        return {};
    }
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return {v, v + xcb_get_property_value_length(r.get()) / 4};
}

bool A(const std::vector<uint32_t>& valeurs, const char* atome) {
    return std::find(valeurs.begin(), valeurs.end(), Atome(atome)) != valeurs.end();
}

} // namespace

TEST(ScaledDisplay, BackdropIsNoSecondWindowInTheTaskbar) {
    ASSERT_GT(PreparedScale(), 0);
    TDXForm editeur;
    editeur.resize(640, 480);
    editeur.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editeur));
    ScaledDisplay device;
    device.SetCooperativeLevel(&editeur, level::kFullScreen);
    ASSERT_TRUE(device.SetMode({640, 480, 16}));
    QWindow* fond = nullptr;
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w != editeur.windowHandle() && w->isVisible()) {
            fond = w;
        }
    }
    ASSERT_NE(fond, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fond));

    const std::vector<uint32_t> etats = Valeurs(*fond, Atome("_NET_WM_STATE"));
    EXPECT_TRUE(A(etats, "_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_TRUE(A(etats, "_NET_WM_STATE_SKIP_PAGER"));
    EXPECT_TRUE(A(etats, "_NET_WM_STATE_FULLSCREEN"));
    // WM_HINTS: flags, then input; the focus is never given to it.
    const std::vector<uint32_t> indications = Valeurs(*fond, XCB_ATOM_WM_HINTS);
    ASSERT_GE(indications.size(), 2U);
    EXPECT_NE(indications[0] & 1U, 0U);
    EXPECT_EQ(indications[1], 0U);
    // The editor keeps its own entry.
    EXPECT_FALSE(
        A(Valeurs(*editeur.windowHandle(), Atome("_NET_WM_STATE")), "_NET_WM_STATE_SKIP_TASKBAR"));
    device.Release();
}

TEST(ScaledDisplay, EditorStandsOnTheBackdropAndParentlessDialogsOnTheEditor) {
    ASSERT_GT(PreparedScale(), 0);
    TDXForm editeur;
    editeur.resize(640, 480);
    editeur.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editeur));
    ScaledDisplay device;
    device.SetCooperativeLevel(&editeur, level::kFullScreen);
    ASSERT_TRUE(device.SetMode({640, 480, 16}));
    QWindow* fond = nullptr;
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w != editeur.windowHandle() && w->isVisible()) {
            fond = w;
        }
    }
    ASSERT_NE(fond, nullptr);
    QDialog choix;
    choix.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&choix));
    QCoreApplication::processEvents();
    // Window managers keep a full-screen window over the panels while a
    // window standing on it is active.
    EXPECT_EQ(Valeurs(*editeur.windowHandle(), XCB_ATOM_WM_TRANSIENT_FOR),
              std::vector<uint32_t>{static_cast<uint32_t>(fond->winId())});
    EXPECT_EQ(Valeurs(*choix.windowHandle(), XCB_ATOM_WM_TRANSIENT_FOR),
              std::vector<uint32_t>{static_cast<uint32_t>(editeur.winId())});
    choix.hide();
    device.Release();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Valeurs(*editeur.windowHandle(), XCB_ATOM_WM_TRANSIENT_FOR).empty());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (!PrepareScaling().isEmpty()) {
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    EndPreparation();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
