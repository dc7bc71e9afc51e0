// Small helpers shared by the CoreFoundation, CoreGraphics and CoreServices tests: references
// released at the end of their scope, strings, data and file URLs made from C++ values, and
// the main bundle put back after a test that moves it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacPlatformTesting.h>

#include <string>

namespace CFTest {

// Owns one reference (of the Create or Copy rule) and releases it when it goes out of scope;
// CoreGraphics objects are CoreFoundation objects, as on the Mac.
template <typename T> class Owned {
public:
    Owned(T ref = nullptr) : m_ref(ref) {}
    ~Owned() {
        if (m_ref) {
            CFRelease(m_ref);
        }
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    operator T() const { return m_ref; }
    T get() const { return m_ref; }

private:
    T m_ref;
};

// Create rule, as the CoreFoundation calls they stand for.
inline CFStringRef cfString(const std::string& text) {
    return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
}

inline CFDataRef cfData(const std::string& bytes) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                        static_cast<CFIndex>(bytes.size()));
}

inline CFURLRef fileURL(const std::string& path, bool directory = false) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.c_str()),
                                                   static_cast<CFIndex>(path.size()), directory);
}

// The file system path of the URL, or "<no path>" (and "<none>" for no URL at all).
inline std::string pathOf(CFURLRef url) {
    char buffer[4096];
    if (!url) {
        return "<none>";
    }
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                          sizeof buffer)) {
        return "<no path>";
    }
    return buffer;
}

struct MainBundleReset {
    ~MainBundleReset() { MacPlatformTestSetMainBundlePath(nullptr); }
};

} // namespace CFTest
