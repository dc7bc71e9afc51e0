// The game-center view: the plug-in's frames on the window pixel for pixel, one frame call and
// one image per draw, the timer that pulls frames only while the view is shown and not after
// shutdown, and the return to the start page when the plug-in ends the menu session.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

using LauncherTest::LauncherTestBundle;
using LauncherTest::recordedDuring;
using namespace ViewTest;

namespace {

// The recording plug-in's frame n: red x, green y, blue n; white at the last mouse position.
int mismatchedPixels(ViewScene& scene, UInt32 frame, int mouseX, int mouseY) {
    std::vector<UInt32> pixels = scene.pixels();
    int mismatches = 0;
    for (int y = 0; y < 540; ++y) {
        for (int x = 0; x < 720; ++x) {
            UInt32 expected = (x == mouseX && y == mouseY)
                                  ? 0xFFFFFFu
                                  : (UInt32(x & 0xFF) << 16) | (UInt32(y & 0xFF) << 8) | frame;
            mismatches += pixels[static_cast<size_t>(y) * 720 + x] != expected;
        }
    }
    return mismatches;
}

// The plug-in's calls while action ran, less the polls for the session's end, which the
// installed timer adds whenever it is due, and the host's own update checks.
std::string framesDuring(const std::function<void()>& action) {
    std::istringstream lines(LauncherTest::recordedDuring(action));
    std::string kept;
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("kxdll_IsTheMenuSessionComplete", 0) != 0 &&
            line.rfind("kxdll_IsASystemUpdateRequired", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

} // namespace

TEST(ViewGameCenter, FramesLandOnTheWindowAndTheTimerFollowsTheSession) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        // The game-center timer's step and the drawing it asks for.
        auto step = [&] {
            GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
            scene.draw();
        };
        const std::string frame = "kxdll_HandleMacEvent cntl 4\n"
                                  "kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0\n"
                                  "kxdll_GetNumberOfRectsToUpdate\n";
        checks.equal(scene.calls("kxdll_EnableWindowsMouseCursor 1"), 1,
                     "the view's initialisation enables the plug-in's cursor");
        checks.equal(recordedDuring([&] {
                         scene.draw();
                         step();
                     }),
                     std::string(),
                     "hidden: the timer neither marks the view nor polls the plug-in");
        view->DoOtherGames();
        KX_SetMousePosition(100, 200);
        checks.equal(framesDuring(step), frame, "one frame call with the buffer's geometry");
        checks.equal(mismatchedPixels(scene, 1, 100, 200), 0, "frame 1 pixel for pixel");
        CGContextRef kept = view->mGameCenterContext;
        checks.equal(framesDuring(step), frame, "a frame per step");
        checks.equal(mismatchedPixels(scene, 2, 100, 200), 0, "the image shows the new frame");

        // A hit test with another context keeps the first one and asks for a redraw.
        CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
        CGContextRef other = CGBitmapContextCreate(
            nullptr, 8, 8, 8, 32, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
        CGColorSpaceRelease(rgb);
        HIPoint where = CGPointMake(5, 5);
        checks.equal(framesDuring([&] {
                         LauncherTest::sendEvent(
                             kEventClassControl, kEventControlHitTest,
                             GetControlEventTarget(view->mGameCenterView),
                             {{kEventParamCGContextRef, typeCGContextRef, sizeof other, &other},
                              {kEventParamMouseLocation, typeHIPoint, sizeof where, &where}});
                         scene.draw();
                     }),
                     "kxdll_HandleMacEvent cntl 3\n" + frame,
                     "the hit test goes to the plug-in and redraws the view");
        CGContextRelease(other);
        checks.check(kept && view->mGameCenterContext == kept, "the first context kept");

        view->mShuttingDown = true;
        checks.equal(recordedDuring(step), std::string(), "nothing after shutdown began");
        view->mShuttingDown = false;
        // The installed timer pulls frames on its own while the loop runs.
        checks.check(LauncherTest::countLines(recordedDuring([] { RunCurrentEventLoop(0.3); }),
                                              "kxdll_DrawNextFrameIntoBuffer") > 0,
                     "the timer is installed");

        // The session ends after the next frame: the timer goes back to the start page.
        setenv("KXTEST_COMPLETE_AFTER_FRAMES", "1", 1);
        for (int frames = 0; frames < 3 && view->mInGameCenter; ++frames) {
            step();
        }
        checks.check(!view->mInGameCenter && HIViewIsVisible(view->mMainView) &&
                         !HIViewIsVisible(view->mGameCenterView),
                     "back on the start page");
        scene.redrawAll();
        checkPixels(checks, scene, {{2, 2, kBackground, "the start page's background"}});
        checks.equal(recordedDuring(step), std::string(), "no poll once back");

        // Once the controller is gone the timers find nothing to do.
        delete view;
        GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
        GameWrapperView::TimerAction_PlayGame(nullptr, nullptr);
        checks.check(GameWrapperView::GetExistingInstance() == nullptr,
                     "the timers make no new controller");
    });
}
