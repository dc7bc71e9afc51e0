// Delivery of one event through a stack of five handlers, the four upper ones passing it on:
// SendEventToEventTarget against a plain vector of std::function asked from the back with the
// same class and kind check. The reference is no library, only the least a handler stack costs
// in C++, so the ratio shows what the Carbon bookkeeping adds.
// Also the cost of an idle event loop that keeps the launcher's two timers (every 0.083 s and
// every 0.5 s): the process's CPU share and its wake-ups per second, as counters, beside SDL's
// own SDL_WaitEventTimeout keeping the same two periods with only its event subsystem up; and
// the same idle loop with a window shown, when game controllers are read (only with a display).
#include <Carbon/CarbonEvents.h>
#include <Carbon/MacWindows.h>

#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kHandlers = 5;
const EventTypeSpec kCommandProcess = {kEventClassCommand, kEventCommandProcess};

struct Counters {
    std::uint64_t asked[kHandlers] = {};
};

template <int Index> OSStatus countingHandler(EventHandlerCallRef, EventRef, void* userData) {
    ++static_cast<Counters*>(userData)->asked[Index];
    return Index == 0 ? noErr : eventNotHandledErr;
}

const EventHandlerUPP kHandlerProcs[kHandlers] = {countingHandler<0>, countingHandler<1>,
                                                  countingHandler<2>, countingHandler<3>,
                                                  countingHandler<4>};

EventRef makeCommandEvent() {
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event);
    HICommand command{};
    command.commandID = kHICommandOK;
    SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
    return event;
}

void sendEventToEventTarget(benchmark::State& state) {
    Counters counters;
    EventHandlerRef handlers[kHandlers] = {};
    EventTargetRef target = GetApplicationEventTarget();
    for (int i = 0; i < kHandlers; ++i) {
        InstallEventHandler(target, kHandlerProcs[i], 1, &kCommandProcess, &counters, &handlers[i]);
    }
    EventRef event = makeCommandEvent();
    for (auto _ : state) {
        OSStatus status = SendEventToEventTarget(event, target);
        benchmark::DoNotOptimize(status);
    }
    ReleaseEvent(event);
    for (EventHandlerRef handler : handlers) {
        RemoveEventHandler(handler);
    }
    if (counters.asked[0] != counters.asked[kHandlers - 1]) {
        state.SkipWithError("not every handler was asked");
    }
    state.SetItemsProcessed(state.iterations());
}

struct FunctionEntry {
    EventTypeSpec type;
    std::function<OSStatus(EventRef)> handler;
};

