// What the window code needs from a nib reference: the parsed description of a window.
#pragma once

#include "NibModel.h"

#include <Carbon/IBCarbonRuntime.h>

namespace MacPlatform {

// The named window of the nib, valid until the nib reference is disposed. paramErr for a bad
// reference, kIBCarbonRuntimeCantFindObject when the nib has no such object and
// kIBCarbonRuntimeObjectNotOfRequestedType when the object is not a window.
OSStatus findNibWindow(IBNibRef nib, CFStringRef name, const NibWindowDescription** outWindow);

// The same, null for any failure.
const NibWindowDescription* nibWindowDescription(IBNibRef nib, CFStringRef name);

} // namespace MacPlatform
