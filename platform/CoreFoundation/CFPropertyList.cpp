#include "CFStringObject.h"
#include "PropertyList.h"

#include <CoreFoundation/CFPropertyList.h>

using namespace MacPlatform;

extern "C" {

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString) {
    if (errorString) {
        *errorString = nullptr;
    }
    const UInt8* bytes = CFDataGetBytePtr(xmlData);
    CFPropertyListRef list = nullptr;
    if (bytes) {
        std::string_view view(reinterpret_cast<const char*>(bytes),
                              static_cast<size_t>(CFDataGetLength(xmlData)));
        list = createPropertyList(view, mutabilityOption != kCFPropertyListImmutable);
    }
    if (!list && errorString) {
        *errorString = createString(bytes ? "The data is not a property list, is damaged or "
                                            "nests too deeply."
                                          : "No data was given.");
    }
    return list;
}

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList) {
    auto xml = xmlFromPropertyList(propertyList);
    if (!xml) {
        return nullptr;
    }
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml->data()),
                        static_cast<CFIndex>(xml->size()));
}

CFPropertyListRef CFPropertyListCreateDeepCopy(CFAllocatorRef, CFPropertyListRef propertyList,
                                               CFOptionFlags mutabilityOption) {
    auto xml = xmlFromPropertyList(propertyList);
    return xml ? createPropertyList(*xml, mutabilityOption != kCFPropertyListImmutable) : nullptr;
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
    return (format == kCFPropertyListXMLFormat_v1_0 ||
            format == kCFPropertyListBinaryFormat_v1_0) &&
           isPropertyList(plist);
}

} // extern "C"
