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
#include "LauncherTestBundle.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace ViewTest {

// Game information with a revision, build-line colour and position of the test's choosing.
inline std::string gameInformation(const std::string& name = "Test Game",
                                   const std::string& revision = "1.0.3") {
    return "Application ID=1234\n"
           "Application Name=" +
           name +
           "\n"
           "Developer Channel ID=7\n"
           "Application Price=4.99\n"
           "App Version String=" +
           revision +
           "\n"
           "Application Exec Path=Game.app\n"
           "Font Color Build=FFFFFF\n"
           "Build X=20\n"
           "Build Y=500\n"
           "Brand X=40\n"
           "Brand Y=60\n";
}

inline std::string recordingPlugin() {
    return LauncherTest::testPluginPath("kxtest-recording.so");
}

inline LauncherTest::BundleOptions bundleOptions(const std::string& information) {
    LauncherTest::BundleOptions options;
    options.gameInformation = information;
    options.pluginPath = recordingPlugin();
    return options;
}

// The launcher's window with the controller's two views, in start-up's order: the plug-in
// host first (the game-center view talks to it as soon as it exists), then window and views.
// The bundle must hold the recording plug-in.
class ViewScene {
public:
    explicit ViewScene(const LauncherTest::LauncherTestBundle& bundle) {
        bundle.makeMainBundle();
        pluginStatus = KX_Initialize(1234, "Test Game", 7, 4.99f, 1);
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

    void click(int x, int y) {
        view->MainButtonsMouseMove(x, y);
        view->MainButtonsMouseDown(x, y);
        view->MainButtonsMouseUp(x, y);
    }

    WindowRef window = nullptr;
    HIViewRef content = nullptr;
    GameWrapperView* view = nullptr;
    OSStatus createStatus = noErr;
    unsigned short pluginStatus = 0;
    std::vector<UInt32> pixels;
};

// Colours within a JPEG's rounding of each other.
inline bool near(UInt32 actual, UInt32 expected, int tolerance = 8) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = static_cast<int>((actual >> shift) & 0xFF);
        int e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) {
            return false;
        }
    }
    return true;
}

// Lines of the recording plug-in's log that start with prefix.
inline int countCalls(const std::string& logFile, const std::string& prefix) {
    std::ifstream in(logFile);
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.compare(0, prefix.size(), prefix) == 0;
    }
    return count;
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
