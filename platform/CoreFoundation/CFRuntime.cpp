#include "CFRuntime.h"
#include "CFStringObject.h"

#include <cstdio>

using MacPlatform::CFObject;
using MacPlatform::toObject;

namespace MacPlatform {

std::string CFObject::description() const {
    char text[48];
    std::snprintf(text, sizeof text, "<CFType %lu %p>", m_typeID, static_cast<const void*>(this));
    return text;
}

std::string describe(CFTypeRef cf) {
    return cf ? toObject(cf)->description() : "(null)";
}

std::string describeWith(CFStringRef (*copyDescription)(const void*), const void* value) {
    if (!copyDescription) {
        char text[24];
        std::snprintf(text, sizeof text, "%p", value);
        return text;
    }
    CFStringRef description = copyDescription(value);
    std::string text = description ? stringText(description) : "(null)";
    if (description) {
        CFRelease(description);
    }
    return text;
}

namespace {

// The allocators are tokens, but CFDataCreateWithBytesNoCopy must tell "free the bytes" from
// "leave them alone", so the named allocators are distinct objects. kCFAllocatorDefault stays
// null as on the Mac, where passing NULL means the default allocator.
class CFAllocatorObject final : public CFObject {
public:
    explicit CFAllocatorObject(const char* name) : CFObject(kTypeIDAllocator), m_name(name) {
        makeImmortal();
    }
    std::string description() const override { return m_name; }

private:
    const char* m_name;
};

// Never destroyed, so that a release during the exit of the process finds them intact.
CFAllocatorObject& systemAllocator = *new CFAllocatorObject("kCFAllocatorSystemDefault");
CFAllocatorObject& mallocAllocator = *new CFAllocatorObject("kCFAllocatorMalloc");
CFAllocatorObject& nullAllocator = *new CFAllocatorObject("kCFAllocatorNull");

} // namespace

} // namespace MacPlatform

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault =
    MacPlatform::toRef<CFAllocatorRef>(&MacPlatform::systemAllocator);
const CFAllocatorRef kCFAllocatorMalloc =
    MacPlatform::toRef<CFAllocatorRef>(&MacPlatform::mallocAllocator);
const CFAllocatorRef kCFAllocatorNull =
    MacPlatform::toRef<CFAllocatorRef>(&MacPlatform::nullAllocator);

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

CFIndex CFGetRetainCount(CFTypeRef cf) {
    return cf ? toObject(cf)->retainCount() : 0;
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
    return cf ? toObject(cf)->typeID() : 0;
}

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

CFHashCode CFHash(CFTypeRef cf) {
    return cf ? toObject(cf)->hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
    return cf ? MacPlatform::createString(toObject(cf)->description()) : nullptr;
}

CFTypeID CFAllocatorGetTypeID(void) {
    return MacPlatform::kTypeIDAllocator;
}

} // extern "C"
