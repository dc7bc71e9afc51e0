// HIObject classes: a class registers the handler that constructs, initialises and destructs
// its instances; an instance is a CoreFoundation object with an event target of its own.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueHIObjectClassRef* HIObjectClassRef;

enum {
    hiObjectClassExistsErr = -22080,
    hiObjectClassHasInstancesErr = -22081,
    hiObjectClassIsAbstractErr = -22083
};

// The type of the instance data a construct handler hands back in kEventParamHIObjectInstance.
enum { typeVoidPtr = 0x766F6964 }; // 'void'

// Registers a class whose instances get `constructProc` for the listed events (construct,
// initialize and destruct at least). A null or empty base class makes a plain HIObject; a base
// class must be registered already. hiObjectClassExistsErr for a class ID in use.
OSStatus HIObjectRegisterSubclass(CFStringRef classID, CFStringRef baseClassID, OptionBits options,
                                  EventHandlerUPP constructProc, ItemCount numEvents,
                                  const EventTypeSpec* eventList, void* constructData,
                                  HIObjectClassRef* outClassRef);
// hiObjectClassHasInstancesErr while instances of the class live.
OSStatus HIObjectUnregisterClass(HIObjectClassRef classRef);

// Makes an instance: the class handlers (base class first) receive kEventHIObjectConstruct
// with the instance in kEventParamHIObjectInstance; each sets its instance data there
// (typeVoidPtr), which becomes the user data of all later events. Then `initializeEvent` (an
// initialize event with the caller's parameters; null sends a bare one) is sent to the
// instance; an error from it destroys the instance again. Released with CFRelease; the last
// release sends kEventHIObjectDestruct.
OSStatus HIObjectCreate(CFStringRef classID, EventRef initializeEvent, HIObjectRef* outObject);
EventTargetRef HIObjectGetEventTarget(HIObjectRef object);
Boolean HIObjectIsOfClass(HIObjectRef object, CFStringRef classID);

#ifdef __cplusplus
}
#endif
