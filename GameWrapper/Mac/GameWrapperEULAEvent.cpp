#include "GameWrapperEULAEvent.h"

#include "GWPref.h"
#include "GameWrapperView.h"

#include <csignal>

namespace {

CFURLRef s_EulaFileName = nullptr;
bool s_IsRTF = false;
const ControlID gEulaID = {'MTXT', 0};
const EventTypeSpec sAppEvents[] = {{kEventClassCommand, kEventCommandProcess}};
// The installed prompt handler, removed when the prompt has closed: in the main phase 'ok  '
// and 'not!' must not dispose of the main window.
EventHandlerRef sAppHandler = nullptr;
const EventTypeSpec sWindowEvents[] = {{kEventClassWindow, kEventWindowClose}};

GWPref* GamePref() {
    return GameWrapperView::GetInstance()->GetGamePref();
}

} // namespace

CFURLRef GetEulaFileName(bool* isRTF) {
    if (!s_EulaFileName) {
        CFBundleRef bundle = CFBundleGetMainBundle();
        if (bundle) {
            s_EulaFileName = CFBundleCopyResourceURL(bundle, CFSTR("EULA"), CFSTR("rtf"), nullptr);
            if (s_EulaFileName) {
                s_IsRTF = true;
            } else {
                s_EulaFileName =
                    CFBundleCopyResourceURL(bundle, CFSTR("EULA"), CFSTR("txt"), nullptr);
            }
        }
    }
    if (isRTF) {
        *isRTF = s_IsRTF;
    }
    return s_EulaFileName;
}

bool GameWrapperEULAEvent_NeedsShowEula() {
    GWPref* pref = GamePref();
    if (pref && pref->GetEulaAgreed()) {
        return false;
    }
    return GetEulaFileName(nullptr) != nullptr;
}

OSStatus GameWrapperEULAEvent_main() {
    IBNibRef nib = nullptr;
    OSStatus status = CreateNibReference(CFSTR("main"), &nib);
    if (status != noErr) {
        return status;
    }
    WindowRef window = nullptr;
    status = CreateWindowFromNib(nib, CFSTR("EULAWindow"), &window);
    DisposeNibReference(nib);
    if (status != noErr) {
        return status;
    }

    HIViewRef textView = nullptr;
    bool isRTF = false;
    if (HIViewFindByID(HIViewGetRoot(window), gEulaID, &textView) == noErr) {
        // No data options: the text object tells RTF from plain text by itself.
        TXNReadFromCFURL(HITextViewGetTXNObject(textView), 0, 0x7FFFFFFF, nullptr,
                         GetEulaFileName(&isRTF), nullptr);
    }
    // The window's close box, and SIGTERM (the desktop or the session asking the program to
    // end), answer as Decline does: the prompt must never leave the launcher running without a
    // window, nor end it with nothing said.
    InstallWindowEventHandler(window, NewEventHandlerUPP(EULAWindowCloseEventHandler),
                              GetEventTypeCount(sWindowEvents), sWindowEvents, nullptr, nullptr);
    InstallMainThreadSignalAction(SIGTERM, DeclineOnSignal);
    ShowWindow(window);

    status = InstallApplicationEventHandlerOnAppTarget();
    if (status == noErr) {
        RunApplicationEventLoop();
        RemoveEventHandler(sAppHandler);
        sAppHandler = nullptr;
    }
    InstallMainThreadSignalAction(SIGTERM, nullptr);
    return status;
}

OSStatus EULAWindowCloseEventHandler(EventHandlerCallRef, EventRef, void*) {
    PrepareToQuitEULAWindow();
    return noErr;
}

void DeclineOnSignal(int) {
    PrepareToQuitEULAWindow();
}

OSStatus InstallApplicationEventHandlerOnAppTarget() {
    EventHandlerUPP handler = NewEventHandlerUPP(AppHandleCommandEventHandler);
    return InstallApplicationEventHandler(handler, GetEventTypeCount(sAppEvents), sAppEvents,
                                          nullptr, &sAppHandler);
}

OSStatus AppHandleCommandEventHandler(EventHandlerCallRef, EventRef event, void*) {
    HICommand command;
    OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                        sizeof command, nullptr, &command);
    if (status != noErr) {
        return status;
    }
    if (GetEventKind(event) != kEventCommandProcess) {
        return eventNotHandledErr;
    }
    switch (command.commandID) {
    case kHICommandOK:
        if (GWPref* pref = GamePref()) {
            pref->SetEulaAgreed();
        }
        PrepareToQuitEULAWindow();
        return noErr;
    case 'not!':
    case kHICommandQuit:
        PrepareToQuitEULAWindow();
        return noErr;
    case kHICommandNew:
    case kHICommandOpen:
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

OSStatus PrepareToQuitEULAWindow() {
    // A window that stays in front after being disposed of would keep this loop going for
    // ever; stop at it instead.
    WindowRef disposed = nullptr;
    while (WindowRef window = FrontNonFloatingWindow()) {
        if (window == disposed) {
            break;
        }
        DisposeWindow(window);
        disposed = window;
    }
    QuitApplicationEventLoop();
    return noErr;
}
