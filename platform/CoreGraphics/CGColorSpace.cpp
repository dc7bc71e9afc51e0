#include "CGObjects.h"

#include <CoreFoundation/CFString.h>

using namespace MacPlatform;

const CFStringRef kCGColorSpaceGenericGray = CFSTR("kCGColorSpaceGenericGray");
const CFStringRef kCGColorSpaceGenericRGB = CFSTR("kCGColorSpaceGenericRGB");
const CFStringRef kCGColorSpaceSRGB = CFSTR("kCGColorSpaceSRGB");

extern "C" {

CFTypeID CGColorSpaceGetTypeID(void) {
    return kTypeIDCGColorSpace;
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void) {
    return toRef<CGColorSpaceRef>(new CGColorSpaceObject(kCGColorSpaceModelRGB));
}

CGColorSpaceRef CGColorSpaceCreateDeviceGray(void) {
    return toRef<CGColorSpaceRef>(new CGColorSpaceObject(kCGColorSpaceModelMonochrome));
}

CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name) {
    if (!name) {
        return nullptr;
    }
    if (CFEqual(name, kCGColorSpaceGenericRGB) || CFEqual(name, kCGColorSpaceSRGB)) {
        return CGColorSpaceCreateDeviceRGB();
    }
    if (CFEqual(name, kCGColorSpaceGenericGray)) {
        return CGColorSpaceCreateDeviceGray();
    }
    return nullptr;
}

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space) {
    return static_cast<CGColorSpaceRef>(const_cast<void*>(CFRetain(space)));
}

void CGColorSpaceRelease(CGColorSpaceRef space) {
    CFRelease(space);
}

size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space) {
    CGColorSpaceObject* object = toColorSpace(space);
    return object ? object->componentCount() : 0;
}

CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef space) {
    CGColorSpaceObject* object = toColorSpace(space);
    return object ? object->model() : kCGColorSpaceModelUnknown;
}

} // extern "C"
