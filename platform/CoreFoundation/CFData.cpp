#include "CFRuntime.h"

#include <CoreFoundation/CFData.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace MacPlatform {

namespace {

constexpr CFIndex kCFIndexMax = std::numeric_limits<CFIndex>::max();

class CFDataObject final : public CFObject {
public:
    // Owned copy of the bytes.
    CFDataObject(const UInt8* bytes, size_t length, bool isMutable, CFIndex capacity)
        : CFObject(kTypeIDData), m_bytes(bytes, bytes + length), m_mutable(isMutable),
          m_capacity(capacity) {}
    // Bytes that stay where the caller made them.
    CFDataObject(const UInt8* bytes, size_t length, bool freeWhenDone)
        : CFObject(kTypeIDData), m_external(bytes), m_externalLength(length),
          m_freeExternal(freeWhenDone) {}
    ~CFDataObject() override {
        if (m_freeExternal) {
            std::free(const_cast<UInt8*>(m_external));
        }
    }

    const UInt8* bytes() const { return m_external ? m_external : m_bytes.data(); }
    size_t length() const { return m_external ? m_externalLength : m_bytes.size(); }
    bool isMutable() const { return m_mutable; }
    std::vector<UInt8>& storage() { return m_bytes; }
    // Whether the data may hold this many bytes.
    bool fits(size_t length) const {
        return m_capacity == 0 || length <= static_cast<size_t>(m_capacity);
    }

    bool equals(const CFObject& other) const override {
        const auto& data = static_cast<const CFDataObject&>(other);
        return data.length() == length() &&
               (length() == 0 || std::memcmp(data.bytes(), bytes(), length()) == 0);
    }
    CFHashCode hash() const override {
        // FNV-1a over the first bytes is enough to spread keys in a dictionary.
        CFHashCode h = 1469598103934665603ULL;
        size_t n = std::min<size_t>(length(), 80);
        for (size_t i = 0; i < n; ++i) {
            h = (h ^ bytes()[i]) * 1099511628211ULL;
        }
        return h ^ length();
    }
    std::string description() const override {
        static const char digits[] = "0123456789abcdef";
        std::string text = "<";
        size_t shown = std::min<size_t>(length(), 1024);
        for (size_t i = 0; i < shown; ++i) {
            if (i > 0 && i % 4 == 0) {
                text += ' ';
            }
            text += digits[bytes()[i] >> 4];
            text += digits[bytes()[i] & 15];
        }
        text += shown < length() ? " ...>" : ">";
        return text;
    }

private:
    std::vector<UInt8> m_bytes;
    const UInt8* m_external = nullptr;
    size_t m_externalLength = 0;
    bool m_freeExternal = false;
    bool m_mutable = false;
    CFIndex m_capacity = 0;
};

CFDataObject* dataObject(CFTypeRef data) {
    return castRef<CFDataObject>(data, kTypeIDData);
}

CFDataObject* mutableDataObject(CFMutableDataRef data) {
    CFDataObject* object = dataObject(data);
    return object && object->isMutable() ? object : nullptr;
}

// Out of memory for a caller-given size is an answer (null), not the end of the process.
template <typename Make> CFDataObject* tryMake(Make make) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

bool resize(CFDataObject* object, CFIndex length) {
    if (length < 0 || !object->fits(static_cast<size_t>(length))) {
        return false;
    }
    try {
        object->storage().resize(static_cast<size_t>(length), 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

} // namespace

} // namespace MacPlatform

using namespace MacPlatform;

extern "C" {

CFTypeID CFDataGetTypeID(void) {
    return kTypeIDData;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (!bytes && length > 0)) {
        return nullptr;
    }
    return toRef<CFDataRef>(
        tryMake([&] { return new CFDataObject(bytes, static_cast<size_t>(length), false, 0); }));
}

CFDataRef CFDataCreateWithBytesNoCopy(CFAllocatorRef, const UInt8* bytes, CFIndex length,
                                      CFAllocatorRef bytesDeallocator) {
    if (length < 0 || (!bytes && length > 0)) {
        return nullptr;
    }
    return toRef<CFDataRef>(
        new CFDataObject(bytes, static_cast<size_t>(length), bytesDeallocator != kCFAllocatorNull));
}

CFDataRef CFDataCreateCopy(CFAllocatorRef, CFDataRef theData) {
    CFDataObject* source = dataObject(theData);
    if (!source) {
        return nullptr;
    }
    return toRef<CFDataRef>(
        tryMake([&] { return new CFDataObject(source->bytes(), source->length(), false, 0); }));
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
    if (capacity < 0) {
        return nullptr;
    }
    return toRef<CFMutableDataRef>(new CFDataObject(nullptr, 0, true, capacity));
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDataRef theData) {
    CFDataObject* source = dataObject(theData);
    if (!source || capacity < 0 ||
        (capacity > 0 && source->length() > static_cast<size_t>(capacity))) {
        return nullptr;
    }
    return toRef<CFMutableDataRef>(tryMake(
        [&] { return new CFDataObject(source->bytes(), source->length(), true, capacity); }));
}

CFIndex CFDataGetLength(CFDataRef theData) {
    CFDataObject* object = dataObject(theData);
    return object ? static_cast<CFIndex>(object->length()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
    CFDataObject* object = dataObject(theData);
    return object ? object->bytes() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
    CFDataObject* object = dataObject(theData);
    if (!object || !buffer || range.location < 0 || range.length <= 0) {
        return;
    }
    size_t start = std::min(object->length(), static_cast<size_t>(range.location));
    size_t count = std::min(object->length() - start, static_cast<size_t>(range.length));
    if (count > 0) {
        std::memcpy(buffer, object->bytes() + start, count);
    }
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
    CFDataObject* object = mutableDataObject(theData);
    return object ? object->storage().data() : nullptr;
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
    if (CFDataObject* object = mutableDataObject(theData)) {
        resize(object, length);
    }
}

void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength) {
    CFDataObject* object = mutableDataObject(theData);
    CFIndex old = CFDataGetLength(theData);
    if (object && extraLength > 0 && extraLength <= kCFIndexMax - old) {
        resize(object, old + extraLength);
    }
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
    CFDataObject* object = mutableDataObject(theData);
    CFIndex old = CFDataGetLength(theData);
    if (!object || !bytes || length <= 0 || length > kCFIndexMax - old) {
        return;
    }
    // The bytes may lie inside this very data, which resizing can move: keep their offset.
    const UInt8* begin = object->storage().data();
    bool inside = old > 0 && bytes >= begin && bytes < begin + old;
    size_t offset = inside ? static_cast<size_t>(bytes - begin) : 0;
    if (resize(object, old + length)) {
        UInt8* storage = object->storage().data();
        std::memmove(storage + old, inside ? storage + offset : bytes, static_cast<size_t>(length));
    }
}

} // extern "C"
