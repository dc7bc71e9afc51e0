// What the window controller's tests share: a launcher bundle made the main bundle, a 720 x 540
// window with the controller's views in its content view, the window's pixels, clicks on the
// start page and the recording plug-in's call log.
//
// The game information is cached for the whole process, so every scenario runs in a forked
// child (EXPECT_EXIT with GameWrapperTest::ChildChecks) with the game information it needs.
#pragma once

#include "GWTask.h"
#include "GameWrapperTestHelpers.h"
#include "GameWrapperView.h"
#include "KX_APIFunctionsMac.h"
#include "LauncherRun.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ViewTest {

// The launcher's window with the controller's two views, in start-up's order: the plug-in
// host first (the game-center view talks to it as soon as it exists), then window and views.
// The bundle must hold the recording plug-in; its record goes to "<bundle>.record".
class ViewScene {
public:
    explicit ViewScene(const LauncherTest::LauncherTestBundle& bundle)
        : record(bundle.path() + ".record") {
        setenv("KXTEST_RECORD_FILE", record.c_str(), 1);
        bundle.makeMainBundle();
        KX_Initialize(1234, "Test Game", 7, 4.99f, 1);
        Rect bounds{40, 40, 40 + 540, 40 + 720};
        createStatus = CreateNewWindow(kDocumentWindowClass,
                                       kWindowCloseBoxAttribute | kWindowCompositingAttribute,
                                       &bounds, &window);
        view = GameWrapperView::GetInstance();
        view->mWindow = window;
        HIViewRef root = HIViewGetRoot(window);
        if (HIViewFindByID(root, kHIViewWindowContentID, &content) != noErr) {
            content = root;
        }
        Rect port;
        GetWindowPortBounds(window, &port);
        createStatus = createStatus != noErr ? createStatus : view->CreateViews(content, &port);
        ShowWindow(window);
    }
    // The shutdown routine's order: the game, the plug-in, then the controller.
    ~ViewScene() {
        if (GameWrapperView* existing = GameWrapperView::GetExistingInstance()) {
            existing->mShuttingDown = true;
            if (GWTask* task = existing->mGameTask) {
                task->CloseAndCleanUp();
            }
        }
        KX_ShutDown();
        delete GameWrapperView::GetExistingInstance();
        if (window) {
            DisposeWindow(window);
        }
    }
    ViewScene(const ViewScene&) = delete;
    ViewScene& operator=(const ViewScene&) = delete;

    // Composites what changed, as the event loop does once per wake.
    void draw() { RunCurrentEventLoop(0); }
    void redrawAll() {
        HIViewSetNeedsDisplay(HIViewGetRoot(window), true);
        draw();
    }

    UInt32 pixel(int x, int y) {
        readPixels();
        return pixels[static_cast<size_t>(y) * 720 + static_cast<size_t>(x)];
    }
    void readPixels() {
        pixels.assign(720 * 540, 0);
        SInt32 width = 0;
        SInt32 height = 0;
        MacPlatformTestCopyWindowPixels(window, pixels.data(), pixels.size(), &width, &height);
    }

    // The number of calls the plug-in recorded that start with prefix.
    int calls(const std::string& prefix) const {
        return LauncherTest::countLines(TestSupport::readFile(record), prefix);
    }

    void click(int x, int y) {
        view->MainButtonsMouseMove(x, y);
        view->MainButtonsMouseDown(x, y);
        view->MainButtonsMouseUp(x, y);
    }

    std::string record;
    WindowRef window = nullptr;
    HIViewRef content = nullptr;
    GameWrapperView* view = nullptr;
    OSStatus createStatus = noErr;
    std::vector<UInt32> pixels;
};

using GameWrapperTest::ChildChecks;
using GameWrapperTest::near;

// A bundle's options with the game information given (see defaultGameInformation).
inline std::string gameInformation(const std::string& name = "Test Game",
                                   const std::string& revision = "1.0.3") {
    return LauncherTest::defaultGameInformation(name, revision);
}
inline LauncherTest::BundleOptions bundleOptions(const std::string& information) {
    return {.gameInformation = information};
}

// What action printed on standard output.
template <typename Action> std::string printedBy(Action action) {
    ::testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

// Runs body(scene, checks) in a forked child on a scene of the bundle; the run fails on a failed
// check, and (with leakCheck) on memory that nothing points to once the scene is gone. A
// nonzero clock freezes the test clock at that many microseconds before the scene is made.
template <typename Body>
void inScene(const LauncherTest::LauncherTestBundle& bundle, Body body, UInt64 clock = 0,
             bool leakCheck = true) {
    EXPECT_EXIT(
        {
            ChildChecks checks;
            if (clock != 0) {
                MacPlatformTestSetMicroseconds(true, clock);
            }
            {
                ViewScene scene(bundle);
                body(scene, checks);
            }
            if (leakCheck) {
                checks.checkNoLeaks();
            }
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

// The pictures LauncherTestBundle writes.
constexpr UInt32 kBackground = 0x203060;
constexpr UInt32 kButtonNormal = 0x808080;
constexpr UInt32 kButtonHover = 0xE0E000;
constexpr UInt32 kButtonPressed = 0xC00000;
constexpr UInt32 kBrandingLeft = 0xE0A020;
// 110 pixels wide buttons sit 6 pixels into their 122-pixel slots.
constexpr int kButtonTop = 465;
constexpr int kOtherGamesLeft = 583;
constexpr int kPlayGameLeft = 458;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;

} // namespace ViewTest
