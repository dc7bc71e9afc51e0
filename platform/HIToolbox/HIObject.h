// HIObject instances and the classes that make them.
#pragma once

#include "CoreFoundation/CFRuntime.h"
#include "HIToolbox/EventTarget.h"

#include <Carbon/HIObject.h>

#include <string>
#include <vector>

namespace MacPlatform {

enum : CFTypeID { kTypeIDHIObject = kTypeIDFirstCustom + 80 };

// A view is an HIObject: both references name the same object, and these two are the only
// conversions between them.
inline HIViewRef viewOfObject(HIObjectRef object) {
    return reinterpret_cast<HIViewRef>(object);
}
inline HIObjectRef objectOfView(HIViewRef view) {
    return reinterpret_cast<HIObjectRef>(view);
}
// A new view of a registered class (Create rule), sent `initialize` if it is not null.
OSStatus createViewOfClass(const char* classID, EventRef initialize, HIViewRef* outView);

struct HIObjectClass {
    std::string id;
    HIObjectClass* base = nullptr;
    EventHandlerUPP proc = nullptr;
    std::vector<EventTypeSpec> events;
    void* constructData = nullptr;
    int instances = 0;
    int subclasses = 0;
};

class HIObjectInstance : public CFObject {
public:
    // Runs construct for every class of the chain, base first; null with the handlers' error
    // in `status` when one of them fails (the classes constructed so far are destructed).
    static HIObjectInstance* construct(HIObjectClass& objectClass, OSStatus* status);
    // Sends destruct to every constructed class, the most derived first.
    ~HIObjectInstance() override;

    HIObjectRef ref() const {
        return reinterpret_cast<HIObjectRef>(
            static_cast<CFObject*>(const_cast<HIObjectInstance*>(this)));
    }
    static HIObjectInstance* fromRef(HIObjectRef ref);

    EventTarget& eventTarget() { return m_target; }
    const HIObjectClass& objectClass() const { return *m_class; }
    bool isOfClass(const std::string& id) const;
    // The data the construct handler of that class of the chain handed back, or null.
    void* instanceDataOf(const std::string& classID) const;

private:
    explicit HIObjectInstance(HIObjectClass& objectClass);

    struct Constructed {
        HIObjectClass* objectClass;
        void* instanceData;
        EventHandlerRef handler;
    };

    HIObjectClass* m_class;
    EventTarget m_target;
    // Base class first.
    std::vector<Constructed> m_constructed;
};

} // namespace MacPlatform
