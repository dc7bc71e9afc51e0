// The front process and other processes' windows on an X display. The test starts a private
// X server and plays an EWMH window manager on it: it sets the root properties a window
// manager keeps and receives the requests that a window manager would act on.
#include <ApplicationServices/Processes.h>

#include "ProcessTestHelpers.h"
#include "Processes/ProcessVisibility.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace ProcessTesting;

namespace {

class ProcessEWMHTest : public SleeperFixture {
protected:
    void SetUp() override {
        if (const char* display = std::getenv("DISPLAY")) {
            m_savedDisplay = display;
        }
        if (access("/usr/bin/Xvfb", X_OK) != 0) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        // The server picks a free display itself and writes its number into the pipe, so that
        // tests running side by side never share one. Should it fail, the pipe ends empty.
        int ends[2];
        ASSERT_EQ(0, pipe2(ends, O_CLOEXEC));
        pid_t server = fork();
        if (server == 0) {
            fcntl(ends[1], F_SETFD, 0);
            std::string fd = std::to_string(ends[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        track(server);
        m_server = server;
        FILE* reported = fdopen(ends[0], "r");
        int number = -1;
        ASSERT_EQ(1, std::fscanf(reported, "%d", &number)) << "the X server reported no display";
        std::fclose(reported);
        std::string name = ":" + std::to_string(number);
        m_display = XOpenDisplay(name.c_str());
        setenv("DISPLAY", name.c_str(), 1);
        ASSERT_NE(nullptr, m_display) << "no private X server came up";
        m_root = DefaultRootWindow(m_display);
        playWindowManager();
    }

    void TearDown() override {
        if (m_display) {
            XCloseDisplay(m_display);
        }
        // Asked politely, the server removes its socket and lock file.
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitFor([&] { return waitpid(m_server, nullptr, WNOHANG) == m_server; });
        }
        if (m_savedDisplay) {
            setenv("DISPLAY", m_savedDisplay->c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
        SleeperFixture::TearDown();
    }

    Atom atom(const char* name) { return XInternAtom(m_display, name, False); }

    void setList(Window window, const char* property, Atom type, std::vector<long> values) {
        XChangeProperty(m_display, window, atom(property), type, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(values.data()),
                        static_cast<int>(values.size()));
        XSync(m_display, False);
    }

    void playWindowManager() {
        Window check = XCreateSimpleWindow(m_display, m_root, 0, 0, 1, 1, 0, 0, 0);
        setList(m_root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {static_cast<long>(check)});
        setList(check, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {static_cast<long>(check)});
        setList(m_root, "_NET_SUPPORTED", XA_ATOM, {static_cast<long>(atom("_NET_ACTIVE_WINDOW"))});
        // Requests sent to the root window with this mask go to the window manager alone.
        XSelectInput(m_display, m_root, SubstructureRedirectMask | SubstructureNotifyMask);
        XSync(m_display, False);
    }

    // A client window that says it belongs to the pid on the given machine.
    Window clientWindow(pid_t pid, const std::string& machine) {
        Window window = XCreateSimpleWindow(m_display, m_root, 0, 0, 10, 10, 0, 0, 0);
        setList(window, "_NET_WM_PID", XA_CARDINAL, {pid});
        XChangeProperty(m_display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(machine.data()),
                        static_cast<int>(machine.size()));
        XSync(m_display, False);
        return window;
    }

    static std::string hostName() {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        return host;
    }

    // The requests that reached the window manager, in order: the window, and for a client
    // message its type and first number (a map request has neither).
    using Request = std::tuple<Window, Atom, long>;
    std::vector<Request> requests() {
        XSync(m_display, False);
        std::vector<Request> events;
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage) {
                events.emplace_back(event.xclient.window, event.xclient.message_type,
                                    event.xclient.data.l[0]);
            } else if (event.type == MapRequest) {
                events.emplace_back(event.xmaprequest.window, None, 0);
            }
        }
        return events;
    }

    Display* m_display = nullptr;
    Window m_root = 0;
    pid_t m_server = 0;
    std::optional<std::string> m_savedDisplay;
};

TEST_F(ProcessEWMHTest, FrontProcessOwnsTheActiveWindow) {
    pid_t game = startSleeper();
    Window gameWindow = clientWindow(game, hostName());
    Window remoteWindow = clientWindow(game, "another-machine");
    Window ownWindow = clientWindow(getpid(), hostName());
    // The front process's status and pid while the window is the active one.
    auto frontWith = [&](Window active) {
        setList(m_root, "_NET_ACTIVE_WINDOW", XA_WINDOW, {static_cast<long>(active)});
        ProcessSerialNumber front{0, 0};
        OSErr status = GetFrontProcess(&front);
        return std::pair{status, front.lowLongOfPSN};
    };
    EXPECT_EQ(frontWith(ownWindow), (std::pair<OSErr, UInt32>{noErr, UInt32(getpid())}));
    EXPECT_EQ(frontWith(gameWindow), (std::pair<OSErr, UInt32>{noErr, UInt32(game)}));
    // A pid from another machine names no process here; nor does the lack of any window.
    EXPECT_EQ(frontWith(remoteWindow), (std::pair<OSErr, UInt32>{procNotFound, 0}));
    EXPECT_EQ(frontWith(0), (std::pair<OSErr, UInt32>{procNotFound, 0}));
}

TEST_F(ProcessEWMHTest, SetFrontProcessAsksToActivateTheTopmostWindow) {
    pid_t game = startSleeper();
    pid_t windowless = startSleeper();
    Window lower = clientWindow(game, hostName());
    Window upper = clientWindow(game, hostName());
    Window other = clientWindow(getpid(), hostName());
    setList(m_root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW,
            {static_cast<long>(lower), static_cast<long>(upper), static_cast<long>(other)});
    requests();

    ProcessSerialNumber psn = serialNumberOf(game);
    ASSERT_EQ(noErr, SetFrontProcess(&psn));
    EXPECT_EQ(requests(), (std::vector<Request>{{upper, atom("_NET_ACTIVE_WINDOW"), 2}}));

    // This process's own windows are raised by the display layer, not through a request.
    static int raised = 0;
    static const MacPlatform::ProcessWindowOperations own = {
        nullptr, [] { return OSStatus(++raised == 1 ? noErr : paramErr); }};
    MacPlatform::registerProcessWindowOperations(&own);
    ProcessSerialNumber self{0, kCurrentProcess};
    EXPECT_EQ(noErr, SetFrontProcess(&self));
    MacPlatform::registerProcessWindowOperations(nullptr);
    EXPECT_EQ(1, raised);
    EXPECT_TRUE(requests().empty());

    ProcessSerialNumber noWindows = serialNumberOf(windowless);
    EXPECT_EQ(appIsDaemon, SetFrontProcess(&noWindows));
    EXPECT_TRUE(requests().empty());
}

TEST_F(ProcessEWMHTest, OtherProcessesAreMinimisedAndRestored) {
    pid_t game = startSleeper();
    Window first = clientWindow(game, hostName());
    Window second = clientWindow(game, hostName());
    setList(m_root, "_NET_CLIENT_LIST", XA_WINDOW,
            {static_cast<long>(first), static_cast<long>(second)});
    requests();
    ProcessSerialNumber psn = serialNumberOf(game);

    ASSERT_EQ(noErr, ShowHideProcess(&psn, false));
    Atom change = atom("WM_CHANGE_STATE");
    EXPECT_EQ(requests(),
              (std::vector<Request>{{first, change, IconicState}, {second, change, IconicState}}));
    ASSERT_EQ(noErr, ShowHideProcess(&psn, true));
    EXPECT_EQ(requests(), (std::vector<Request>{{first, None, 0}, {second, None, 0}}));

    // Hidden only while every window is.
    long hidden = static_cast<long>(atom("_NET_WM_STATE_HIDDEN"));
    EXPECT_TRUE(IsProcessVisible(&psn));
    setList(first, "_NET_WM_STATE", XA_ATOM, {hidden});
    EXPECT_TRUE(IsProcessVisible(&psn));
    setList(second, "_NET_WM_STATE", XA_ATOM, {hidden});
    EXPECT_FALSE(IsProcessVisible(&psn));
}

TEST_F(ProcessEWMHTest, WithoutAWindowManagerTheRecordDecides) {
    // The window manager has gone: its check window with it.
    setList(m_root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {12345});
    pid_t game = startSleeper();
    ProcessSerialNumber psn = serialNumberOf(game);
    EXPECT_EQ(unimpErr, ShowHideProcess(&psn, false));
    ASSERT_EQ(noErr, SetFrontProcess(&psn));
    ProcessSerialNumber front{0, 0};
    ASSERT_EQ(noErr, GetFrontProcess(&front));
    EXPECT_EQ(psn.lowLongOfPSN, front.lowLongOfPSN);
    ProcessSerialNumber self{0, kCurrentProcess};
    SetFrontProcess(&self);
}

} // namespace
