// The common base of every CoreFoundation object of MacPlatform.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

namespace MacPlatform {

enum CFTypeIDs : CFTypeID {
    kTypeIDAllocator = 2,
    kTypeIDString = 7,
    kTypeIDData = 20,
    kTypeIDURL = 29,
    kTypeIDBundle = 31,
    kTypeIDDictionary = 18,
    kTypeIDArray = 19,
    kTypeIDNumber = 22,
    kTypeIDBoolean = 21,
    kTypeIDDate = 42,
    kTypeIDFirstCustom = 100,
};

class CFObject {
public:
    explicit CFObject(CFTypeID typeID) : m_typeID(typeID) {}
    virtual ~CFObject() = default;
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    CFTypeID typeID() const { return m_typeID; }
    CFIndex retainCount() const { return m_retainCount; }
    void retain() { ++m_retainCount; }
    // Returns true when this was the last reference and the object must be deleted.
    bool release() { return !m_immortal && --m_retainCount == 0; }
    // Constants and process-wide singletons are never freed.
    void makeImmortal() { m_immortal = true; }

    virtual bool equals(const CFObject& other) const { return this == &other; }
    virtual CFHashCode hash() const { return reinterpret_cast<CFHashCode>(this); }
    // The text that CFCopyDescription and the %@ conversion show, as UTF-8.
    virtual std::string description() const;

private:
    CFTypeID m_typeID;
    CFIndex m_retainCount = 1;
    bool m_immortal = false;
};

inline CFObject* toObject(CFTypeRef cf) {
    return static_cast<CFObject*>(const_cast<void*>(cf));
}

// The object behind a reference when it has the expected type, else null.
template <typename T> T* castRef(CFTypeRef cf, CFTypeID expected) {
    if (!cf) {
        return nullptr;
    }
    CFObject* object = toObject(cf);
    return object->typeID() == expected ? static_cast<T*>(object) : nullptr;
}

// Wraps a freshly made object as a reference (Create rule).
template <typename Ref> Ref toRef(CFObject* object) {
    return reinterpret_cast<Ref>(object);
}

// The description of any reference; "(null)" for null, as printf shows a null string.
std::string describe(CFTypeRef cf);
// The description a collection's callback gives of a value; the address without a callback.
std::string describeWith(CFStringRef (*copyDescription)(const void*), const void* value);

} // namespace MacPlatform
