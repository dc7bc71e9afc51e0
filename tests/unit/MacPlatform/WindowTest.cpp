// Windows on the headless display: creation, order, visibility (their own and their
// process's), titles, the standard close behaviour and what their content shows.
#include "ControlTestHelpers.h"
#include "Processes/ProcessVisibility.h"

#include <TestSupport.h>

namespace {

using namespace ControlTests;

class WindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (WindowRef window : m_windows) {
            if (GetWindowEventTarget(window)) {
                DisposeWindow(window);
            }
        }
        MacPlatform::setCurrentProcessVisible(true);
    }

    WindowRef make(WindowClass windowClass = kDocumentWindowClass,
                   WindowAttributes attributes = kWindowStandardDocumentAttributes) {
        Rect bounds{50, 40, 50 + 90, 40 + 160};
        WindowRef window = nullptr;
        EXPECT_EQ(CreateNewWindow(windowClass, attributes, &bounds, &window), noErr);
        m_windows.push_back(window);
        return window;
    }

    // What the display knows of the window.
    static MacPlatform::Display::Headless::WindowState shown(WindowRef window) {
        auto state = MacPlatform::Display::Headless::windowState(
            MacPlatform::Window::fromRef(window)->displayID());
        EXPECT_TRUE(state.has_value());
        return state.value_or(MacPlatform::Display::Headless::WindowState{});
    }
    static bool onScreen(WindowRef window) { return shown(window).shown; }

    std::vector<WindowRef> m_windows;
};

using Events = std::vector<std::pair<UInt32, WindowRef>>;
struct EventLog {
    Events events;
    OSStatus result = eventNotHandledErr;
};

OSStatus logWindowEvent(EventHandlerCallRef, EventRef event, void* userData) {
    auto* log = static_cast<EventLog*>(userData);
    WindowRef window = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof window,
                      nullptr, &window);
    log->events.emplace_back(GetEventKind(event), window);
    return log->result;
}

OSStatus sendClose(WindowRef window) {
    EventRef event = nullptr;
    EXPECT_EQ(CreateEvent(nullptr, kEventClassWindow, kEventWindowClose, 0, 0, &event), noErr);
    SetEventParameter(event, kEventParamDirectObject, typeWindowRef, sizeof window, &window);
    OSStatus status = SendEventToEventTarget(event, GetWindowEventTarget(window));
    ReleaseEvent(event);
    return status;
}

TEST_F(WindowTest, CreateChecksItsArgumentsAndMakesAHiddenWindowOfTheContentSize) {
    Rect bounds{10, 10, 110, 210}, empty{10, 10, 10, 200};
    WindowRef window = nullptr;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, nullptr, &window), paramErr);
    EXPECT_EQ(CreateNewWindow(7, 0, &bounds, &window), errUnrecognizedWindowClass);
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &empty, &window), paramErr);
    EXPECT_EQ(window, nullptr);

    window = make();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(onScreen(window));
    Rect port{-1, -1, -1, -1};
    EXPECT_EQ(edges(*GetWindowPortBounds(window, &port)), (Edges{0, 0, 90, 160}));
    EXPECT_EQ((std::pair{shown(window).width, shown(window).height}), (std::pair{160, 90}));

    // The title reaches the display as UTF-8.
    CFStringRef title = CFStringCreateWithCString(nullptr, "Caf\xC3\xA9", kCFStringEncodingUTF8);
    EXPECT_EQ(SetWindowTitleWithCFString(window, title), noErr);
    CFRelease(title);
    EXPECT_EQ(shown(window).title, "Caf\xC3\xA9");
    EXPECT_EQ(SetWindowTitleWithCFString(window, nullptr), paramErr);

    // Events the window leaves go on to the application.
    EventLog appLog;
    EventTypeSpec shown{kEventClassWindow, kEventWindowShown};
    EventHandlerRef handler = nullptr;
    ASSERT_EQ(InstallApplicationEventHandler(logWindowEvent, 1, &shown, &appLog, &handler), noErr);
    ShowWindow(window);
    RemoveEventHandler(handler);
    EXPECT_EQ(appLog.events, (Events{{kEventWindowShown, window}}));

    DisposeWindow(window);
    EXPECT_EQ(GetWindowEventTarget(window), nullptr);
    EXPECT_EQ(SetWindowTitleWithCFString(window, CFSTR("x")), errInvalidWindowRef);
}

