#include "Event.h"
#include "EventParameterCoercion.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace MacPlatform {

Event::Event(UInt32 eventClass, UInt32 kind, EventTime when, EventAttributes attributes)
    : m_class(eventClass), m_kind(kind), m_time(when), m_attributes(attributes) {}

Event* Event::fromRef(EventRef ref) {
    auto* event = reinterpret_cast<Event*>(ref);
    if (!event || event->m_tag != kTag) {
        return nullptr;
    }
    return event;
}

void Event::release() {
    if (--m_retainCount == 0) {
        m_tag = 0;
        delete this;
    }
}

OSStatus Event::setParameter(EventParamName name, EventParamType type, ByteCount size,
                             const void* data) {
    if (size > 0 && !data) {
        return paramErr;
    }
    const auto* first = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> bytes(first, first + size);
    for (Parameter& parameter : m_parameters) {
        if (parameter.name == name) {
            parameter.type = type;
            parameter.bytes = std::move(bytes);
            return noErr;
        }
    }
    m_parameters.push_back(Parameter{name, type, std::move(bytes)});
    return noErr;
}

OSStatus Event::getParameter(EventParamName name, EventParamType desiredType,
                             EventParamType* actualType, ByteCount bufferSize,
                             ByteCount* actualSize, void* outData) const {
    if (bufferSize > 0 && !outData) {
        return paramErr;
    }
    auto found = std::find_if(m_parameters.begin(), m_parameters.end(),
                              [name](const Parameter& p) { return p.name == name; });
    if (found == m_parameters.end()) {
        return eventParameterNotFoundErr;
    }
    const std::vector<unsigned char>* value = &found->bytes;
    EventParamType type = found->type;
    std::vector<unsigned char> converted;
    if (desiredType != typeWildCard && desiredType != found->type) {
        OSStatus status = coerceEventParameter(found->type, found->bytes, desiredType, converted);
        if (status != noErr) {
            return status;
        }
        value = &converted;
        type = desiredType;
    }
    if (actualType) {
        *actualType = type;
    }
    if (actualSize) {
        *actualSize = value->size();
    }
    ByteCount copied = std::min<ByteCount>(bufferSize, value->size());
    if (copied > 0) {
        std::memcpy(outData, value->data(), copied);
    }
    return noErr;
}

} // namespace MacPlatform

using MacPlatform::Event;

extern "C" {

EventTime GetCurrentEventTime(void) {
    // The monotonic clock counts from system start-up, as event times do on the Mac.
    auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<EventTime>(sinceBoot).count();
}

OSStatus CreateEvent(CFAllocatorRef, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes inAttributes, EventRef* outEvent) {
    if (!outEvent) {
        return paramErr;
    }
    EventTime when = inWhen == 0 ? GetCurrentEventTime() : inWhen;
    *outEvent = (new Event(inClassID, inKind, when, inAttributes))->ref();
    return noErr;
}

EventRef RetainEvent(EventRef inEvent) {
    Event* event = Event::fromRef(inEvent);
    if (event) {
        event->retain();
    }
    return inEvent;
}

void ReleaseEvent(EventRef inEvent) {
    if (Event* event = Event::fromRef(inEvent)) {
        event->release();
    }
}

ItemCount GetEventRetainCount(EventRef inEvent) {
    Event* event = Event::fromRef(inEvent);
    return event ? event->retainCount() : 0;
}

UInt32 GetEventClass(EventRef inEvent) {
    Event* event = Event::fromRef(inEvent);
    return event ? event->eventClass() : 0;
}

UInt32 GetEventKind(EventRef inEvent) {
    Event* event = Event::fromRef(inEvent);
    return event ? event->kind() : 0;
}

EventTime GetEventTime(EventRef inEvent) {
    Event* event = Event::fromRef(inEvent);
    return event ? event->time() : 0;
}

OSStatus SetEventTime(EventRef inEvent, EventTime inTime) {
    Event* event = Event::fromRef(inEvent);
    if (!event) {
        return paramErr;
    }
    event->setTime(inTime);
    return noErr;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr) {
    Event* event = Event::fromRef(inEvent);
    if (!event) {
        return paramErr;
    }
    return event->setParameter(inName, inType, inSize, inDataPtr);
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData) {
    Event* event = Event::fromRef(inEvent);
    if (!event) {
        return paramErr;
    }
    return event->getParameter(inName, inDesiredType, outActualType, inBufferSize, outActualSize,
                               outData);
}

} // extern "C"
