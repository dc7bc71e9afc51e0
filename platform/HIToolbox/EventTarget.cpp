#include "EventTarget.h"
#include "Event.h"

#include <MacPlatformTesting.h>

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace MacPlatform {

struct EventHandlerRecord {
    EventTargetNode* node;
    EventHandlerUPP proc;
    std::vector<EventTypeSpec> types;
    void* userData;
    bool removed = false;

    bool wants(UInt32 eventClass, UInt32 kind) const {
        return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& type) {
            return type.eventClass == eventClass && type.eventKind == kind;
        });
    }
};

namespace {

// The handlers that may still be removed; a reference not in here was removed already or
// belonged to a target that is gone.
std::unordered_set<const EventHandlerRecord*>& liveHandlers() {
    static std::unordered_set<const EventHandlerRecord*> handlers;
    return handlers;
}

} // namespace

// One delivery of an event to one target's stack. `remaining` counts the handlers below the
// one being asked; CallNextEventHandler moves it down, so no handler is asked twice.
struct EventHandlerCallFrame {
    EventTargetNode* node;
    std::size_t remaining;
};

namespace {

std::vector<EventHandlerCallFrame*>& activeFrames() {
    static std::vector<EventHandlerCallFrame*> frames;
    return frames;
}

} // namespace

struct EventTargetNode {
    static constexpr std::uint32_t kTag = 0x54617267;
    std::uint32_t tag = kTag;
    EventTarget* owner;
    std::weak_ptr<EventTargetNode> parent;
    // In installation order; the stack is asked from the back. Records are only erased while
    // no delivery runs on this target, so the indices a delivery walks stay valid.
    std::vector<std::unique_ptr<EventHandlerRecord>> handlers;
    int deliveries = 0;
    bool needsCompaction = false;

    explicit EventTargetNode(EventTarget* target) : owner(target) {}
    ~EventTargetNode() { tag = 0; }

    void removeHandler(EventHandlerRecord* record) {
        liveHandlers().erase(record);
        record->removed = true;
        needsCompaction = true;
        compactIfIdle();
    }

    void compactIfIdle() {
        if (deliveries > 0 || !needsCompaction) {
            return;
        }
        std::erase_if(handlers, [](const auto& record) { return record->removed; });
        needsCompaction = false;
    }

    // Asks the handlers below the frame's position, one by one, until one takes the event.
    OSStatus runChain(EventHandlerCallFrame& frame, EventRef event) {
        UInt32 eventClass = GetEventClass(event);
        UInt32 kind = GetEventKind(event);
        while (frame.remaining > 0) {
            EventHandlerRecord* record = handlers[--frame.remaining].get();
            if (record->removed || !record->wants(eventClass, kind)) {
                continue;
            }
            OSStatus status = record->proc(reinterpret_cast<EventHandlerCallRef>(&frame), event,
                                           record->userData);
            if (status != eventNotHandledErr) {
                return status;
            }
        }
        return eventNotHandledErr;
    }

    OSStatus deliver(EventRef event) {
        // Handlers installed while this delivery runs sit above `remaining` and are not asked.
        EventHandlerCallFrame frame{this, handlers.size()};
        ++deliveries;
        activeFrames().push_back(&frame);
        OSStatus status = runChain(frame, event);
        activeFrames().pop_back();
        --deliveries;
        compactIfIdle();
        return status;
    }
};

EventTarget::EventTarget() : m_node(std::make_shared<EventTargetNode>(this)) {
    // The registry must outlive every target, the application's static one included, whose
    // destructor takes its handlers out of it at exit.
    liveHandlers();
}

EventTarget::~EventTarget() {
    for (auto& record : m_node->handlers) {
        if (!record->removed) {
            liveHandlers().erase(record.get());
            record->removed = true;
        }
    }
    m_node->needsCompaction = true;
    m_node->compactIfIdle();
    m_node->owner = nullptr;
}

EventTargetRef EventTarget::ref() const {
    return reinterpret_cast<EventTargetRef>(m_node.get());
}

EventTarget* EventTarget::fromRef(EventTargetRef ref) {
    auto* node = reinterpret_cast<EventTargetNode*>(ref);
    if (!node || node->tag != EventTargetNode::kTag) {
        return nullptr;
    }
    return node->owner;
}

