#include "CFRuntime.h"

#include <CoreFoundation/CFDictionary.h>

#include <functional>
#include <unordered_map>
#include <vector>

namespace {

const void* retainType(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}
void releaseType(CFAllocatorRef, const void* value) {
    CFRelease(value);
}

} // namespace

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, retainType, releaseType, CFCopyDescription, CFEqual, CFHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, retainType, releaseType,
                                                                    CFCopyDescription, CFEqual};

namespace MacPlatform {

namespace {

struct KeyHash {
    CFDictionaryHashCallBack hash;
    size_t operator()(const void* key) const {
        return hash ? hash(key) : std::hash<const void*>{}(key);
    }
};

struct KeyEqual {
    CFDictionaryEqualCallBack equal;
    bool operator()(const void* a, const void* b) const { return a == b || (equal && equal(a, b)); }
};

using Table = std::unordered_map<const void*, const void*, KeyHash, KeyEqual>;

class CFDictionaryObject final : public CFObject {
public:
    CFDictionaryObject(const CFDictionaryKeyCallBacks* keyCallBacks,
                       const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable,
                       CFIndex capacity)
        : CFObject(kTypeIDDictionary),
          m_keyCallBacks(keyCallBacks ? *keyCallBacks
                                      : CFDictionaryKeyCallBacks{0, nullptr, nullptr, nullptr,
                                                                 nullptr, nullptr}),
          m_valueCallBacks(valueCallBacks
                               ? *valueCallBacks
                               : CFDictionaryValueCallBacks{0, nullptr, nullptr, nullptr, nullptr}),
          m_table(8, KeyHash{m_keyCallBacks.hash}, KeyEqual{m_keyCallBacks.equal}),
          m_mutable(isMutable), m_capacity(capacity) {}
    ~CFDictionaryObject() override { removeAll(); }

    const CFDictionaryKeyCallBacks& keyCallBacks() const { return m_keyCallBacks; }
    const CFDictionaryValueCallBacks& valueCallBacks() const { return m_valueCallBacks; }
    bool isMutable() const { return m_mutable; }
    const Table& table() const { return m_table; }

    const void* const* find(const void* key) const {
        auto found = m_table.find(key);
        return found == m_table.end() ? nullptr : &found->second;
    }

    void set(const void* key, const void* value, bool mayAdd, bool mayReplace) {
        auto found = m_table.find(key);
        if (found != m_table.end()) {
            if (mayReplace) {
                // Retain first: the new value may be the old one.
                const void* old = found->second;
                found->second = retainValue(value);
                releaseValue(old);
            }
            return;
        }
        if (!mayAdd || (m_capacity > 0 && m_table.size() >= static_cast<size_t>(m_capacity))) {
            return;
        }
        m_table.emplace(retainKey(key), retainValue(value));
    }

    void remove(const void* key) {
        auto found = m_table.find(key);
        if (found == m_table.end()) {
            return;
        }
        // Released only once out of the table: the key object may go away with it.
        const void* oldKey = found->first;
        const void* oldValue = found->second;
        m_table.erase(found);
        releaseKey(oldKey);
        releaseValue(oldValue);
    }

    void removeAll() {
        Table old(8, KeyHash{m_keyCallBacks.hash}, KeyEqual{m_keyCallBacks.equal});
        old.swap(m_table);
        for (auto& [key, value] : old) {
            releaseKey(key);
            releaseValue(value);
        }
    }

    bool equals(const CFObject& other) const override {
        const auto& dict = static_cast<const CFDictionaryObject&>(other);
        if (dict.m_table.size() != m_table.size()) {
            return false;
        }
        for (auto& [key, value] : m_table) {
            const void* const* otherValue = dict.find(key);
            if (!otherValue ||
                !(value == *otherValue ||
                  (m_valueCallBacks.equal && m_valueCallBacks.equal(value, *otherValue)))) {
                return false;
            }
        }
        return true;
    }
    CFHashCode hash() const override { return m_table.size(); }
    std::string description() const override {
        std::string text = "{";
        for (auto& [key, value] : m_table) {
            text += describeWith(m_keyCallBacks.copyDescription, key);
            text += " = ";
            text += describeWith(m_valueCallBacks.copyDescription, value);
            text += "; ";
        }
        return text + "}";
    }

private:
    const void* retainKey(const void* key) const {
        return m_keyCallBacks.retain ? m_keyCallBacks.retain(nullptr, key) : key;
    }
    const void* retainValue(const void* value) const {
        return m_valueCallBacks.retain ? m_valueCallBacks.retain(nullptr, value) : value;
    }
    void releaseKey(const void* key) const {
        if (m_keyCallBacks.release) {
            m_keyCallBacks.release(nullptr, key);
        }
    }
    void releaseValue(const void* value) const {
        if (m_valueCallBacks.release) {
            m_valueCallBacks.release(nullptr, value);
        }
    }

