// Event targets: the order their handlers are asked in, what ends a delivery, CallNextEventHandler,
// handlers and targets that change during a delivery, and events climbing to the parents.
#include <Carbon/CarbonEvents.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const EventTypeSpec kCommandProcess = {kEventClassCommand, kEventCommandProcess};

// The names of the handlers asked during one delivery, in order.
std::string g_trace;

// A handler that writes its name into the trace and answers as it was told.
struct Probe {
    std::string name;
    OSStatus answer = eventNotHandledErr;
    bool callNextFirst = false;
    OSStatus nextAnswer = 1;
    EventHandlerRef removeDuringCall = nullptr;
    EventTargetRef disposeDuringCall = nullptr;
    EventTargetRef installOn = nullptr;
    Probe* installProbe = nullptr;
};

OSStatus probeHandler(EventHandlerCallRef callRef, EventRef event, void* userData) {
    auto* probe = static_cast<Probe*>(userData);
    g_trace += probe->name + " ";
    if (probe->callNextFirst) {
        probe->nextAnswer = CallNextEventHandler(callRef, event);
    }
    if (probe->removeDuringCall) {
        EXPECT_EQ(RemoveEventHandler(probe->removeDuringCall), noErr);
        probe->removeDuringCall = nullptr;
    }
    if (probe->installOn) {
        EXPECT_EQ(InstallEventHandler(probe->installOn, probeHandler, 1, &kCommandProcess,
                                      probe->installProbe, nullptr),
                  noErr);
        probe->installOn = nullptr;
    }
    if (probe->disposeDuringCall) {
        MacPlatformTestDisposeEventTarget(probe->disposeDuringCall);
        probe->disposeDuringCall = nullptr;
    }
    return probe->answer;
}

// A command sent to the target: the handlers asked and the status that came back.
std::string send(EventTargetRef target) {
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event);
    g_trace.clear();
    OSStatus status = SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return g_trace + "-> " + std::to_string(status);
}

// A fresh target per test, so that handlers never leak into the application target.
struct Target {
    EventTargetRef ref;
    explicit Target(EventTargetRef parent = nullptr)
        : ref(MacPlatformTestCreateEventTarget(parent)) {}
    ~Target() { MacPlatformTestDisposeEventTarget(ref); }
    EventHandlerRef install(Probe& probe, const EventTypeSpec& type = kCommandProcess) {
        EventHandlerRef handler = nullptr;
        EXPECT_EQ(
            InstallEventHandler(ref, NewEventHandlerUPP(probeHandler), 1, &type, &probe, &handler),
            noErr);
        return handler;
    }
};

} // namespace

TEST(EventTarget, LaterHandlersAreAskedFirstNotHandledPassesOnAndBadArgumentsAreRefused) {
    Target target, empty;
    Probe first{"first"}, second{"second"}, third{"third"}, mouseOnly{"mouse"};
    target.install(first);
    target.install(second);
    target.install(mouseOnly, EventTypeSpec{kEventClassMouse, kEventMouseDown});
    target.install(third);
    EXPECT_EQ(send(empty.ref), "-> -9874");
    EXPECT_EQ(send(target.ref), "third second first -> -9874");
    second.answer = noErr;
    EXPECT_EQ(send(target.ref), "third second -> 0");
    // Any status other than eventNotHandledErr ends the delivery and comes back unchanged.
    third.answer = paramErr;
    EXPECT_EQ(send(target.ref), "third -> -50");
    EXPECT_EQ(send(nullptr), "-> -50");
    EventHandlerRef handler = nullptr;
    EXPECT_EQ(InstallEventHandler(target.ref, probeHandler, 2, nullptr, nullptr, &handler),
              paramErr);
}

TEST(EventTarget, CallNextEventHandlerRunsTheRestOfTheStackOnce) {
    Target target;
    Probe bottom{"bottom", noErr}, middle{"middle"}, top{"top"};
    top.callNextFirst = true;
    target.install(bottom);
    target.install(middle);
    target.install(top);
    // The top handler's own answer decides; the handlers it already asked are not asked again.
    EXPECT_EQ(send(target.ref), "top middle bottom -> -9874");
    EXPECT_EQ(top.nextAnswer, noErr);
    bottom.answer = eventNotHandledErr;
    top.answer = noErr;
    EXPECT_EQ(send(target.ref), "top middle bottom -> 0");
    EXPECT_EQ(top.nextAnswer, eventNotHandledErr);

    int bogus = 0;
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event);
    EXPECT_EQ(CallNextEventHandler(reinterpret_cast<EventHandlerCallRef>(&bogus), event), paramErr);
    ReleaseEvent(event);
}

TEST(EventTarget, HandlersRemovedOrAddedDuringADelivery) {
    Target target;
    Probe lower{"lower"}, self{"self"}, upper{"upper"}, late{"late"};
    EventHandlerRef lowerRef = target.install(lower);
    EventHandlerRef selfRef = target.install(self);
    target.install(upper);
    upper.removeDuringCall = lowerRef;
    self.removeDuringCall = selfRef;
    upper.installOn = target.ref;
    upper.installProbe = &late;
    EXPECT_EQ(send(target.ref), "upper self -> -9874");
    EXPECT_EQ(RemoveEventHandler(lowerRef), paramErr);
    EXPECT_EQ(RemoveEventHandler(selfRef), paramErr);
    // The handler installed during the first delivery is asked from the next one on.
    EXPECT_EQ(send(target.ref), "late upper -> -9874");
}

TEST(EventTarget, UnhandledEventsClimbFromViewToWindowToApplication) {
    Target window(GetApplicationEventTarget());
    Target contentView(window.ref);
    Target button(contentView.ref);
    Probe onButton{"button"}, onContent{"content"}, onWindow{"window"};
    Probe onApplication{"application", noErr};
    button.install(onButton);
    contentView.install(onContent);
    window.install(onWindow);
    EventHandlerRef applicationHandler = nullptr;
    ASSERT_EQ(InstallApplicationEventHandler(NewEventHandlerUPP(probeHandler), 1, &kCommandProcess,
                                             &onApplication, &applicationHandler),
              noErr);
    EXPECT_EQ(send(button.ref), "button content window application -> 0");
    onContent.answer = noErr;
    EXPECT_EQ(send(button.ref), "button content -> 0");

    // A target whose handler disposes of it still hands the event on to its parent.
    onContent.answer = eventNotHandledErr;
    Target doomed(window.ref);
    Probe closing{"closing"};
    doomed.install(closing);
    closing.disposeDuringCall = doomed.ref;
    EXPECT_EQ(send(doomed.ref), "closing window application -> 0");
    doomed.ref = nullptr;

    EXPECT_EQ(MacPlatformTestSetEventTargetParent(window.ref, button.ref), paramErr);
    EXPECT_EQ(RemoveEventHandler(applicationHandler), noErr);
}
