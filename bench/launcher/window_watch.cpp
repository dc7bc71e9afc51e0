// window_watch: reports, with CLOCK_MONOTONIC times, what happens to the top-level windows of
// the X display ($DISPLAY), one line per event on standard output:
//
//   map <ns> <window> <pid>      a top-level window was mapped (pid from _NET_WM_PID, or 0)
//   unmap <ns> <window> <pid>    it was unmapped
//   content <ns> <window>        the first drawing after a map that leaves more than one colour
//                                in the window: its first frame is on the screen
//   damage <ns> <window>         any drawing into a mapped top-level window (one line per
//                                rectangle the server reports; a present of a whole frame is one)
//
// bench/launcher-bench starts it before the program it measures and reads the lines. Drawing
// is seen through the DAMAGE extension, spoken here through Xlib's extension hooks because
// only the protocol headers are installed, not the client library.
#include <map>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/extensions/damageproto.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>

// Xlibint.h defines these as macros.
#undef min
#undef max

namespace {

struct WatchedWindow {
    bool damageCreated = false;
    bool waitingForContent = false;
};

long long nowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int g_damageMajor = 0;
int g_damageEventBase = 0;

// Xlib drops events it has no converter for; this one keeps the damaged drawable.
Bool convertDamageEvent(Display* display, XEvent* event, xEvent* wire) {
    auto* notify = reinterpret_cast<xDamageNotifyEvent*>(wire);
    event->xany.type = notify->type & 0x7F;
    event->xany.serial = _XSetLastRequestRead(display, reinterpret_cast<xGenericReply*>(wire));
    event->xany.send_event = (notify->type & 0x80) != 0;
    event->xany.display = display;
    event->xany.window = notify->drawable;
    return True;
}

bool initDamage(Display* dpy) {
    int errorBase = 0;
    if (!XQueryExtension(dpy, DAMAGE_NAME, &g_damageMajor, &g_damageEventBase, &errorBase))
        return false;
    XESetWireToEvent(dpy, g_damageEventBase + XDamageNotify, convertDamageEvent);
    LockDisplay(dpy);
    xDamageQueryVersionReq* request;
    GetReq(DamageQueryVersion, request);
    request->reqType = static_cast<CARD8>(g_damageMajor);
    request->damageReqType = X_DamageQueryVersion;
    request->majorVersion = DAMAGE_MAJOR;
    request->minorVersion = DAMAGE_MINOR;
    xDamageQueryVersionReply reply;
    bool ok = _XReply(dpy, reinterpret_cast<xReply*>(&reply), 0, xTrue);
    UnlockDisplay(dpy);
    SyncHandle();
    return ok;
}

void createDamage(Display* dpy, Window window) {
    LockDisplay(dpy);
    xDamageCreateReq* request;
    GetReq(DamageCreate, request);
    request->reqType = static_cast<CARD8>(g_damageMajor);
    request->damageReqType = X_DamageCreate;
    request->damage = static_cast<CARD32>(XAllocID(dpy));
    request->drawable = static_cast<CARD32>(window);
    request->level = XDamageReportRawRectangles;
    UnlockDisplay(dpy);
    SyncHandle();
}

unsigned long windowPid(Display* display, Window window) {
    static Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32 && count == 1)
            pid = *reinterpret_cast<unsigned long*>(data);
        XFree(data);
    }
    return pid;
}

// More than one colour in the window: something has been drawn into it.
bool hasContent(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool found = false;
    unsigned long first = XGetPixel(image, 0, 0);
    for (int y = 0; y < image->height && !found; y += 2)
        for (int x = 0; x < image->width && !found; x += 2)
            found = XGetPixel(image, x, y) != first;
    XDestroyImage(image);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0; // windows may go away between an event and our look at them
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_watch: cannot open the display\n");
        return 1;
    }
    if (!initDamage(display)) {
        std::fprintf(stderr, "window_watch: the display has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    std::printf("ready %lld\n", nowNs());

    std::map<Window, WatchedWindow> windows;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        long long ns = nowNs();
        if (event.type == MapNotify && event.xmap.event == root) {
            Window window = event.xmap.window;
            WatchedWindow& watched = windows[window];
            std::printf("map %lld 0x%lx %lu\n", ns, window, windowPid(display, window));
            if (!watched.damageCreated) {
                createDamage(display, window);
                watched.damageCreated = true;
            }
            watched.waitingForContent = true;
            if (hasContent(display, window)) {
                std::printf("content %lld 0x%lx\n", nowNs(), window);
                watched.waitingForContent = false;
            }
        } else if (event.type == UnmapNotify && event.xunmap.event == root) {
            Window window = event.xunmap.window;
            std::printf("unmap %lld 0x%lx %lu\n", ns, window, windowPid(display, window));
            windows[window].waitingForContent = false;
        } else if (event.type == DestroyNotify && event.xdestroywindow.event == root) {
            windows.erase(event.xdestroywindow.window);
        } else if (event.type == g_damageEventBase + XDamageNotify) {
            Window window = event.xany.window;
            std::printf("damage %lld 0x%lx\n", ns, window);
            auto found = windows.find(window);
            if (found != windows.end() && found->second.waitingForContent &&
                hasContent(display, window)) {
                std::printf("content %lld 0x%lx\n", nowNs(), window);
                found->second.waitingForContent = false;
            }
        }
    }
}
