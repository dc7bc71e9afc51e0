// Nib files: the menu bar and windows of a program, described in Resources/<name>.nib.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFBundle.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueIBNibRef* IBNibRef;

// The first: the nib file exists but does not hold a nib that can be read. Constants rather than
// enumerators in C++, as the event statuses are.
#ifdef __cplusplus
constexpr OSStatus kIBCarbonRuntimeCantFindNibFile = -10960;
constexpr OSStatus kIBCarbonRuntimeObjectNotOfRequestedType = -10961;
constexpr OSStatus kIBCarbonRuntimeCantFindObject = -10962;
#else
enum {
    kIBCarbonRuntimeCantFindNibFile = -10960,
    kIBCarbonRuntimeObjectNotOfRequestedType = -10961,
    kIBCarbonRuntimeCantFindObject = -10962
};
#endif

// Reads "<inNibName>.nib" from the resources of the main bundle: fnfErr when there is no such
// file, kIBCarbonRuntimeCantFindNibFile when it cannot be read as a nib.
OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef);
OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef);
void DisposeNibReference(IBNibRef inNibRef);

// Makes the named menu bar of the nib the program's root menu.
OSStatus SetMenuBarFromNib(IBNibRef inNibRef, CFStringRef inName);

// Builds the named window of the nib, hidden: its class, attributes, title and content size,
// then its views in the content view with their ControlIDs, commands and default and cancel
// buttons. kIBCarbonRuntimeCantFindObject for a name the nib lacks,
// kIBCarbonRuntimeObjectNotOfRequestedType for an object that is not a window.
OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow);

#ifdef __cplusplus
}
#endif
