#include "CFRuntime.h"

using MacPlatform::CFObject;
using MacPlatform::toObject;

// Allocators are tokens: every object lives on the ordinary heap.
const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = nullptr;
const CFAllocatorRef kCFAllocatorMalloc = nullptr;
const CFAllocatorRef kCFAllocatorNull = nullptr;

extern "C" {

CFTypeRef CFRetain(CFTypeRef cf) {
    if (cf) {
        toObject(cf)->retain();
    }
    return cf;
}

void CFRelease(CFTypeRef cf) {
    if (!cf) {
        return;
    }
    CFObject* object = toObject(cf);
    if (object->release()) {
        delete object;
    }
}

CFIndex CFGetRetainCount(CFTypeRef cf) { return cf ? toObject(cf)->retainCount() : 0; }

CFTypeID CFGetTypeID(CFTypeRef cf) { return cf ? toObject(cf)->typeID() : 0; }

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
    if (cf1 == cf2) {
        return true;
    }
    if (!cf1 || !cf2) {
        return false;
    }
    CFObject* a = toObject(cf1);
    CFObject* b = toObject(cf2);
    return a->typeID() == b->typeID() && a->equals(*b);
}

CFHashCode CFHash(CFTypeRef cf) { return cf ? toObject(cf)->hash() : 0; }

} // extern "C"
