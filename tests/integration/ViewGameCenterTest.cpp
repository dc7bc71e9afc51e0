// The game-center view: the plug-in's frames on the window pixel for pixel, one frame call and
// one image per draw, the timer that pulls frames only while the view is shown and not after
// shutdown, and the return to the start page when the plug-in ends the menu session.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using LauncherTest::LauncherTestBundle;
using TestSupport::TempDir;
using namespace ViewTest;

namespace {

// The recording plug-in's frame n: red x, green y, blue n; white at the last mouse position.
int mismatchedPixels(ViewScene& scene, UInt32 frame, int mouseX, int mouseY) {
    scene.readPixels();
    int mismatches = 0;
    for (int y = 0; y < 540; ++y) {
        for (int x = 0; x < 720; ++x) {
            UInt32 expected = (x == mouseX && y == mouseY)
                                  ? 0xFFFFFFu
                                  : (UInt32(x & 0xFF) << 16) | (UInt32(y & 0xFF) << 8) | frame;
            mismatches += scene.pixels[static_cast<size_t>(y) * 720 + x] != expected;
        }
    }
    return mismatches;
}

OSStatus sendHitTest(HIViewRef view, CGContextRef context) {
    HIPoint where = CGPointMake(5, 5);
    return LauncherTest::sendEvent(
        kEventClassControl, kEventControlHitTest, GetControlEventTarget(view),
        {{kEventParamCGContextRef, typeCGContextRef, sizeof context, &context},
         {kEventParamMouseLocation, typeHIPoint, sizeof where, &where}});
}

} // namespace

TEST(ViewGameCenter, FramesLandOnTheWindowAndTheTimerFollowsTheSession) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        // The game-center timer's step and the drawing it asks for.
        auto step = [&] {
            GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
            scene.draw();
        };
        checks.equal(scene.calls("kxdll_EnableWindowsMouseCursor 1"), 1,
                     "the view's initialisation enables the plug-in's cursor");
        checks.check(view->mGameCenterBuffer != nullptr, "buffer allocated up front");

        // Hidden: the timer neither marks the view nor polls the plug-in.
        scene.draw();
        step();
        checks.equal(scene.calls("kxdll_IsTheMenuSessionComplete"), 0, "no poll while hidden");
        checks.equal(scene.calls("kxdll_DrawNextFrameIntoBuffer"), 0, "no frame while hidden");

        view->DoOtherGames();
        KX_SetMousePosition(100, 200);
        step();
        checks.equal(scene.calls("kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0"), 1,
                     "one frame call with the buffer's geometry");
        checks.equal(scene.calls("kxdll_GetNumberOfRectsToUpdate"), 1, "rectangles asked once");
        checks.equal(mismatchedPixels(scene, 1, 100, 200), 0, "frame 1 pixel for pixel");
        CGContextRef kept = view->mGameCenterContext;
        checks.check(kept != nullptr, "the draw event's context is kept");

        step();
        checks.equal(scene.calls("kxdll_DrawNextFrameIntoBuffer"), 2, "one frame call per draw");
        checks.equal(mismatchedPixels(scene, 2, 100, 200), 0,
                     "the image over the buffer shows the new frame");

        // A hit test with another context keeps the first one and asks for a redraw.
        CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
        CGContextRef other = CGBitmapContextCreate(
            nullptr, 8, 8, 8, 32, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
        CGColorSpaceRelease(rgb);
        OSStatus status = noErr;
        checks.equal(printedBy([&] { status = sendHitTest(view->mGameCenterView, other); }),
                     std::string("GWViewHandler::kEventControlHitTest DRAW \n"), "hit test line");
        checks.equal(status, noErr, "hit test handled");
        CGContextRelease(other);
        checks.check(view->mGameCenterContext == kept, "first context kept");
        checks.equal(scene.calls("kxdll_HandleMacEvent cntl 3"), 1,
                     "hit test forwarded to the plug-in");
        scene.draw();
        checks.equal(scene.calls("kxdll_DrawNextFrameIntoBuffer"), 3,
                     "the hit test redrew the view");

        // After shutdown has begun the timer does nothing.
        int polls = scene.calls("kxdll_IsTheMenuSessionComplete");
        view->mShuttingDown = true;
        step();
        checks.equal(scene.calls("kxdll_IsTheMenuSessionComplete"), polls,
                     "no poll after shutdown");
        checks.equal(scene.calls("kxdll_DrawNextFrameIntoBuffer"), 3, "no frame after shutdown");
        view->mShuttingDown = false;

        // The installed timer pulls frames on its own while the loop runs.
        RunCurrentEventLoop(0.3);
        checks.check(scene.calls("kxdll_DrawNextFrameIntoBuffer") > 3, "the timer is installed");

        // The session ends after the next frame: the timer goes back to the start page.
        setenv("KXTEST_COMPLETE_AFTER_FRAMES", "1", 1);
        for (int frame = 0; frame < 3 && view->mInGameCenter; ++frame) {
            step();
        }
        checks.check(!view->mInGameCenter, "back on the start page");
        checks.check(HIViewIsVisible(view->mMainView) && !HIViewIsVisible(view->mGameCenterView),
                     "main view shown, game-center view hidden");
        scene.redrawAll();
        checks.check(near(scene.pixel(2, 2), kBackground), "the start page is drawn");
        polls = scene.calls("kxdll_IsTheMenuSessionComplete");
        GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
        checks.equal(scene.calls("kxdll_IsTheMenuSessionComplete"), polls, "no poll once back");

        // Once the controller is gone the timers find nothing to do.
        delete view;
        GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
        GameWrapperView::TimerAction_PlayGame(nullptr, nullptr);
        checks.check(GameWrapperView::GetExistingInstance() == nullptr,
                     "the timers make no new controller");
        std::string printed = printedBy([&] { DisposeWindow(scene.window); });
        scene.window = nullptr;
        checks.check(printed.find("GWViewHandler::kEventHIObjectDestruct \n") != std::string::npos,
                     "the view's destruct line");
    });
}
