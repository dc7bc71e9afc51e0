#include "BundleHandle.h"

#include "CoreFoundation/CFStringObject.h"

#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#include <climits>

namespace gwbundle {

namespace {

CFStringRef createString(const std::string& text) {
    return CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
}

} // namespace

std::string textOf(CFTypeRef value) {
    return MacPlatform::stringText(static_cast<CFStringRef>(value));
}

BundleHandle::BundleHandle(const std::string& bundlePath) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true);
    if (url) {
        m_bundle = CFBundleCreate(kCFAllocatorDefault, url);
        CFRelease(url);
    }
}

BundleHandle::~BundleHandle() {
    if (m_bundle) {
        CFRelease(m_bundle);
    }
}

std::string BundleHandle::resourcePath(const std::string& name, const std::string& type) const {
    if (!m_bundle) {
        return {};
    }
    CFStringRef cfName = createString(name);
    CFStringRef cfType = type.empty() ? nullptr : createString(type);
    CFURLRef url = cfName ? CFBundleCopyResourceURL(m_bundle, cfName, cfType, nullptr) : nullptr;
    std::string path;
    if (url) {
        char buffer[PATH_MAX];
        if (CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                             sizeof buffer)) {
            path = buffer;
        }
        CFRelease(url);
    }
    if (cfType) {
        CFRelease(cfType);
    }
    if (cfName) {
        CFRelease(cfName);
    }
    return path;
}

std::string BundleHandle::infoString(const char* key) const {
    if (!m_bundle) {
        return {};
    }
    CFStringRef cfKey = createString(key);
    std::string text = cfKey ? textOf(CFBundleGetValueForInfoDictionaryKey(m_bundle, cfKey)) : "";
    if (cfKey) {
        CFRelease(cfKey);
    }
    return text;
}

} // namespace gwbundle
