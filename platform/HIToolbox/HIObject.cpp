#include "HIToolbox/HIObject.h"
#include "CoreFoundation/CFStringObject.h"
#include "HIToolbox/HIView.h"

#include <algorithm>
#include <map>
#include <memory>

namespace MacPlatform {

namespace {

using ClassRegistry = std::map<std::string, std::unique_ptr<HIObjectClass>>;

// Views are the classes applications subclass, so their base is there from the start.
ClassRegistry* makeRegistry() {
    auto* registry = new ClassRegistry;
    auto view = std::make_unique<HIObjectClass>();
    HIView::describeBaseClass(*view);
    registry->emplace(view->id, std::move(view));
    return registry;
}

ClassRegistry& classes() {
    static ClassRegistry* registry = makeRegistry();
    return *registry;
}

// A class ID: null stands for no class (an empty ID), anything but a string is refused.
bool classIDText(CFStringRef classID, std::string* out) {
    const std::string* text = stringTextIfString(classID);
    if (classID && !text) {
        return false;
    }
    *out = text ? *text : std::string();
    return true;
}

// Sends one lifecycle event to the class handler alone, so that a handler which leaves the
// event unhandled does not pass it to the handler of another class.
OSStatus sendToClass(EventTarget& target, const HIObjectClass& objectClass, void* userData,
                     EventRef event) {
    EventHandlerRef handler = nullptr;
    OSStatus status =
        target.installHandler(objectClass.proc, static_cast<ItemCount>(objectClass.events.size()),
                              objectClass.events.data(), userData, &handler);
    if (status != noErr) {
        return status;
    }
    status = target.send(event);
    RemoveEventHandler(handler);
    return status;
}

} // namespace

HIObjectInstance::HIObjectInstance(HIObjectClass& objectClass)
    : CFObject(kTypeIDHIObject), m_class(&objectClass) {
    ++objectClass.instances;
}

HIObjectInstance* HIObjectInstance::construct(HIObjectClass& objectClass, OSStatus* status) {
    std::vector<HIObjectClass*> chain;
    for (HIObjectClass* c = &objectClass; c; c = c->base) {
        chain.insert(chain.begin(), c);
    }
    auto* instance = new HIObjectInstance(objectClass);
    HIObjectRef ref = instance->ref();
    *status = noErr;
    for (HIObjectClass* c : chain) {
        EventRef event = nullptr;
        *status = CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectConstruct, 0, 0, &event);
        if (*status != noErr) {
            break;
        }
        SetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef, sizeof ref, &ref);
        OSStatus handled = sendToClass(instance->m_target, *c, c->constructData, event);
        void* data = nullptr;
        EventParamType type = 0;
        GetEventParameter(event, kEventParamHIObjectInstance, typeWildCard, &type, sizeof data,
                          nullptr, &data);
        ReleaseEvent(event);
        if (handled != noErr && handled != eventNotHandledErr) {
            *status = handled;
            break;
        }
        instance->m_constructed.push_back({c, type == typeVoidPtr ? data : nullptr, nullptr});
    }
    if (*status != noErr) {
        delete instance;
        return nullptr;
    }
    // From now on every class sees its events with its own instance data, the most derived
    // class first.
    for (Constructed& entry : instance->m_constructed) {
        const HIObjectClass& c = *entry.objectClass;
        *status =
            instance->m_target.installHandler(c.proc, static_cast<ItemCount>(c.events.size()),
                                              c.events.data(), entry.instanceData, &entry.handler);
        if (*status != noErr) {
            delete instance;
            return nullptr;
        }
    }
    return instance;
}

HIObjectInstance::~HIObjectInstance() {
    for (const Constructed& entry : m_constructed) {
        if (entry.handler) {
            RemoveEventHandler(entry.handler);
        }
    }
    for (auto it = m_constructed.rbegin(); it != m_constructed.rend(); ++it) {
        EventRef event = nullptr;
        if (CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectDestruct, 0, 0, &event) ==
            noErr) {
            sendToClass(m_target, *it->objectClass, it->instanceData, event);
            ReleaseEvent(event);
        }
    }
    --m_class->instances;
}

OSStatus createViewOfClass(const char* classID, EventRef initialize, HIViewRef* outView) {
    if (!outView) {
        return paramErr;
    }
    *outView = nullptr;
    CFStringRef id = createString(classID);
    HIObjectRef object = nullptr;
    OSStatus status = HIObjectCreate(id, initialize, &object);
    CFRelease(id);
    if (status == noErr) {
        *outView = viewOfObject(object);
    }
    return status;
}

