#include "GameWrapperEvent.h"

#include "GWData.h"
#include "GWPref.h"
#include "GWTask.h"
#include "GameWrapperEULAEvent.h"
#include "GameWrapperView.h"
#include "KX_APIFunctionsMac.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const char* const FilePathToTest[] = {"Resources/Tessaly.dat", "Resources/Channel.dat",
                                      "Resources/Application.dat"};

char contentsPath[kGameWrapperPathSize];
char executablePath[PATH_MAX];

EventHandlerUPP appCommandProcessor = nullptr;
MenuRef theMenu = nullptr;
bool sInitiatedShutdown = false;

const EventTypeSpec appEventList[] = {{kEventClassCommand, kEventCommandProcess}};
const EventTypeSpec windowEventList[] = {
    {kEventClassKeyboard, kEventRawKeyDown},
    {kEventClassKeyboard, kEventRawKeyRepeat},
    {kEventClassKeyboard, kEventRawKeyUp},
    {kEventClassKeyboard, kEventRawKeyModifiersChanged},
    {kEventClassKeyboard, kEventHotKeyPressed},
    {kEventClassKeyboard, kEventHotKeyReleased},
    {kEventClassWindow, kEventWindowClose},
    {kEventClassWindow, kEventWindowDrawContent},
    {kEventClassWindow, kEventWindowBoundsChanged},
    {kEventClassMouse, kEventMouseDown},
    {kEventClassMouse, kEventMouseUp},
    {kEventClassMouse, kEventMouseMoved},
    {kEventClassMouse, kEventMouseDragged},
    {kEventClassMouse, kEventMouseWheelMoved},
};

const char INTERNAL_ERROR_TEXT[] = "The game cannot run due to an internal error";

// A Pascal string (length byte, at most 255 characters) of text. Alert texts longer than that
// are cut: a path keeps its end, where the file's own name is, behind "..."; other texts keep
// their beginning.
void MakePascalString(const char* text, bool keepEnd, Str255 out) {
    std::size_t length = std::strlen(text);
    if (keepEnd && length > 255) {
        out[0] = 255;
        std::memcpy(out + 1, "...", 3);
        std::memcpy(out + 4, text + length - 252, 252);
    } else {
        CopyCStringToPascal(text, out);
    }
}

void ShowAlert(AlertType type, const char* message, const char* explanation, bool keepEnd) {
    Str255 error;
    Str255 detail;
    MakePascalString(message, false, error);
    MakePascalString(explanation, keepEnd, detail);
    SInt16 itemHit = 0;
    StandardAlert(type, error, detail, nullptr, &itemHit);
}

// Any system before 10.3.0 (code 0x1030) is refused; a version that cannot be asked for
// counts as too old.
bool IsSystemVersionSupported() {
    SInt32 version = 0;
    Gestalt(gestaltSystemVersion, &version);
    return version > 0x102F;
}

void ShowSystemVersionAlert() {
    DialogRef alert = nullptr;
    if (CreateStandardAlert(kAlertStopAlert, CFSTR("Sorry, we only support Mac OS X 10.3 or later"),
                            nullptr, nullptr, &alert) == noErr) {
        DialogItemIndex itemHit = 0;
        RunStandardAlert(alert, nullptr, &itemHit);
    }
}

// Mouse positions arrive in window coordinates; the buttons and the plug-in want them local
// to the game-center view, which covers the same area as the main view.
bool GetLocalMousePosition(GameWrapperView* view, EventRef event, int* x, int* y) {
    Point where;
    if (GetEventParameter(event, kEventParamWindowMouseLocation, typeQDPoint, nullptr, sizeof where,
                          nullptr, &where) != noErr) {
        return false;
    }
    HIPoint point = {static_cast<CGFloat>(where.h), static_cast<CGFloat>(where.v)};
    if (HIPointConvert(&point, kHICoordSpaceWindow, view->mWindow, kHICoordSpaceView,
                       view->mGameCenterView) != noErr) {
        return false;
    }
    *x = static_cast<int>(point.x);
    *y = static_cast<int>(point.y);
    return true;
}

OSStatus HandleCommand(EventRef event) {
    HICommand command;
    if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command,
                          nullptr, &command) != noErr) {
        return eventNotHandledErr;
    }
    switch (command.commandID) {
    case kHICommandQuit:
        InitiateSystemShutdown(0);
        return noErr;
    case kHICommandOK:
    case 'not!':
        // The agreement prompt's commands: they mean nothing here and the plug-in never
        // sees them.
        return eventNotHandledErr;
    default:
        if (!sInitiatedShutdown) {
            KX_HandleMacEvent(event);
        }
        return eventNotHandledErr;
    }
}

