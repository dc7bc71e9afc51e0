// An event target: the stack of handlers of one object (the application, a window or a view)
// and the link to the target that gets the events this one leaves unhandled.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <memory>

namespace MacPlatform {

struct EventTargetNode;

class EventTarget {
public:
    EventTarget();
    // Removes the target's handlers; an event being delivered to it at this moment finishes
    // without asking them and still goes on to the parent.
    ~EventTarget();
    EventTarget(const EventTarget&) = delete;
    EventTarget& operator=(const EventTarget&) = delete;

    EventTargetRef ref() const;
    // The target behind a reference, or null when there is none (also once it was destroyed
    // while an event was still being delivered to it).
    static EventTarget* fromRef(EventTargetRef ref);

    // Unhandled events go on to the parent: view -> parent view -> window -> application.
    // Returns paramErr for a parent that would close a cycle. Null ends the chain here.
    OSStatus setParent(EventTarget* parent);
    EventTarget* parent() const;

    OSStatus installHandler(EventHandlerUPP handler, ItemCount typeCount,
                            const EventTypeSpec* types, void* userData, EventHandlerRef* outRef);
    // Asks this target's handlers and then those of its parents until one takes the event.
    OSStatus send(EventRef event) const;
    ItemCount handlerCount() const;

    static EventTarget& application();

private:
    std::shared_ptr<EventTargetNode> m_node;
};

} // namespace MacPlatform
