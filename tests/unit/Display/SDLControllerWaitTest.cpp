// While a window is shown, the SDL wait sleeps on what game controllers do rather than waking
// on a period to look: plugging is watched through udev's announcements (or /dev/input), and
// only a controller without a device node to watch keeps a period.
#include "Display/SDL/SDLBackend.h"

#include <gtest/gtest.h>

#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace SDLBackend = MacPlatform::Display::SDL;
using MacPlatform::Display::backend;
using MacPlatform::Display::Event;
using MacPlatform::Display::NativeWindow;

namespace {

constexpr int kRoom = 10;

// The wait's time limit with the controllers' watches, from no limit at all.
int waitLimit(pollfd* entries, int& count) {
    int timeoutMs = -1;
    count = SDLBackend::controllerWatches(entries, kRoom, timeoutMs);
    return timeoutMs;
}

void takeAll() {
    Event event;
    while (backend().nextEvent(&event)) {
    }
}

} // namespace

TEST(SDLControllerWait, PluggingAndControllersWakeTheWaitWithoutAPeriod) {
    if (std::strcmp(backend().name, "sdl") != 0) {
        GTEST_SKIP() << "the display is " << backend().name;
    }
    ASSERT_TRUE(backend().start()) << backend().errorText();
    ASSERT_TRUE(backend().startEvents()) << backend().errorText();
    NativeWindow* window = backend().createWindow("Controller wait", 0, 0, 64, 48);
    ASSERT_NE(window, nullptr) << backend().errorText();
    backend().show(window);
    backend().waitForEvent(0);
    ASSERT_TRUE(SDL_WasInit(SDL_INIT_GAMECONTROLLER));

    pollfd entries[kRoom];
    int count = 0;
    // No controller: asleep when plugging can be watched, a look each second when it cannot.
    int idle = waitLimit(entries, count);
    EXPECT_EQ(idle, count > 0 ? -1 : 1000) << count << " watches";

    // SDL's virtual controllers have no device node: read on a period while one is plugged.
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_PumpEvents();
    takeAll();
    EXPECT_EQ(waitLimit(entries, count), 16);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    SDL_PumpEvents();
    takeAll();
    EXPECT_EQ(waitLimit(entries, count), idle);

    // An announcement of udev wakes the wait, which takes it so that it wakes only once.
    // Only a privileged process may announce; elsewhere the rest is left out.
    int announcer = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    group.nl_groups = 2;
    const char message[] = "not a device";
    bool announced = count > 0 && announcer >= 0 &&
                     sendto(announcer, message, sizeof message, 0,
                            reinterpret_cast<sockaddr*>(&group), sizeof group) >= 0;
    if (announcer >= 0) {
        close(announcer);
    }
    if (announced) {
        pollfd udev = entries[0];
        ASSERT_EQ(poll(&udev, 1, 0), 1) << "the announcement did not reach the watch";
        // The display may have events of its own queued, which end a wait before it polls.
        for (int pass = 0; pass < 20 && poll(&udev, 1, 0) == 1; ++pass) {
            backend().waitForEvent(10000);
            takeAll();
        }
        EXPECT_EQ(poll(&udev, 1, 0), 0) << "the wait left the announcement unread";
    }
    backend().destroyWindow(window);
    backend().stopEvents();
    backend().stop();
}
