// CFString keeps its text as UTF-8; UTF-16 units are derived when an index is asked for.
#pragma once

#include "CFRuntime.h"

#include <CoreFoundation/CFString.h>

#include <string>

namespace MacPlatform {

class CFStringObject final : public CFObject {
public:
    explicit CFStringObject(std::string utf8) : CFObject(kTypeIDString), m_utf8(std::move(utf8)) {}

    const std::string& utf8() const { return m_utf8; }
    const std::u16string& utf16() const;

    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;
    std::string description() const override { return m_utf8; }

private:
    std::string m_utf8;
    mutable std::u16string m_utf16;
    mutable bool m_haveUTF16 = false;
};

// The text of a string reference; empty for null or a reference of another type.
const std::string& stringText(CFStringRef string);
// The text of value when it is a string reference; null for null or a reference of another type,
// for callers that must refuse those rather than read them as empty.
const std::string* stringTextIfString(CFTypeRef value);
// A new string (Create rule) holding valid UTF-8 text.
CFStringRef createString(std::string utf8);

} // namespace MacPlatform