HIObjectInstance* HIObjectInstance::fromRef(HIObjectRef ref) {
    return castRef<HIObjectInstance>(reinterpret_cast<CFTypeRef>(ref), kTypeIDHIObject);
}

bool HIObjectInstance::isOfClass(const std::string& id) const {
    for (const HIObjectClass* c = m_class; c; c = c->base) {
        if (c->id == id) {
            return true;
        }
    }
    return false;
}

void* HIObjectInstance::instanceDataOf(const std::string& classID) const {
    for (const Constructed& entry : m_constructed) {
        if (entry.objectClass->id == classID) {
            return entry.instanceData;
        }
    }
    return nullptr;
}

} // namespace MacPlatform

using MacPlatform::HIObjectClass;
using MacPlatform::HIObjectInstance;

extern "C" {

OSStatus HIObjectRegisterSubclass(CFStringRef classID, CFStringRef baseClassID, OptionBits,
                                  EventHandlerUPP constructProc, ItemCount numEvents,
                                  const EventTypeSpec* eventList, void* constructData,
                                  HIObjectClassRef* outClassRef) {
    std::string id, baseID;
    if (!classID || !constructProc || (numEvents && !eventList) ||
        !MacPlatform::classIDText(classID, &id) ||
        !MacPlatform::classIDText(baseClassID, &baseID) || id.empty()) {
        return paramErr;
    }
    auto& registry = MacPlatform::classes();
    if (registry.contains(id)) {
        return hiObjectClassExistsErr;
    }
    HIObjectClass* base = nullptr;
    if (!baseID.empty()) {
        auto found = registry.find(baseID);
        if (found == registry.end()) {
            return paramErr;
        }
        base = found->second.get();
    }
    auto objectClass = std::make_unique<HIObjectClass>();
    objectClass->id = id;
    objectClass->base = base;
    objectClass->proc = constructProc;
    objectClass->events.assign(eventList, eventList + numEvents);
    objectClass->constructData = constructData;
    if (base) {
        ++base->subclasses;
    }
    if (outClassRef) {
        *outClassRef = reinterpret_cast<HIObjectClassRef>(objectClass.get());
    }
    registry.emplace(id, std::move(objectClass));
    return noErr;
}

OSStatus HIObjectUnregisterClass(HIObjectClassRef classRef) {
    auto& registry = MacPlatform::classes();
    auto* objectClass = reinterpret_cast<HIObjectClass*>(classRef);
    auto found = std::find_if(registry.begin(), registry.end(),
                              [&](const auto& entry) { return entry.second.get() == objectClass; });
    if (!objectClass || found == registry.end()) {
        return paramErr;
    }
    if (objectClass->instances > 0 || objectClass->subclasses > 0) {
        return hiObjectClassHasInstancesErr;
    }
    if (objectClass->base) {
        --objectClass->base->subclasses;
    }
    registry.erase(found);
    return noErr;
}

OSStatus HIObjectCreate(CFStringRef classID, EventRef initializeEvent, HIObjectRef* outObject) {
    std::string id;
    if (!outObject || !classID || !MacPlatform::classIDText(classID, &id)) {
        return paramErr;
    }
    *outObject = nullptr;
    auto& registry = MacPlatform::classes();
    auto found = registry.find(id);
    if (found == registry.end()) {
        return paramErr;
    }
    OSStatus status = noErr;
    HIObjectInstance* instance = HIObjectInstance::construct(*found->second, &status);
    if (!instance) {
        return status;
    }
    EventRef event = initializeEvent ? RetainEvent(initializeEvent) : nullptr;
    if (!event) {
        status = CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectInitialize, 0, 0, &event);
    }
    if (status == noErr) {
        status = instance->eventTarget().send(event);
        ReleaseEvent(event);
        // Classes that have nothing to initialise leave the event to their base.
        if (status == eventNotHandledErr) {
            status = noErr;
        }
    }
    if (status != noErr) {
        CFRelease(instance->ref());
        return status;
    }
    *outObject = instance->ref();
    return noErr;
}

EventTargetRef HIObjectGetEventTarget(HIObjectRef object) {
    HIObjectInstance* instance = HIObjectInstance::fromRef(object);
    return instance ? instance->eventTarget().ref() : nullptr;
}

Boolean HIObjectIsOfClass(HIObjectRef object, CFStringRef classID) {
    HIObjectInstance* instance = HIObjectInstance::fromRef(object);
    std::string id;
    return instance && classID && MacPlatform::classIDText(classID, &id) && instance->isOfClass(id);
}

} // extern "C"
