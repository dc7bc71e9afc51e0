#include "CFStringObject.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <strings.h>

namespace MacPlatform {

const std::u16string& CFStringObject::utf16() const {
    if (!m_haveUTF16) {
        m_utf16 = utf8ToUTF16(m_utf8);
        m_haveUTF16 = true;
    }
    return m_utf16;
}

bool CFStringObject::equals(const CFObject& other) const {
    return static_cast<const CFStringObject&>(other).m_utf8 == m_utf8;
}

CFHashCode CFStringObject::hash() const {
    return std::hash<std::string>{}(m_utf8);
}

const std::string& stringText(CFStringRef string) {
    static const std::string empty;
    const std::string* text = stringTextIfString(string);
    return text ? *text : empty;
}

const std::string* stringTextIfString(CFTypeRef value) {
    auto* object = castRef<CFStringObject>(value, kTypeIDString);
    return object ? &object->utf8() : nullptr;
}

CFStringRef createString(std::string utf8) {
    return reinterpret_cast<CFStringRef>(
        static_cast<CFObject*>(new CFStringObject(std::move(utf8))));
}

} // namespace MacPlatform

using namespace MacPlatform;

namespace {

CFStringObject* stringObject(CFStringRef string) {
    return castRef<CFStringObject>(string, kTypeIDString);
}

} // namespace

extern "C" {

CFTypeID CFStringGetTypeID(void) {
    return kTypeIDString;
}

CFStringRef __CFStringMakeConstantString(const char* cStr) {
    // One immortal object per distinct text, so that CFSTR("x") == CFSTR("x") as on the Mac.
    static std::mutex lock;
    static auto* constants = new std::map<std::string, CFStringRef>;
    std::lock_guard<std::mutex> guard(lock);
    std::string text(cStr ? cStr : "");
    auto found = constants->find(text);
    if (found != constants->end()) {
        return found->second;
    }
    auto decoded = decodeToUTF8(text, kCFStringEncodingUTF8);
    CFStringRef string = createString(decoded ? *decoded : macRomanToUTF8(text));
    toObject(string)->makeImmortal();
    constants->emplace(text, string);
    return string;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (!cStr) {
        return nullptr;
    }
    auto decoded = decodeToUTF8(cStr, encoding);
    return decoded ? createString(std::move(*decoded)) : nullptr;
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean) {
    if (numBytes < 0 || (!bytes && numBytes > 0)) {
        return nullptr;
    }
    std::string_view view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes));
    auto decoded = decodeToUTF8(view, encoding);
    return decoded ? createString(std::move(*decoded)) : nullptr;
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (!chars && numChars > 0)) {
        return nullptr;
    }
    return createString(utf16ToUTF8(std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                                        static_cast<size_t>(numChars))));
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
    CFStringObject* object = stringObject(theString);
    return object ? createString(object->utf8()) : nullptr;
}

CFIndex CFStringGetLength(CFStringRef theString) {
    CFStringObject* object = stringObject(theString);
    return object ? static_cast<CFIndex>(object->utf16().size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
    CFStringObject* object = stringObject(theString);
    if (!object || idx < 0 || static_cast<size_t>(idx) >= object->utf16().size()) {
        return 0;
    }
    return object->utf16()[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    CFStringObject* object = stringObject(theString);
    if (!object || !buffer || range.location < 0 || range.length < 0) {
        return;
    }
    const std::u16string& units = object->utf16();
    size_t start = std::min(units.size(), static_cast<size_t>(range.location));
    size_t count = std::min(units.size() - start, static_cast<size_t>(range.length));
    std::copy_n(units.data() + start, count, reinterpret_cast<char16_t*>(buffer));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    CFStringObject* object = stringObject(theString);
    if (!object || !buffer || bufferSize <= 0) {
        return false;
    }
    auto encoded = encodeFromUTF8(object->utf8(), encoding);
    if (!encoded || static_cast<CFIndex>(encoded->size()) + 1 > bufferSize) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, encoded->data(), encoded->size());
    buffer[encoded->size()] = '\0';
    return true;
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding) {
    CFStringObject* object = stringObject(theString);
    if (!object) {
        return nullptr;
    }
    if (encoding == kCFStringEncodingUTF8) {
        return object->utf8().c_str();
    }
    if (encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingMacRoman) {
        // The storage is the answer only when the text is plain ASCII.
        bool ascii = std::all_of(object->utf8().begin(), object->utf8().end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        return ascii ? object->utf8().c_str() : nullptr;
    }
    return nullptr;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return length * 3;
    case kCFStringEncodingUTF16:
    case kCFStringEncodingUTF16LE:
    case kCFStringEncodingUTF16BE:
        return length * 2;
    default:
        return length;
    }
}

CFStringEncoding CFStringGetSystemEncoding(void) {
    return kCFStringEncodingMacRoman;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
    const std::string& a = stringText(theString1);
    const std::string& b = stringText(theString2);
    int result = (compareOptions & kCFCompareCaseInsensitive) ? strcasecmp(a.c_str(), b.c_str())
                                                              : a.compare(b);
    return result < 0 ? kCFCompareLessThan
                      : (result > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
    const std::string& s = stringText(theString);
    const std::string& x = stringText(suffix);
    return s.size() >= x.size() && s.compare(s.size() - x.size(), x.size(), x) == 0;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
    const std::string& s = stringText(theString);
    const std::string& x = stringText(prefix);
    return s.compare(0, x.size(), x) == 0;
}

} // extern "C"
