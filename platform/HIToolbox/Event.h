// The object behind an EventRef: class, kind, time, attributes and the typed parameters.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <cstdint>
#include <vector>

namespace MacPlatform {

class Event {
public:
    Event(UInt32 eventClass, UInt32 kind, EventTime when, EventAttributes attributes);

    // The event behind a reference, or null when the reference is null or not an event.
    static Event* fromRef(EventRef ref);
    EventRef ref() { return reinterpret_cast<EventRef>(this); }

    void retain() { ++m_retainCount; }
    // Deletes the event when this was the last reference.
    void release();
    ItemCount retainCount() const { return m_retainCount; }

    UInt32 eventClass() const { return m_class; }
    UInt32 kind() const { return m_kind; }
    EventTime time() const { return m_time; }
    void setTime(EventTime when) { m_time = when; }
    EventAttributes attributes() const { return m_attributes; }

    OSStatus setParameter(EventParamName name, EventParamType type, ByteCount size,
                          const void* data);
    OSStatus getParameter(EventParamName name, EventParamType desiredType,
                          EventParamType* actualType, ByteCount bufferSize, ByteCount* actualSize,
                          void* outData) const;

private:
    struct Parameter {
        EventParamName name;
        EventParamType type;
        std::vector<unsigned char> bytes;
    };

    ~Event() = default;

    // Stale or foreign pointers handed in as events are recognised by this tag.
    static constexpr std::uint32_t kTag = 0x45764E74;
    std::uint32_t m_tag = kTag;
    ItemCount m_retainCount = 1;
    UInt32 m_class;
    UInt32 m_kind;
    EventTime m_time;
    EventAttributes m_attributes;
    std::vector<Parameter> m_parameters;
};

} // namespace MacPlatform