TEST_F(WindowTest, OrderFollowsSelectAndFrontSkipsHiddenAndFloatingWindows) {
    WindowRef first = make();
    WindowRef second = make();
    WindowRef palette = make(kFloatingWindowClass, 0);
    EventLog log;
    EventTypeSpec types[] = {{kEventClassWindow, kEventWindowShown},
                             {kEventClassWindow, kEventWindowHidden}};
    InstallWindowEventHandler(first, logWindowEvent, 2, types, &log, nullptr);

    // The front window after each step: none but a palette shown; the later window made in
    // front; selected; hidden (twice); shown again in the place it had.
    std::vector<WindowRef> fronts{FrontNonFloatingWindow()};
    ShowWindow(palette);
    fronts.push_back(FrontNonFloatingWindow());
    ShowWindow(first);
    ShowWindow(first);
    ShowWindow(second);
    fronts.push_back(FrontNonFloatingWindow());
    SelectWindow(first);
    fronts.push_back(FrontNonFloatingWindow());
    HideWindow(first);
    HideWindow(first);
    EXPECT_FALSE(onScreen(first));
    fronts.push_back(FrontNonFloatingWindow());
    ShowWindow(first);
    EXPECT_TRUE(onScreen(first));
    fronts.push_back(FrontNonFloatingWindow());
    EXPECT_EQ(fronts, (std::vector<WindowRef>{nullptr, nullptr, second, first, second, first}));
    // Each change of state is reported once.
    EXPECT_EQ(log.events, (Events{{kEventWindowShown, first},
                                  {kEventWindowHidden, first},
                                  {kEventWindowShown, first}}));
}

// The launcher hiding itself while a game runs and coming back is e2e_play_game's; here what it
// does not see: a window shown meanwhile waits, and the display is given up with the last window.
TEST_F(WindowTest, HidingTheProcessTakesItsWindowsOffScreenAndBringsThemBack) {
    WindowRef window = make();
    ShowWindow(window);
    const MacPlatform::ProcessWindowOperations* operations = MacPlatform::processWindowOperations();
    ASSERT_NE(operations, nullptr);
    EXPECT_EQ(operations->setVisible(false), noErr);
    MacPlatform::setCurrentProcessVisible(false);
    EXPECT_TRUE(IsWindowVisible(window)) << "still shown as far as the application knows";
    WindowRef later = make();
    ShowWindow(later);
    EXPECT_FALSE(onScreen(later));
    EXPECT_EQ(operations->setVisible(true), noErr);
    MacPlatform::setCurrentProcessVisible(true);
    EXPECT_TRUE(onScreen(later));
    DisposeWindow(window);
    DisposeWindow(later);
    EXPECT_EQ(MacPlatform::processWindowOperations(), nullptr);
}

OSStatus disposeAgain(EventHandlerCallRef, EventRef event, void* userData) {
    ++*static_cast<int*>(userData);
    WindowRef window = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof window,
                      nullptr, &window);
    DisposeWindow(window);
    return noErr;
}

TEST_F(WindowTest, StandardHandlerDisposesOnCloseUnlessALaterHandlerTakesIt) {
    WindowRef plain = make(kDocumentWindowClass, kWindowCloseBoxAttribute);
    WindowRef standard =
        make(kDocumentWindowClass, kWindowCloseBoxAttribute | kWindowStandardHandlerAttribute);
    // Without the standard handler nothing closes the window; a later handler may take it.
    EXPECT_EQ(sendClose(plain), eventNotHandledErr);
    EventLog keep, closed;
    keep.result = noErr;
    EventTypeSpec close{kEventClassWindow, kEventWindowClose};
    EventTypeSpec closedType{kEventClassWindow, kEventWindowClosed};
    EventHandlerRef keeper = nullptr, appHandler = nullptr;
    InstallWindowEventHandler(standard, logWindowEvent, 1, &close, &keep, &keeper);
    EXPECT_EQ(sendClose(standard), noErr);
    EXPECT_NE(GetWindowEventTarget(standard), nullptr);
    RemoveEventHandler(keeper);
    InstallApplicationEventHandler(logWindowEvent, 1, &closedType, &closed, &appHandler);
    EXPECT_EQ(sendClose(standard), noErr);
    // Installed later by hand, as the launcher does on its main window.
    EXPECT_EQ(InstallStandardEventHandler(GetWindowEventTarget(plain)), noErr);
    EXPECT_EQ(sendClose(plain), noErr);
    RemoveEventHandler(appHandler);
    EXPECT_EQ(closed.events, (Events{{kEventWindowClosed, standard}, {kEventWindowClosed, plain}}));

    // Disposing again from a handler of the window's closing is ignored.
    WindowRef window = make();
    int calls = 0;
    InstallWindowEventHandler(window, disposeAgain, 1, &closedType, &calls, nullptr);
    DisposeWindow(window);
    EXPECT_EQ(calls, 1);
}

} // namespace