OSStatus HandleMouse(GameWrapperView* view, EventRef event) {
    UInt32 kind = GetEventKind(event);
    if (kind == kEventMouseWheelMoved) {
        KX_HandleMacEvent(event);
        return eventNotHandledErr;
    }
    int x = 0;
    int y = 0;
    if (!GetLocalMousePosition(view, event, &x, &y)) {
        return eventNotHandledErr;
    }
    bool pressOrRelease = kind == kEventMouseDown || kind == kEventMouseUp;
    if (view->mInGameCenter) {
        KX_SetMousePosition(x, y);
        if (pressOrRelease) {
            KX_HandleMacEvent(event);
        }
    } else if (kind == kEventMouseDown) {
        view->MainButtonsMouseDown(x, y);
    } else if (kind == kEventMouseUp) {
        view->MainButtonsMouseUp(x, y);
    } else if (kind == kEventMouseMoved || kind == kEventMouseDragged) {
        view->MainButtonsMouseMove(x, y);
    }
    return eventNotHandledErr;
}

// Ends a start-up that stops before the event loop: whatever the view object made so far goes
// with it.
int EndStartUp(int result) {
    delete GameWrapperView::GetExistingInstance();
    return result;
}

} // namespace

const char* GetExecutablePath(const char* argv0) {
    if (argv0 == executablePath) {
        // main hands on the real path it asked for.
        return executablePath;
    }
    if (argv0 && argv0[0] == '/' && std::strlen(argv0) < sizeof executablePath) {
        std::strcpy(executablePath, argv0);
        return executablePath;
    }
    return GetRunningProgramPath();
}

const char* GetRunningProgramPath() {
    // The kernel's link names the file itself, every symbolic link on the way resolved.
    ssize_t length = readlink("/proc/self/exe", executablePath, sizeof executablePath - 1);
    executablePath[length > 0 ? length : 0] = '\0';
    return executablePath;
}

char* GetContentsPath(const char* path) {
    contentsPath[0] = '\0';
    std::size_t length = std::strlen(path);
    int slashes = 0;
    std::size_t end = length;
    while (end > 0) {
        --end;
        if (path[end] == '/' && ++slashes == 2) {
            break;
        }
    }
    if (slashes == 2 && end > 0 && end < sizeof contentsPath) {
        std::memcpy(contentsPath, path, end);
        contentsPath[end] = '\0';
    }
    return contentsPath;
}

bool TestFileExists(const char* directory, const char* relativePath) {
    char fullPath[kGameWrapperPathSize];
    int length = std::snprintf(fullPath, sizeof fullPath, "%s/%s", directory, relativePath);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof fullPath) {
        return false;
    }
    std::FILE* file = std::fopen(fullPath, "r");
    if (!file) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool TestBasicFunctionality(const char* path) {
    const char* contents = GetContentsPath(path);
    bool allPresent = true;
    for (const char* relative : FilePathToTest) {
        if (TestFileExists(contents, relative)) {
            continue;
        }
        allPresent = false;
        char fullPath[2 * kGameWrapperPathSize];
        std::snprintf(fullPath, sizeof fullPath, "%s/%s", contents, relative);
        ShowAlert(kAlertPlainAlert, "Game File Missing", fullPath, true);
        std::printf("%s GameFile Not present: %s\n", contents, relative);
    }
    return allPresent;
}

OSStatus InstallEventHandlers() {
    WindowRef window = GameWrapperView::GetInstance()->mWindow;
    InitCursor();
    theMenu = AcquireRootMenu();
    InstallStandardEventHandler(GetWindowEventTarget(window));
    appCommandProcessor = NewEventHandlerUPP(MainAppEventHandler);
    InstallApplicationEventHandler(appCommandProcessor, GetEventTypeCount(appEventList),
                                   appEventList, nullptr, nullptr);
    return InstallWindowEventHandler(window, appCommandProcessor,
                                     GetEventTypeCount(windowEventList), windowEventList, nullptr,
                                     nullptr);
}

OSStatus MainAppEventHandler(EventHandlerCallRef, EventRef event, void*) {
    UInt32 eventClass = GetEventClass(event);
    if (eventClass == kEventClassCommand) {
        return HandleCommand(event);
    }
    if (eventClass == kEventClassWindow && GetEventKind(event) == kEventWindowClose) {
        InitiateSystemShutdown(0);
        return noErr;
    }
    // Once the teardown has run, the view object and the plug-in are gone; what the loop
    // still delivers goes to the standard handlers.
    GameWrapperView* view = GameWrapperView::GetExistingInstance();
    if (sInitiatedShutdown || !view) {
        return eventNotHandledErr;
    }
    if (eventClass == kEventClassKeyboard) {
        char charCode = 0;
        GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, sizeof charCode,
                          nullptr, &charCode);
        UInt32 kind = GetEventKind(event);
        if (!view->mInGameCenter && (kind == kEventRawKeyDown || kind == kEventRawKeyRepeat)) {
            UInt32 modifiers = 0;
            GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof modifiers,
                              nullptr, &modifiers);
            UInt32 controllerButton = 0;
            GetEventParameter(event, kEventParamMacPlatformControllerButton, typeUInt32, nullptr,
                              sizeof controllerButton, nullptr, &controllerButton);
            if (controllerButton == kMacPlatformControllerStart) {
                if (kind == kEventRawKeyDown) {
                    view->MainButtonsStart();
                }
                return eventNotHandledErr;
            }
            // A key that worked the buttons is theirs: the storefront that Return may just have
            // opened must not take it as its own first key.
            if (view->MainButtonsKey(charCode, modifiers, kind == kEventRawKeyRepeat)) {
                return eventNotHandledErr;
            }
        }
        KX_HandleMacEvent(event);
        return eventNotHandledErr;
    }
    if (eventClass == kEventClassMouse) {
        return HandleMouse(view, event);
    }
    KX_HandleMacEvent(event);
    return eventNotHandledErr;
}

