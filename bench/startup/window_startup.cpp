// A 720 x 540 window made through MacPlatform, as the launcher makes its own, timed from the
// moment its process was started to the first frame on the screen. bench/window-startup runs
// it beside bare_window_startup, which does the least SDL and Cairo need for the same frame.
//
// Usage: window_startup first-frame   prints "first_frame_ms <ms> rss_kb <kB>" and exits
//        window_startup idle SECONDS  keeps the window up with a 0.083 s timer that does
//                                     nothing, then prints "cpu_percent <share of one core>"
// The launching script passes its clock reading in GW_BENCH_START_NS (CLOCK_MONOTONIC).
#include "StartupCommon.h"

#include <Carbon/Carbon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int g_framesDrawn = 0;

OSStatus drawFrame(EventHandlerCallRef, EventRef event, void*) {
    CGContextRef context = nullptr;
    GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr, sizeof context,
                      nullptr, &context);
    if (!context)
        return eventNotHandledErr;
    ++g_framesDrawn;
    BenchStartup::drawTestFrame(
        [&](double r, double g, double b, double x, double y, double w, double h) {
            CGContextSetRGBFillColor(context, r, g, b, 1);
            CGContextFillRect(context, CGRectMake(x, y, w, h));
        });
    return noErr;
}

void doNothing(EventLoopTimerRef, void*) {}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "first-frame") && std::strcmp(argv[1], "idle"))) {
        std::fprintf(stderr, "usage: %s first-frame | idle SECONDS\n", argv[0]);
        return 2;
    }
    Rect bounds = {0, 0, BenchStartup::kHeight, BenchStartup::kWidth};
    WindowRef window = nullptr;
    OSStatus status = CreateNewWindow(
        kDocumentWindowClass,
        kWindowCompositingAttribute | kWindowStandardHandlerAttribute | kWindowCloseBoxAttribute,
        &bounds, &window);
    if (status != noErr) {
        std::fprintf(stderr, "CreateNewWindow failed: %d\n", (int)status);
        return 1;
    }
    const EventTypeSpec drawEvent = {kEventClassControl, kEventControlDraw};
    InstallEventHandler(GetControlEventTarget(HIViewGetRoot(window)), NewEventHandlerUPP(drawFrame),
                        1, &drawEvent, nullptr, nullptr);
    ShowWindow(window);
    HIViewSetNeedsDisplay(HIViewGetRoot(window), true);
    // One pass of the loop composites the window and presents it.
    RunCurrentEventLoop(kEventDurationNoWait);

    if (g_framesDrawn == 0) {
        std::fprintf(stderr, "the window was shown without drawing its frame\n");
        return 1;
    }
    if (!std::strcmp(argv[1], "first-frame")) {
        BenchStartup::reportFirstFrame();
        DisposeWindow(window);
        return 0;
    }
    double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    EventLoopTimerRef timer = nullptr;
    InstallEventLoopTimer(GetMainEventLoop(), 0.083, 0.083, NewEventLoopTimerUPP(doNothing),
                          nullptr, &timer);
    BenchStartup::CpuMeter meter;
    RunCurrentEventLoop(seconds);
    meter.report();
    RemoveEventLoopTimer(timer);
    DisposeWindow(window);
    return 0;
}
