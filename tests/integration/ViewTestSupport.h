// What the window controller's tests share: a launcher bundle made the main bundle, a 720 x 540
// window with the controller's views in its content view, the window's pixels, clicks on the
// start page and the recording plug-in's call log.
//
// The game information is cached for the whole process, so every scenario runs in a forked
// child (GameWrapperTest::inChild) with the game information it needs.
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
#include <initializer_list>
#include <string>
#include <vector>

namespace ViewTest {

// The launcher's window with the controller's two views, in start-up's order: the plug-in
// host first (the game-center view talks to it as soon as it exists), then window and views.
// The bundle must hold the recording plug-in; its record goes to "<bundle>.record".
class ViewScene {
public:
    explicit ViewScene(const LauncherTest::LauncherTestBundle& bundle) {
        LauncherTest::recordTo(bundle.path() + ".record");
        bundle.makeMainBundle();
        KX_Initialize(1234, "Test Game", 7, 4.99f, 1);
        Rect bounds{40, 40, 40 + 540, 40 + 720};
        createStatus = CreateNewWindow(kDocumentWindowClass,
                                       kWindowCloseBoxAttribute | kWindowCompositingAttribute,
                                       &bounds, &window);
        view = GameWrapperView::GetInstance();
        view->mWindow = window;
        HIViewRef content = nullptr;
        HIViewFindByID(HIViewGetRoot(window), kHIViewWindowContentID, &content);
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

    // The window's pixels, 0xRRGGBB, row by row.
    std::vector<UInt32> pixels() {
        std::vector<UInt32> all(720 * 540, 0);
        SInt32 width = 0;
        SInt32 height = 0;
        MacPlatformTestCopyWindowPixels(window, all.data(), all.size(), &width, &height);
        return all;
    }
    UInt32 pixel(int x, int y) { return pixels()[static_cast<size_t>(y) * 720 + x]; }

    // The number of calls the plug-in recorded that start with prefix.
    int calls(const std::string& prefix) const {
        return LauncherTest::countLines(LauncherTest::currentRecord(), prefix);
    }

    void click(int x, int y) {
        view->MainButtonsMouseMove(x, y);
        view->MainButtonsMouseDown(x, y);
        view->MainButtonsMouseUp(x, y);
    }

    WindowRef window = nullptr;
    GameWrapperView* view = nullptr;
    OSStatus createStatus = noErr;
};

using GameWrapperTest::ChildChecks;
using GameWrapperTest::near;

// Runs body(scene, checks) in a forked child on a scene of the bundle; the run fails on a failed
// check, and (with leakCheck) on memory that nothing points to once the scene is gone. A
// nonzero clock freezes the test clock at that many microseconds before the scene is made.
template <typename Body>
void inScene(const LauncherTest::LauncherTestBundle& bundle, Body body, UInt64 clock = 0,
             bool leakCheck = true) {
    GameWrapperTest::inChild(
        [&](ChildChecks& checks) {
            if (clock != 0) {
                MacPlatformTestSetMicroseconds(true, clock);
            }
            ViewScene scene(bundle);
            body(scene, checks);
        },
        leakCheck);
}

// A pixel the page should show: its place, its colour (0xRRGGBB) and what it is.
struct Probe {
    int x;
    int y;
    UInt32 colour;
    const char* what;
};
// Each probe's pixel within a JPEG's rounding of its colour.
inline void checkPixels(ChildChecks& checks, ViewScene& scene,
                        std::initializer_list<Probe> probes) {
    std::vector<UInt32> pixels = scene.pixels();
    for (const Probe& probe : probes) {
        UInt32 actual = pixels[static_cast<size_t>(probe.y) * 720 + probe.x];
        char line[160];
        std::snprintf(line, sizeof line, "%s at (%d, %d): expected %06X, got %06X", probe.what,
                      probe.x, probe.y, probe.colour, actual);
        checks.check(near(actual, probe.colour), line);
    }
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