void stdFunctionChain(benchmark::State& state) {
    Counters counters;
    std::vector<FunctionEntry> chain;
    for (int i = 0; i < kHandlers; ++i) {
        chain.push_back({kCommandProcess, [&counters, i](EventRef) {
                             ++counters.asked[i];
                             return i == 0 ? noErr : eventNotHandledErr;
                         }});
    }
    EventRef event = makeCommandEvent();
    for (auto _ : state) {
        UInt32 eventClass = GetEventClass(event);
        UInt32 kind = GetEventKind(event);
        OSStatus status = eventNotHandledErr;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (it->type.eventClass == eventClass && it->type.eventKind == kind) {
                status = it->handler(event);
                if (status != eventNotHandledErr) {
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(status);
    }
    ReleaseEvent(event);
    state.SetItemsProcessed(state.iterations());
}

void countTick(EventLoopTimerRef, void* data) {
    ++*static_cast<int*>(data);
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

constexpr EventTimeout kIdleSeconds = 2.0;

struct ProcessUsage {
    double cpu;
    long wakeups;
};

// The whole process counts, threads included.
ProcessUsage processUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw};
}

void reportIdle(benchmark::State& state, ProcessUsage used, int ticks) {
    double elapsed = kIdleSeconds * static_cast<double>(state.iterations());
    state.counters["cpu_percent"] = 100 * used.cpu / elapsed;
    state.counters["wakeups_per_s"] = static_cast<double>(used.wakeups) / elapsed;
    state.counters["ticks_per_s"] = ticks / elapsed;
}

// The CPU time and wake-ups of the benchmark's iterations, each an idle run of the loop.
ProcessUsage idleUsage(benchmark::State& state) {
    ProcessUsage used{0, 0};
    for (auto _ : state) {
        ProcessUsage before = processUsage();
        RunCurrentEventLoop(kIdleSeconds);
        ProcessUsage after = processUsage();
        used.cpu += after.cpu - before.cpu;
        used.wakeups += after.wakeups - before.wakeups;
    }
    return used;
}

void idleLoopWithLauncherTimers(benchmark::State& state) {
    int ticks = 0;
    EventLoopTimerRef timers[2] = {};
    InstallEventLoopTimer(GetMainEventLoop(), 0.083, 0.083, countTick, &ticks, &timers[0]);
    InstallEventLoopTimer(GetMainEventLoop(), 0.5, 0.5, countTick, &ticks, &timers[1]);
    ProcessUsage used = idleUsage(state);
    for (EventLoopTimerRef timer : timers) {
        RemoveEventLoopTimer(timer);
    }
    reportIdle(state, used, ticks);
}

// While a window is shown the loop also reads game controllers; with none plugged in and no
// timer it must not wake at all.
void idleLoopWithWindowShown(benchmark::State& state) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display to show a window on");
        return;
    }
    Rect bounds = {0, 0, 120, 160};
    WindowRef window = nullptr;
    if (CreateNewWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, &bounds, &window) !=
        noErr) {
        state.SkipWithError("no window");
        return;
    }
    ShowWindow(window);
    // Its first frame and the controllers' start, before anything is counted.
    RunCurrentEventLoop(0.5);
    ProcessUsage used = idleUsage(state);
    DisposeWindow(window);
    reportIdle(state, used, 0);
}

void idleSDLWaitWithLauncherTimers(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    int ticks = 0;
    ProcessUsage used{0, 0};
    for (auto _ : state) {
        ProcessUsage before = processUsage();
        Clock::time_point start = Clock::now();
        Clock::time_point end =
            start + std::chrono::milliseconds(static_cast<int>(kIdleSeconds * 1000));
        Clock::time_point fast = start + std::chrono::milliseconds(83);
        Clock::time_point slow = start + std::chrono::milliseconds(500);
        for (Clock::time_point now = start; now < end; now = Clock::now()) {
            Clock::time_point next = std::min({fast, slow, end});
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
            SDL_Event event;
            SDL_WaitEventTimeout(&event, static_cast<int>(std::max<long long>(wait, 0)));
            now = Clock::now();
            if (now >= fast) {
                ++ticks;
                fast += std::chrono::milliseconds(83);
            }
            if (now >= slow) {
                ++ticks;
                slow += std::chrono::milliseconds(500);
            }
        }
        ProcessUsage after = processUsage();
        used.cpu += after.cpu - before.cpu;
        used.wakeups += after.wakeups - before.wakeups;
    }
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    reportIdle(state, used, ticks);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RegisterBenchmark("SendEvent_5Handlers/SendEventToEventTarget",
                                 sendEventToEventTarget);
    benchmark::RegisterBenchmark("SendEvent_5Handlers/peer_std_function_chain", stdFunctionChain);
    benchmark::RegisterBenchmark("EventLoopIdle/launcher_timers", idleLoopWithLauncherTimers)
        ->Iterations(1)
        ->UseRealTime();
    benchmark::RegisterBenchmark("EventLoopIdle/window_shown_no_timers", idleLoopWithWindowShown)
        ->Iterations(1)
        ->UseRealTime();
    benchmark::RegisterBenchmark("EventLoopIdle/peer_SDL_WaitEventTimeout",
                                 idleSDLWaitWithLauncherTimers)
        ->Iterations(1)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
