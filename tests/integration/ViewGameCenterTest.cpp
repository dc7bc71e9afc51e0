// The game-center view: the plug-in's frames on the window pixel for pixel, one frame call and
// one image per draw, the timer that pulls frames only while the view is shown and not after
// shutdown, and the return to the start page when the plug-in ends the menu session.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

using namespace ViewTest;

namespace {

// The recording plug-in's frame n: red x, green y, blue n; white at the last mouse position.
int mismatchedPixels(UInt32 frame, int mouseX, int mouseY) {
    std::vector<UInt32> pixels = windowPixels();
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
    std::istringstream lines(recordedDuring(action));
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
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            // The game-center timer's step and the drawing it asks for.
            auto step = [&] {
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                drawWindow();
            };
            const std::string frame = "kxdll_HandleMacEvent cntl 4\n"
                                      "kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0\n"
                                      "kxdll_GetNumberOfRectsToUpdate\n";
            checks.equal(countLines(currentRecord(), "kxdll_EnableWindowsMouseCursor 1"), 1,
                         "the view's initialisation enables the plug-in's cursor");
            checks.equal(recordedDuring(step), std::string(),
                         "hidden: the timer neither marks the view nor polls the plug-in");
            view->DoOtherGames();
            KX_SetMousePosition(100, 200);
            checks.equal(framesDuring(step), frame, "one frame call with the buffer's geometry");
            checks.equal(mismatchedPixels(1, 100, 200), 0, "frame 1 pixel for pixel");
            CGContextRef kept = view->mGameCenterContext;
            checks.equal(framesDuring(step), frame, "a frame per step");
            checks.equal(mismatchedPixels(2, 100, 200), 0, "the image shows the new frame");

            // A hit test with another context keeps the first one and asks for a redraw.
            CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
            CGContextRef other = CGBitmapContextCreate(
                nullptr, 8, 8, 8, 32, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
            CGColorSpaceRelease(rgb);
            HIPoint where = CGPointMake(5, 5);
            checks.equal(framesDuring([&] {
                             sendEvent(
                                 kEventClassControl, kEventControlHitTest,
                                 GetControlEventTarget(view->mGameCenterView),
                                 {{kEventParamCGContextRef, typeCGContextRef, sizeof other, &other},
                                  {kEventParamMouseLocation, typeHIPoint, sizeof where, &where}});
                             drawWindow();
                         }),
                         "kxdll_HandleMacEvent cntl 3\n" + frame,
                         "the hit test goes to the plug-in and redraws the view");
            CGContextRelease(other);
            checks.check(kept && view->mGameCenterContext == kept, "the first context kept");

            view->mShuttingDown = true;
            checks.equal(recordedDuring(step), std::string(), "nothing after shutdown began");
            view->mShuttingDown = false;
            // The session ends after the next frame: the timer goes back to the start page.
            setenv("KXTEST_COMPLETE_AFTER_FRAMES", "1", 1);
            for (int frames = 0; frames < 3 && view->mInGameCenter; ++frames) {
                step();
            }
            checks.check(!view->mInGameCenter && HIViewIsVisible(view->mMainView) &&
                             !HIViewIsVisible(view->mGameCenterView),
                         "back on the start page");
            drawWindow(true);
            checkPixels(checks, {{2, 2, kBackground, "the start page's background"}});
            checks.equal(recordedDuring(step), std::string(), "no poll once back");
        })));
}
