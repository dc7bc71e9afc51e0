// The checked bundle seen through MacPlatform's CFBundle, so that resources and Info.plist
// values are found exactly where the launcher finds them (localized folders included).
#pragma once

#include <CoreFoundation/CFBundle.h>

#include <string>

namespace gwbundle {

class BundleHandle {
public:
    explicit BundleHandle(const std::string& bundlePath);
    ~BundleHandle();
    BundleHandle(const BundleHandle&) = delete;
    BundleHandle& operator=(const BundleHandle&) = delete;

    bool isOpen() const { return m_bundle != nullptr; }
    // The file of resource name.type (type may be empty), or an empty text when there is none.
    std::string resourcePath(const std::string& name, const std::string& type) const;
    // An Info.plist string value; empty when absent or not a string.
    std::string infoString(const char* key) const;

private:
    CFBundleRef m_bundle = nullptr;
};

// UTF-8 text of a CFString; empty for null or a value of another type.
std::string textOf(CFTypeRef value);

} // namespace gwbundle
