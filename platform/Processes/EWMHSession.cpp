#include "Processes/EWMHSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace MacPlatform {

namespace {

// Windows may vanish between listing and asking; the default handler would end the process
// for that. Errors are noted instead, and the installed handler is put back afterwards.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

std::vector<unsigned long> readCardinals(Display* display, Window window, Atom property,
                                         Atom type) {
    std::vector<unsigned long> values;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1L << 16, False, type, &actualType,
                           &actualFormat, &count, &remaining, &data) == Success &&
        data) {
        if (actualType == type && actualFormat == 32) {
            // Xlib hands 32-bit items back as longs.
            const long* items = reinterpret_cast<const long*>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

} // namespace

struct EWMHSession::State {
    Display* display = nullptr;
    Window root = None;
    int (*previousHandler)(Display*, XErrorEvent*) = nullptr;
    Atom activeWindow = None;
    Atom wmPid = None;
    Atom clientList = None;
    Atom clientListStacking = None;
    Atom wmState = None;
    Atom wmStateHidden = None;
    std::string hostName;

    std::optional<Window> singleWindow(Window window, Atom property) {
        std::vector<unsigned long> values = readCardinals(display, window, property, XA_WINDOW);
        if (values.size() != 1) {
            return std::nullopt;
        }
        return static_cast<Window>(values[0]);
    }

    std::optional<pid_t> ownerOf(Window window) {
        std::vector<unsigned long> pid = readCardinals(display, window, wmPid, XA_CARDINAL);
        if (pid.size() != 1 || pid[0] == 0 || pid[0] > INT_MAX) {
            return std::nullopt;
        }
        // A pid is meaningful only on the machine that set it.
        XTextProperty machine{};
        if (XGetWMClientMachine(display, window, &machine) && machine.value) {
            bool sameHost =
                machine.format == 8 &&
                std::string(reinterpret_cast<char*>(machine.value), machine.nitems) == hostName;
            XFree(machine.value);
            if (!sameHost) {
                return std::nullopt;
            }
        }
        return static_cast<pid_t>(pid[0]);
    }

    bool announcesEWMH() {
        Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        std::optional<Window> child = singleWindow(root, check);
        // A window manager that has gone leaves the root property behind; its check window
        // goes with it.
        if (!child || singleWindow(*child, check) != child) {
            return false;
        }
        Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
        for (unsigned long atom : readCardinals(display, root, supported, XA_ATOM)) {
            if (atom == activeWindow) {
                return true;
            }
        }
        return false;
    }
};

std::unique_ptr<EWMHSession> EWMHSession::open() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->display = display;
    state->previousHandler = XSetErrorHandler(ignoreXError);
    state->root = DefaultRootWindow(display);
    state->activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    state->wmPid = XInternAtom(display, "_NET_WM_PID", False);
    state->clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
    state->clientListStacking = XInternAtom(display, "_NET_CLIENT_LIST_STACKING", False);
    state->wmState = XInternAtom(display, "_NET_WM_STATE", False);
    state->wmStateHidden = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) {
        state->hostName = host;
    }
    std::unique_ptr<EWMHSession> session(new EWMHSession(std::move(state)));
    if (!session->m_state->announcesEWMH()) {
        return nullptr;
    }
    return session;
}

EWMHSession::EWMHSession(std::unique_ptr<State> state) : m_state(std::move(state)) {}

EWMHSession::~EWMHSession() {
    XSync(m_state->display, False);
    XSetErrorHandler(m_state->previousHandler);
    XCloseDisplay(m_state->display);
}

std::optional<pid_t> EWMHSession::activeWindowOwner() {
    std::optional<Window> active = m_state->singleWindow(m_state->root, m_state->activeWindow);
    if (!active || *active == None) {
        return std::nullopt;
    }
    return m_state->ownerOf(*active);
}

std::vector<EWMHSession::WindowID> EWMHSession::windowsOf(pid_t pid) {
    std::vector<unsigned long> clients =
        readCardinals(m_state->display, m_state->root, m_state->clientListStacking, XA_WINDOW);
    if (clients.empty()) {
        clients = readCardinals(m_state->display, m_state->root, m_state->clientList, XA_WINDOW);
    }
    std::vector<WindowID> windows;
    for (unsigned long window : clients) {
        if (m_state->ownerOf(window) == pid) {
            windows.push_back(window);
        }
    }
    return windows;
}

void EWMHSession::activate(WindowID window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = m_state->activeWindow;
    event.xclient.format = 32;
    // Source 2 (a pager): the request comes from the user's choice, not from the window's own
    // program, so focus-stealing prevention should not refuse it.
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_state->display, m_state->root, False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_state->display);
}

void EWMHSession::minimise(WindowID window) {
    XIconifyWindow(m_state->display, window, DefaultScreen(m_state->display));
    XFlush(m_state->display);
}

void EWMHSession::restore(WindowID window) {
    // Mapping an iconic window asks the window manager to bring it back to the normal state.
    XMapWindow(m_state->display, window);
    XFlush(m_state->display);
}

bool EWMHSession::isHidden(WindowID window) {
    for (unsigned long atom : readCardinals(m_state->display, window, m_state->wmState, XA_ATOM)) {
        if (atom == m_state->wmStateHidden) {
            return true;
        }
    }
    return false;
}

} // namespace MacPlatform
