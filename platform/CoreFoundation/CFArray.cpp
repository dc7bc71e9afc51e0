#include "CFRuntime.h"

#include <CoreFoundation/CFArray.h>

#include <algorithm>
#include <vector>

namespace {

const void* retainType(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}
void releaseType(CFAllocatorRef, const void* value) {
    CFRelease(value);
}

} // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, retainType, releaseType, CFCopyDescription,
                                                CFEqual};

namespace MacPlatform {

namespace {

class CFArrayObject final : public CFObject {
public:
    CFArrayObject(const CFArrayCallBacks* callBacks, bool isMutable, CFIndex capacity)
        : CFObject(kTypeIDArray), m_mutable(isMutable), m_capacity(capacity) {
        if (callBacks) {
            m_callBacks = *callBacks;
        }
    }
    ~CFArrayObject() override {
        for (const void* value : m_values) {
            release(value);
        }
    }

    const CFArrayCallBacks& callBacks() const { return m_callBacks; }
    bool isMutable() const { return m_mutable; }
    bool isFull() const {
        return m_capacity > 0 && m_values.size() >= static_cast<size_t>(m_capacity);
    }
    std::vector<const void*>& values() { return m_values; }
    const std::vector<const void*>& values() const { return m_values; }

    const void* retain(const void* value) const {
        return m_callBacks.retain ? m_callBacks.retain(nullptr, value) : value;
    }
    void release(const void* value) const {
        if (m_callBacks.release) {
            m_callBacks.release(nullptr, value);
        }
    }
    bool valuesEqual(const void* a, const void* b) const {
        return a == b || (m_callBacks.equal && m_callBacks.equal(a, b));
    }

    bool equals(const CFObject& other) const override {
        const auto& array = static_cast<const CFArrayObject&>(other);
        if (array.m_values.size() != m_values.size()) {
            return false;
        }
        for (size_t i = 0; i < m_values.size(); ++i) {
            if (!valuesEqual(m_values[i], array.m_values[i])) {
                return false;
            }
        }
        return true;
    }
    CFHashCode hash() const override { return m_values.size(); }
    std::string description() const override {
        std::string text = "(";
        for (size_t i = 0; i < m_values.size(); ++i) {
            text += i ? ", " : "";
            text += describeWith(m_callBacks.copyDescription, m_values[i]);
        }
        return text + ")";
    }

private:
    std::vector<const void*> m_values;
    CFArrayCallBacks m_callBacks = {0, nullptr, nullptr, nullptr, nullptr};
    bool m_mutable;
    CFIndex m_capacity;
};

CFArrayObject* arrayObject(CFArrayRef array) {
    return castRef<CFArrayObject>(array, kTypeIDArray);
}

CFArrayObject* mutableArrayObject(CFMutableArrayRef array) {
    CFArrayObject* object = arrayObject(array);
    return object && object->isMutable() ? object : nullptr;
}

CFArrayObject* copyArray(const CFArrayObject& source, bool isMutable, CFIndex capacity) {
    auto* copy = new CFArrayObject(&source.callBacks(), isMutable, capacity);
    copy->values().reserve(source.values().size());
    for (const void* value : source.values()) {
        copy->values().push_back(copy->retain(value));
    }
    return copy;
}

// The part of range that lies inside an array of count values, as [begin, end).
std::pair<size_t, size_t> clampRange(CFRange range, size_t count) {
    if (range.location < 0 || range.length <= 0) {
        return {0, 0};
    }
    size_t begin = std::min(count, static_cast<size_t>(range.location));
    size_t end = begin + std::min(count - begin, static_cast<size_t>(range.length));
    return {begin, end};
}

} // namespace

} // namespace MacPlatform

using namespace MacPlatform;

extern "C" {

CFTypeID CFArrayGetTypeID(void) {
    return kTypeIDArray;
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    if (numValues < 0 || (!values && numValues > 0)) {
        return nullptr;
    }
    auto* array = new CFArrayObject(callBacks, false, 0);
    for (CFIndex i = 0; i < numValues; ++i) {
        array->values().push_back(array->retain(values[i]));
    }
    return toRef<CFArrayRef>(array);
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef, CFArrayRef theArray) {
    CFArrayObject* source = arrayObject(theArray);
    return source ? toRef<CFArrayRef>(copyArray(*source, false, 0)) : nullptr;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks) {
    if (capacity < 0) {
        return nullptr;
    }
    return toRef<CFMutableArrayRef>(new CFArrayObject(callBacks, true, capacity));
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFArrayRef theArray) {
    CFArrayObject* source = arrayObject(theArray);
    if (!source || capacity < 0 ||
        (capacity > 0 && source->values().size() > static_cast<size_t>(capacity))) {
        return nullptr;
    }
    return toRef<CFMutableArrayRef>(copyArray(*source, true, capacity));
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
    CFArrayObject* object = arrayObject(theArray);
    return object ? static_cast<CFIndex>(object->values().size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
    CFArrayObject* object = arrayObject(theArray);
    if (!object || idx < 0 || static_cast<size_t>(idx) >= object->values().size()) {
        return nullptr;
    }
    return object->values()[static_cast<size_t>(idx)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
    CFArrayObject* object = arrayObject(theArray);
    if (!object) {
        return kCFNotFound;
    }
    auto [begin, end] = clampRange(range, object->values().size());
    for (size_t i = begin; i < end; ++i) {
        if (object->valuesEqual(object->values()[i], value)) {
            return static_cast<CFIndex>(i);
        }
    }
    return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
    return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier,
                          void* context) {
    CFArrayObject* object = arrayObject(theArray);
    if (!object || !applier) {
        return;
    }
    auto [begin, end] = clampRange(range, object->values().size());
    for (size_t i = begin; i < end; ++i) {
        applier(object->values()[i], context);
    }
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
    CFArrayObject* object = mutableArrayObject(theArray);
    if (object && !object->isFull()) {
        object->values().push_back(object->retain(value));
    }
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    CFArrayObject* object = mutableArrayObject(theArray);
    if (!object || object->isFull() || idx < 0 ||
        static_cast<size_t>(idx) > object->values().size()) {
        return;
    }
    object->values().insert(object->values().begin() + idx, object->retain(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    CFArrayObject* object = mutableArrayObject(theArray);
    if (!object || idx < 0 || static_cast<size_t>(idx) > object->values().size()) {
        return;
    }
    if (static_cast<size_t>(idx) == object->values().size()) {
        CFArrayAppendValue(theArray, value);
        return;
    }
    const void* old = object->values()[static_cast<size_t>(idx)];
    object->values()[static_cast<size_t>(idx)] = object->retain(value);
    object->release(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
    CFArrayObject* object = mutableArrayObject(theArray);
    if (!object || idx < 0 || static_cast<size_t>(idx) >= object->values().size()) {
        return;
    }
    const void* old = object->values()[static_cast<size_t>(idx)];
    object->values().erase(object->values().begin() + idx);
    object->release(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
    CFArrayObject* object = mutableArrayObject(theArray);
    if (!object) {
        return;
    }
    std::vector<const void*> old;
    old.swap(object->values());
    for (const void* value : old) {
        object->release(value);
    }
}

} // extern "C"
