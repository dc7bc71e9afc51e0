// "Play Game" and the timer that supervises the launched game: it waits for the game to come
// up, brings it to the front, notices when it has ended, cleans up and shows the launcher again.
#include "GameWrapperView.h"

#include "GWData.h"
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

// The system does not tell how a process it did not start itself ended, so the alert says
// that it ended and when.
void showGameEndedAlert(GWData* data, float seconds) {
    const char* name = data && data->GetAppName()[0] ? data->GetAppName() : "The game";
    char text[256];
    std::snprintf(text, sizeof text, "%s ended as it was starting", name);
    Str255 message;
    CopyCStringToPascal(text, message);
    std::snprintf(text, sizeof text,
                  "The game ended %.1f seconds after it was opened, before it came up.",
                  static_cast<double>(seconds));
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
    const EventTypeSpec terminated = {kEventClassApplication, kEventAppTerminated};
    InstallApplicationEventHandler(NewEventHandlerUPP(EventHandler_AppTerminated), 1, &terminated,
                                   nullptr, &mAppTerminatedHandler);
}

OSStatus GameWrapperView::EventHandler_AppTerminated(EventHandlerCallRef, EventRef event, void*) {
    GameWrapperView* view = GetExistingInstance();
    ProcessSerialNumber ended;
    if (view && view->mGameTask &&
        GetEventParameter(event, kEventParamProcessID, typeProcessSerialNumber, nullptr,
                          sizeof ended, nullptr, &ended) == noErr) {
        Boolean same = false;
        if (SameProcess(&ended, &view->mGameTask->GetProcessSerialNumber(), &same) == noErr &&
            same) {
            // Without this the end would wait for the timer's next tick, up to half a second.
            view->UpdateForPlayGameTimer();
        }
    }
    // Other handlers may want to know of other applications too.
    return eventNotHandledErr;
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
        } else if (task->HasProcess()) {
            // The game had its process and that process is gone: it ended before it came up.
            // Waiting out the time limit would only keep the player looking at nothing.
            std::puts("Game ended as it started");
            task->CloseAndCleanUp();
            SetWrapperVisibility(true);
            mPlayState = kPlayIdle;
            showGameEndedAlert(GetConfigurationData(), elapsed);
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
