// "Play Game" and the timer that supervises the launched game: it waits for the game to come
// up, brings it to the front, notices when it has ended, cleans up and shows the launcher again.
#include "GameWrapperView.h"

#include "GWTask.h"

#include <cstdio>

namespace {

constexpr EventTimerInterval kPlayGameTimerPeriod = 0.5;
// A game that has not come up after this many seconds is given up.
constexpr float kLaunchTimeLimit = 5.0f;

void showLaunchErrorAlert(SInt32 launchError) {
    Str255 message;
    CopyCStringToPascal("Error Launching Game", message);
    char text[256];
    std::snprintf(text, sizeof text, "The attempt to Launch the game failed with error: %d",
                  static_cast<int>(launchError));
    Str255 explanation;
    CopyCStringToPascal(text, explanation);
    SInt16 itemHit = 0;
    StandardAlert(kAlertStopAlert, message, explanation, nullptr, &itemHit);
}

} // namespace

void GameWrapperView::DoPlayGame() {
    if (mPlayState != kPlayIdle) {
        return;
    }
    GWTask* task = GetGameTask();
    if (!task) {
        // Without game information there is no game to open; the launcher stays as it is.
        std::puts("Play Game: no game information, nothing to launch");
        return;
    }
    SetWrapperVisibility(false);
    mLaunchError = task->StartOpenTask();
    Microseconds(&mLaunchStartTime);
    mPlayState = kPlayLaunching;
}

void GameWrapperView::InstallPlayGameTimer() {
    if (mPlayGameTimer) {
        return;
    }
    InstallEventLoopTimer(GetMainEventLoop(), kPlayGameTimerPeriod, kPlayGameTimerPeriod,
                          NewEventLoopTimerUPP(TimerAction_PlayGame), nullptr, &mPlayGameTimer);
}

void GameWrapperView::TimerAction_PlayGame(EventLoopTimerRef, void*) {
    GameWrapperView* view = GetExistingInstance();
    if (view) {
        view->UpdateForPlayGameTimer();
    }
}

void GameWrapperView::UpdateForPlayGameTimer() {
    if (mShuttingDown || mPlayState == kPlayIdle) {
        return;
    }
    GWTask* task = GetGameTask();
    if (!task) {
        mPlayState = kPlayIdle;
        return;
    }
    if (mPlayState == kPlayLaunching) {
        UnsignedWide now;
        Microseconds(&now);
        // The low words alone: their unsigned difference stays right across a wrap.
        UInt32 elapsedMicroseconds = now.lo - mLaunchStartTime.lo;
        float elapsed = static_cast<float>(elapsedMicroseconds) / 1000000.0f;
        if (task->IsRunning()) {
            mPlayState = kPlayRunning;
            mLaunchStartTime = now;
            task->SetFrontProcess();
        } else if (elapsed > kLaunchTimeLimit) {
            std::puts("Game could not start within set time");
            task->CloseAndCleanUp();
            SetWrapperVisibility(true);
            if (mLaunchError != noErr) {
                showLaunchErrorAlert(mLaunchError);
            }
            mPlayState = kPlayIdle;
        }
    } else if (mPlayState == kPlayRunning) {
        if (!task->IsRunning()) {
            task->CloseAndCleanUp();
            SetWrapperVisibility(true);
            mPlayState = kPlayIdle;
        }
    }
}
