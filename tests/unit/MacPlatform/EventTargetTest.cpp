#include <Carbon/CarbonEvents.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const EventTypeSpec kCommandProcess = {kEventClassCommand, kEventCommandProcess};

// A handler that writes its name into the shared trace and answers as it was told.
struct Probe {
    std::string name;
    std::vector<std::string>* trace;
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
    probe->trace->push_back(probe->name);
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

struct CommandEvent {
    EventRef event = nullptr;
    CommandEvent() {
        CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event);
        HICommand command{};
        command.commandID = kHICommandOK;
        SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
    }
    ~CommandEvent() { ReleaseEvent(event); }
};

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
    std::vector<std::string> trace;
    Target target;
    Probe first{"first", &trace}, second{"second", &trace}, third{"third", &trace};
    Probe mouseOnly{"mouse", &trace};
    target.install(first);
    target.install(second);
    target.install(mouseOnly, EventTypeSpec{kEventClassMouse, kEventMouseDown});
    target.install(third);

    CommandEvent command;
    Target empty;
    EXPECT_EQ(SendEventToEventTarget(command.event, empty.ref), eventNotHandledErr);
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), eventNotHandledErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"third", "second", "first"}));

    trace.clear();
    second.answer = noErr;
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), noErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"third", "second"}));

    // Any status other than eventNotHandledErr ends the delivery and comes back unchanged.
    trace.clear();
    third.answer = paramErr;
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), paramErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"third"}));

    EventHandlerRef handler = nullptr;
    EXPECT_EQ(InstallEventHandler(target.ref, probeHandler, 2, nullptr, nullptr, &handler),
              paramErr);
    EXPECT_EQ(SendEventToEventTarget(command.event, nullptr), paramErr);
}

TEST(EventTarget, CallNextEventHandlerRunsTheRestOfTheStackOnce) {
    std::vector<std::string> trace;
    Target target;
    Probe bottom{"bottom", &trace, noErr};
    Probe middle{"middle", &trace};
    Probe top{"top", &trace};
    top.callNextFirst = true;
    target.install(bottom);
    target.install(middle);
    target.install(top);

    CommandEvent command;
    // The top handler's own answer decides; the handlers it already asked are not asked again.
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), eventNotHandledErr);
    EXPECT_EQ(top.nextAnswer, noErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"top", "middle", "bottom"}));

    trace.clear();
    bottom.answer = eventNotHandledErr;
    top.answer = noErr;
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), noErr);
    EXPECT_EQ(top.nextAnswer, eventNotHandledErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"top", "middle", "bottom"}));

    int bogus = 0;
    EXPECT_EQ(CallNextEventHandler(reinterpret_cast<EventHandlerCallRef>(&bogus), command.event),
              paramErr);
}

TEST(EventTarget, HandlersRemovedOrAddedDuringADelivery) {
    std::vector<std::string> trace;
    Target target;
    Probe lower{"lower", &trace};
    Probe self{"self", &trace};
    Probe upper{"upper", &trace};
    EventHandlerRef lowerRef = target.install(lower);
    EventHandlerRef selfRef = target.install(self);
    target.install(upper);
    upper.removeDuringCall = lowerRef;
    self.removeDuringCall = selfRef;
    Probe late{"late", &trace};
    upper.installOn = target.ref;
    upper.installProbe = &late;

    CommandEvent command;
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), eventNotHandledErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"upper", "self"}));
    EXPECT_EQ(RemoveEventHandler(lowerRef), paramErr);
    EXPECT_EQ(RemoveEventHandler(selfRef), paramErr);

    // The handler installed during the first delivery is asked from the next one on.
    trace.clear();
    EXPECT_EQ(SendEventToEventTarget(command.event, target.ref), eventNotHandledErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"late", "upper"}));
}

TEST(EventTarget, UnhandledEventsClimbFromViewToWindowToApplication) {
    std::vector<std::string> trace;
    Target window(GetApplicationEventTarget());
    Target contentView(window.ref);
    Target button(contentView.ref);
    Probe onButton{"button", &trace}, onContent{"content", &trace}, onWindow{"window", &trace};
    Probe onApplication{"application", &trace, noErr};
    button.install(onButton);
    contentView.install(onContent);
    window.install(onWindow);
    EventHandlerRef applicationHandler = nullptr;
    ASSERT_EQ(InstallApplicationEventHandler(NewEventHandlerUPP(probeHandler), 1, &kCommandProcess,
                                             &onApplication, &applicationHandler),
              noErr);

    CommandEvent command;
    EXPECT_EQ(SendEventToEventTarget(command.event, button.ref), noErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"button", "content", "window", "application"}));

    trace.clear();
    onContent.answer = noErr;
    EXPECT_EQ(SendEventToEventTarget(command.event, button.ref), noErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"button", "content"}));

    // A target whose handler disposes of it still hands the event on to its parent.
    trace.clear();
    onContent.answer = eventNotHandledErr;
    Target doomed(window.ref);
    Probe closing{"closing", &trace};
    doomed.install(closing);
    closing.disposeDuringCall = doomed.ref;
    EXPECT_EQ(SendEventToEventTarget(command.event, doomed.ref), noErr);
    EXPECT_EQ(trace, (std::vector<std::string>{"closing", "window", "application"}));
    doomed.ref = nullptr;

    EXPECT_EQ(MacPlatformTestSetEventTargetParent(window.ref, button.ref), paramErr);
    EXPECT_EQ(RemoveEventHandler(applicationHandler), noErr);
}
