#include "InfoPlistWriter.h"

#include "FileSystem.h"

#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFPropertyList.h>
#include <CoreFoundation/CFString.h>

namespace gwbundle {

bool writeInfoPlist(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& values,
                    std::string& error) {
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (!dictionary) {
        error = path + ": out of memory";
        return false;
    }
    bool ok = true;
    for (const auto& [key, value] : values) {
        CFStringRef cfKey =
            CFStringCreateWithCString(kCFAllocatorDefault, key.c_str(), kCFStringEncodingUTF8);
        CFStringRef cfValue =
            CFStringCreateWithCString(kCFAllocatorDefault, value.c_str(), kCFStringEncodingUTF8);
        if (cfKey && cfValue) {
            CFDictionarySetValue(dictionary, cfKey, cfValue);
        } else {
            error = path + ": the value of " + key + " is not valid UTF-8 text";
            ok = false;
        }
        if (cfKey) {
            CFRelease(cfKey);
        }
        if (cfValue) {
            CFRelease(cfValue);
        }
    }
    CFDataRef xml = ok ? CFPropertyListCreateXMLData(kCFAllocatorDefault, dictionary) : nullptr;
    CFRelease(dictionary);
    if (ok && !xml) {
        error = path + ": the property list could not be made";
        return false;
    }
    if (!ok) {
        return false;
    }
    std::string bytes(reinterpret_cast<const char*>(CFDataGetBytePtr(xml)),
                      static_cast<std::size_t>(CFDataGetLength(xml)));
    CFRelease(xml);
    return writeWholeFile(path, bytes, error);
}

} // namespace gwbundle
