// The game-center view: the plug-in's frames on the window pixel for pixel, one frame call and
// one image per draw, the timer that pulls frames only while the view is shown and not after
// shutdown, and the return to the start page when the plug-in ends the menu session.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using GameWrapperTest::ChildChecks;
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
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassControl, kEventControlHitTest, 0, 0, &event);
    SetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, sizeof context, &context);
    HIPoint where = CGPointMake(5, 5);
    SetEventParameter(event, kEventParamMouseLocation, typeHIPoint, sizeof where, &where);
    OSStatus status = SendEventToEventTarget(event, GetControlEventTarget(view));
    ReleaseEvent(event);
    return status;
}

} // namespace

TEST(ViewGameCenter, FramesLandOnTheWindowAndTheTimerFollowsTheSession) {
    TempDir dir;
    std::string record = dir / "record.log";
    LauncherTestBundle bundle(dir.path(), bundleOptions(gameInformation()));
    EXPECT_EXIT(
        {
            setenv("KXTEST_RECORD_FILE", record.c_str(), 1);
            ChildChecks checks;
            {
                ViewScene scene(bundle);
                GameWrapperView* view = scene.view;
                checks.equal(countCalls(record, "kxdll_EnableWindowsMouseCursor 1"), 1,
                             "the view's initialisation enables the plug-in's cursor");
                checks.check(view->mGameCenterBuffer != nullptr, "buffer allocated up front");

                // Hidden: the timer neither marks the view nor polls the plug-in.
                scene.draw();
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                scene.draw();
                checks.equal(countCalls(record, "kxdll_IsTheMenuSessionComplete"), 0,
                             "no poll while hidden");
                checks.equal(countCalls(record, "kxdll_DrawNextFrameIntoBuffer"), 0,
                             "no frame while hidden");

                view->DoOtherGames();
                KX_SetMousePosition(100, 200);
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                scene.draw();
                checks.equal(countCalls(record, "kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0"), 1,
                             "one frame call with the buffer's geometry");
                checks.equal(countCalls(record, "kxdll_GetNumberOfRectsToUpdate"), 1,
                             "rectangles asked once");
                checks.equal(mismatchedPixels(scene, 1, 100, 200), 0, "frame 1 pixel for pixel");
                CGContextRef kept = view->mGameCenterContext;
                checks.check(kept != nullptr, "the draw event's context is kept");

                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                scene.draw();
                checks.equal(countCalls(record, "kxdll_DrawNextFrameIntoBuffer"), 2,
                             "one frame call per draw");
                checks.equal(mismatchedPixels(scene, 2, 100, 200), 0,
                             "the image over the buffer shows the new frame");

                // A hit test with another context keeps the first one and asks for a redraw.
                CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
                CGContextRef other =
                    CGBitmapContextCreate(nullptr, 8, 8, 8, 32, rgb,
                                          kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
                CGColorSpaceRelease(rgb);
                ::testing::internal::CaptureStdout();
                checks.equal(sendHitTest(view->mGameCenterView, other), noErr, "hit test handled");
                std::fflush(stdout);
                checks.check(::testing::internal::GetCapturedStdout() ==
                                 "GWViewHandler::kEventControlHitTest DRAW \n",
                             "hit test line");
                CGContextRelease(other);
                checks.check(view->mGameCenterContext == kept, "first context kept");
                checks.equal(countCalls(record, "kxdll_HandleMacEvent cntl 3"), 1,
                             "hit test forwarded to the plug-in");
                scene.draw();
                checks.equal(countCalls(record, "kxdll_DrawNextFrameIntoBuffer"), 3,
                             "the hit test redrew the view");

                // After shutdown has begun the timer does nothing.
                int polls = countCalls(record, "kxdll_IsTheMenuSessionComplete");
                view->mShuttingDown = true;
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                scene.draw();
                checks.equal(countCalls(record, "kxdll_IsTheMenuSessionComplete"), polls,
                             "no poll after shutdown");
                checks.equal(countCalls(record, "kxdll_DrawNextFrameIntoBuffer"), 3,
                             "no frame after shutdown");
                view->mShuttingDown = false;

                // The installed timer pulls frames on its own while the loop runs.
                RunCurrentEventLoop(0.3);
                checks.check(countCalls(record, "kxdll_DrawNextFrameIntoBuffer") > 3,
                             "the timer is installed");

                // The session ends after the next frame: the timer goes back to the start page.
                setenv("KXTEST_COMPLETE_AFTER_FRAMES", "1", 1);
                for (int step = 0; step < 3 && view->mInGameCenter; ++step) {
                    GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                    scene.draw();
                }
                checks.check(!view->mInGameCenter, "back on the start page");
                checks.check(HIViewIsVisible(view->mMainView) &&
                                 !HIViewIsVisible(view->mGameCenterView),
                             "main view shown, game-center view hidden");
                scene.redrawAll();
                checks.check(near(scene.pixel(2, 2), kBackground), "the start page is drawn");
                polls = countCalls(record, "kxdll_IsTheMenuSessionComplete");
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                checks.equal(countCalls(record, "kxdll_IsTheMenuSessionComplete"), polls,
                             "no poll once back");

                // Once the controller is gone the timers find nothing to do.
                delete view;
                checks.check(GameWrapperView::GetExistingInstance() == nullptr, "controller gone");
                GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
                GameWrapperView::TimerAction_PlayGame(nullptr, nullptr);
                checks.check(GameWrapperView::GetExistingInstance() == nullptr,
                             "the timers make no new controller");
                ::testing::internal::CaptureStdout();
                DisposeWindow(scene.window);
                scene.window = nullptr;
                std::fflush(stdout);
                checks.check(::testing::internal::GetCapturedStdout().find(
                                 "GWViewHandler::kEventHIObjectDestruct \n") != std::string::npos,
                             "the view's destruct line");
            }
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}