    CFDictionaryKeyCallBacks m_keyCallBacks;
    CFDictionaryValueCallBacks m_valueCallBacks;
    Table m_table;
    bool m_mutable;
    CFIndex m_capacity;
};

CFDictionaryObject* dictionaryObject(CFDictionaryRef dict) {
    return castRef<CFDictionaryObject>(dict, kTypeIDDictionary);
}

CFDictionaryObject* mutableDictionaryObject(CFMutableDictionaryRef dict) {
    CFDictionaryObject* object = dictionaryObject(dict);
    return object && object->isMutable() ? object : nullptr;
}

CFDictionaryObject* copyDictionary(const CFDictionaryObject& source, bool isMutable,
                                   CFIndex capacity) {
    auto* copy = new CFDictionaryObject(&source.keyCallBacks(), &source.valueCallBacks(), isMutable,
                                        capacity);
    for (auto& [key, value] : source.table()) {
        copy->set(key, value, true, true);
    }
    return copy;
}

} // namespace

} // namespace MacPlatform

using namespace MacPlatform;

extern "C" {

CFTypeID CFDictionaryGetTypeID(void) {
    return kTypeIDDictionary;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    if (numValues < 0 || (numValues > 0 && (!keys || !values))) {
        return nullptr;
    }
    auto* dict = new CFDictionaryObject(keyCallBacks, valueCallBacks, false, 0);
    for (CFIndex i = 0; i < numValues; ++i) {
        dict->set(keys[i], values[i], true, true);
    }
    return toRef<CFDictionaryRef>(dict);
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef theDict) {
    CFDictionaryObject* source = dictionaryObject(theDict);
    return source ? toRef<CFDictionaryRef>(copyDictionary(*source, false, 0)) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    if (capacity < 0) {
        return nullptr;
    }
    return toRef<CFMutableDictionaryRef>(
        new CFDictionaryObject(keyCallBacks, valueCallBacks, true, capacity));
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                     CFDictionaryRef theDict) {
    CFDictionaryObject* source = dictionaryObject(theDict);
    if (!source || capacity < 0 ||
        (capacity > 0 && source->table().size() > static_cast<size_t>(capacity))) {
        return nullptr;
    }
    return toRef<CFMutableDictionaryRef>(copyDictionary(*source, true, capacity));
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    CFDictionaryObject* object = dictionaryObject(theDict);
    return object ? static_cast<CFIndex>(object->table().size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
    CFDictionaryObject* object = dictionaryObject(theDict);
    const void* const* found = object ? object->find(key) : nullptr;
    if (found && value) {
        *value = *found;
    }
    return found != nullptr;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
    const void* value = nullptr;
    return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
    return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
    CFDictionaryObject* object = dictionaryObject(theDict);
    if (!object) {
        return;
    }
    size_t i = 0;
    for (auto& [key, value] : object->table()) {
        if (keys) {
            keys[i] = key;
        }
        if (values) {
            values[i] = value;
        }
        ++i;
    }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
    CFDictionaryObject* object = dictionaryObject(theDict);
    if (!object || !applier) {
        return;
    }
    // A snapshot, so that an applier that changes the dictionary cannot break the walk.
    std::vector<std::pair<const void*, const void*>> entries(object->table().begin(),
                                                             object->table().end());
    for (auto& [key, value] : entries) {
        applier(key, value, context);
    }
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (CFDictionaryObject* object = mutableDictionaryObject(theDict)) {
        object->set(key, value, true, true);
    }
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (CFDictionaryObject* object = mutableDictionaryObject(theDict)) {
        object->set(key, value, true, false);
    }
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (CFDictionaryObject* object = mutableDictionaryObject(theDict)) {
        object->set(key, value, false, true);
    }
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
    if (CFDictionaryObject* object = mutableDictionaryObject(theDict)) {
        object->remove(key);
    }
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
    if (CFDictionaryObject* object = mutableDictionaryObject(theDict)) {
        object->removeAll();
    }
}

} // extern "C"