void InitiateSystemShutdown(int) {
    // Set on entry, not only at the end, so that nothing the teardown itself sets off can run
    // it a second time.
    static bool sShutdownRunning = false;
    if (sInitiatedShutdown || sShutdownRunning) {
        return;
    }
    sShutdownRunning = true;
    GameWrapperView* view = GameWrapperView::GetInstance();
    view->mShuttingDown = true;
    if (GWTask* task = view->GetGameTask()) {
        task->CloseAndCleanUp();
    }
    KX_ShutDown();
    QuitApplicationEventLoop();
    delete view;
    sInitiatedShutdown = true;
}

bool HasSystemShutdownRun() {
    return sInitiatedShutdown;
}

int GameWrapperMain(int, char* argv[]) {
    if (!IsSystemVersionSupported()) {
        ShowSystemVersionAlert();
        return 0;
    }
    const char* path = GetExecutablePath(argv ? argv[0] : nullptr);
    if (!TestBasicFunctionality(path)) {
        return -1;
    }

    // Everything from here on needs the game information: the agreement is kept under the
    // game's ID and the plug-in is told who the game is.
    GameWrapperView* view = GameWrapperView::GetInstance();
    GWData* data = view->GetConfigurationData();
    if (!data) {
        std::printf("Game information RAW_002.wdt missing or unreadable\n");
        ShowAlert(kAlertStopAlert, INTERNAL_ERROR_TEXT,
                  "The game information (RAW_002.wdt) is missing from the game's resources or "
                  "cannot be read.",
                  false);
        return EndStartUp(-1);
    }

    // Desktops list the windows by the game's name (the bundle's own name comes first).
    if (const char* appName = data->GetAppName(); appName && *appName) {
        CFStringRef name = CFStringCreateWithCString(nullptr, appName, kCFStringEncodingUTF8);
        if (!name) {
            name = CFStringCreateWithCString(nullptr, appName, kCFStringEncodingMacRoman);
        }
        if (name) {
            SetApplicationDesktopName(name);
            CFRelease(name);
        }
    }

    // Without an agreement file there is nothing to agree to and start-up goes on.
    if (GameWrapperEULAEvent_NeedsShowEula()) {
        GameWrapperEULAEvent_main();
        GWPref* pref = view->GetGamePref();
        if (!pref || !pref->GetEulaAgreed()) {
            return EndStartUp(0);
        }
    }

    float price = data->GetAppPrice();
    int channelID = data->GetChannelID();
    const char* appName = data->GetAppName();
    int appID = data->GetAppID();
    unsigned short error = KX_Initialize(appID, appName, channelID, price, 1);
    if (error != 0) {
        const char* information = KX_GetLastErrorInformation();
        std::printf("KX_Initialize failed with error %d, %s\n", error, information);
        char explanation[kGameWrapperPathSize];
        std::snprintf(explanation, sizeof explanation, "Initialize Failed with: %s", information);
        ShowAlert(kAlertStopAlert, INTERNAL_ERROR_TEXT, explanation, false);
        KX_ShutDown();
        return EndStartUp(-1);
    }

    // From here on the plug-in is loaded, so a failure tears down through the shutdown routine.
    IBNibRef nib = nullptr;
    WindowRef window = nullptr;
    OSStatus status = CreateNibReference(CFSTR("main"), &nib);
    if (status == noErr) {
        status = SetMenuBarFromNib(nib, CFSTR("MenuBar"));
        if (status == noErr) {
            status = CreateWindowFromNib(nib, CFSTR("MainWindow"), &window);
        }
        DisposeNibReference(nib);
    }
    if (status == noErr) {
        view->mWindow = window;
        HIViewRef contentView = nullptr;
        HIViewFindByID(HIViewGetRoot(window), kHIViewWindowContentID, &contentView);
        Rect bounds;
        GetWindowPortBounds(window, &bounds);
        status = view->CreateViews(contentView, &bounds);
    }
    if (status != noErr) {
        InitiateSystemShutdown(0);
        if (window) {
            DisposeWindow(window);
        }
        return status;
    }

    InstallEventHandlers();
    // The teardown calls much that a signal handler must not: SIGTERM only notes the signal,
    // and the event loop runs the teardown on the main thread when it next wakes.
    InstallMainThreadSignalAction(SIGTERM, InitiateSystemShutdown);
    ShowWindow(window);
    SelectWindow(window);
    RunApplicationEventLoop();
    InitiateSystemShutdown(0);

    DisposeWindow(window);
    if (theMenu) {
        ReleaseMenu(theMenu);
        theMenu = nullptr;
    }
    return 0;
}