OSStatus EventTarget::setParent(EventTarget* parent) {
    for (EventTarget* ancestor = parent; ancestor; ancestor = ancestor->parent()) {
        if (ancestor == this) {
            return paramErr;
        }
    }
    m_node->parent = parent ? parent->m_node : std::weak_ptr<EventTargetNode>();
    return noErr;
}

EventTarget* EventTarget::parent() const {
    std::shared_ptr<EventTargetNode> parent = m_node->parent.lock();
    return parent ? parent->owner : nullptr;
}

OSStatus EventTarget::installHandler(EventHandlerUPP handler, ItemCount typeCount,
                                     const EventTypeSpec* types, void* userData,
                                     EventHandlerRef* outRef) {
    if (!handler || (typeCount > 0 && !types)) {
        return paramErr;
    }
    auto record = std::make_unique<EventHandlerRecord>(
        EventHandlerRecord{m_node.get(), handler, {types, types + typeCount}, userData});
    liveHandlers().insert(record.get());
    if (outRef) {
        *outRef = reinterpret_cast<EventHandlerRef>(record.get());
    }
    m_node->handlers.push_back(std::move(record));
    return noErr;
}

OSStatus EventTarget::send(EventRef event) const {
    // Holding each node keeps it alive while its handlers run, even if one of them destroys
    // the object that owns the target (a window closed by its own close event).
    std::shared_ptr<EventTargetNode> node = m_node;
    while (node) {
        OSStatus status = node->deliver(event);
        if (status != eventNotHandledErr) {
            return status;
        }
        node = node->parent.lock();
    }
    return eventNotHandledErr;
}

ItemCount EventTarget::handlerCount() const {
    return static_cast<ItemCount>(std::count_if(m_node->handlers.begin(), m_node->handlers.end(),
                                                [](const auto& r) { return !r->removed; }));
}

EventTarget& EventTarget::application() {
    static EventTarget target;
    return target;
}

} // namespace MacPlatform

using MacPlatform::Event;
using MacPlatform::EventTarget;

extern "C" {

EventTargetRef GetApplicationEventTarget(void) {
    return EventTarget::application().ref();
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef) {
    EventTarget* target = EventTarget::fromRef(inTarget);
    if (!target) {
        return paramErr;
    }
    return target->installHandler(inHandler, inNumTypes, inList, inUserData, outRef);
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef) {
    auto* record = reinterpret_cast<MacPlatform::EventHandlerRecord*>(inHandlerRef);
    if (!record || !MacPlatform::liveHandlers().contains(record)) {
        return paramErr;
    }
    record->node->removeHandler(record);
    return noErr;
}

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent) {
    auto* frame = reinterpret_cast<MacPlatform::EventHandlerCallFrame*>(inCallRef);
    auto& frames = MacPlatform::activeFrames();
    if (!frame || std::find(frames.begin(), frames.end(), frame) == frames.end() ||
        !Event::fromRef(inEvent)) {
        return paramErr;
    }
    return frame->node->runChain(*frame, inEvent);
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget) {
    EventTarget* target = EventTarget::fromRef(inTarget);
    if (!target || !Event::fromRef(inEvent)) {
        return paramErr;
    }
    return target->send(inEvent);
}

} // extern "C"

extern "C" {

EventTargetRef MacPlatformTestCreateEventTarget(EventTargetRef parent) {
    auto* target = new EventTarget;
    if (parent && target->setParent(EventTarget::fromRef(parent)) != noErr) {
        delete target;
        return nullptr;
    }
    return target->ref();
}

OSStatus MacPlatformTestSetEventTargetParent(EventTargetRef target, EventTargetRef parent) {
    EventTarget* child = EventTarget::fromRef(target);
    EventTarget* newParent = EventTarget::fromRef(parent);
    if (!child || (parent && !newParent)) {
        return paramErr;
    }
    return child->setParent(newParent);
}

void MacPlatformTestDisposeEventTarget(EventTargetRef target) {
    EventTarget* object = EventTarget::fromRef(target);
    if (object && object != &EventTarget::application()) {
        delete object;
    }
}

} // extern "C"
