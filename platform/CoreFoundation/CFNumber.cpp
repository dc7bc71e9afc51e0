#include "CFRuntime.h"

#include <CoreFoundation/CFNumber.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

namespace MacPlatform {

namespace {

class CFBooleanObject final : public CFObject {
public:
    explicit CFBooleanObject(bool value) : CFObject(kTypeIDBoolean), m_value(value) {
        makeImmortal();
    }
    bool value() const { return m_value; }
    std::string description() const override { return m_value ? "true" : "false"; }

private:
    bool m_value;
};

// Never destroyed, so that a release during the exit of the process finds them intact.
CFBooleanObject& trueObject = *new CFBooleanObject(true);
CFBooleanObject& falseObject = *new CFBooleanObject(false);

// Every number is kept either as a 64-bit integer or as a double, whichever its type is.
class CFNumberObject final : public CFObject {
public:
    CFNumberObject(CFNumberType type, int64_t value)
        : CFObject(kTypeIDNumber), m_type(type), m_isFloat(false), m_int(value) {}
    CFNumberObject(CFNumberType type, double value)
        : CFObject(kTypeIDNumber), m_type(type), m_isFloat(true), m_double(value) {}

    CFNumberType type() const { return m_type; }
    bool isFloat() const { return m_isFloat; }
    int64_t intValue() const { return m_int; }
    double doubleValue() const { return m_isFloat ? m_double : static_cast<double>(m_int); }

    CFComparisonResult compare(const CFNumberObject& other) const {
        if (!m_isFloat && !other.m_isFloat) {
            return m_int < other.m_int
                       ? kCFCompareLessThan
                       : (m_int > other.m_int ? kCFCompareGreaterThan : kCFCompareEqualTo);
        }
        double a = doubleValue();
        double b = other.doubleValue();
        return a < b ? kCFCompareLessThan : (a > b ? kCFCompareGreaterThan : kCFCompareEqualTo);
    }
    bool equals(const CFObject& other) const override {
        return compare(static_cast<const CFNumberObject&>(other)) == kCFCompareEqualTo;
    }
    CFHashCode hash() const override {
        // Equal numbers hash alike whether they are stored as integers or as doubles.
        double d = doubleValue();
        if (!m_isFloat || (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18)) {
            return std::hash<int64_t>{}(m_isFloat ? static_cast<int64_t>(d) : m_int);
        }
        return std::hash<double>{}(d);
    }
    std::string description() const override {
        char text[32];
        auto result = m_isFloat ? std::to_chars(text, text + sizeof text, m_double)
                                : std::to_chars(text, text + sizeof text, m_int);
        return std::string(text, result.ptr);
    }

private:
    CFNumberType m_type;
    bool m_isFloat;
    int64_t m_int = 0;
    double m_double = 0;
};

CFNumberObject* numberObject(CFNumberRef number) {
    return castRef<CFNumberObject>(number, kTypeIDNumber);
}

template <typename T> T readValue(const void* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <typename T> void writeValue(void* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

// Integer of type T from the number; false when it does not hold exactly.
template <typename T> bool storeInteger(const CFNumberObject& n, void* out) {
    using Limits = std::numeric_limits<T>;
    if (!n.isFloat()) {
        int64_t v = n.intValue();
        if (v < static_cast<int64_t>(Limits::min()) || v > static_cast<int64_t>(Limits::max())) {
            writeValue<T>(out, v < 0 ? Limits::min() : Limits::max());
            return false;
        }
        writeValue<T>(out, static_cast<T>(v));
        return true;
    }
    double d = n.doubleValue();
    if (std::isnan(d)) {
        writeValue<T>(out, 0);
        return false;
    }
    // The limits of T as doubles: min is exact, max + 1 is a power of two and exact too.
    double low = static_cast<double>(Limits::min());
    double highExclusive = -2.0 * low;
    if (d < low || d >= highExclusive) {
        writeValue<T>(out, d < 0 ? Limits::min() : Limits::max());
        return false;
    }
    double whole = std::trunc(d);
    writeValue<T>(out, static_cast<T>(whole));
    return whole == d;
}

template <typename T> bool storeFloat(const CFNumberObject& n, void* out) {
    if (!n.isFloat()) {
        T value = static_cast<T>(n.intValue());
        writeValue<T>(out, value);
        // Integers beyond the float's mantissa lose their low bits.
        return std::fabs(static_cast<double>(value)) < 9.2e18 &&
               static_cast<int64_t>(value) == n.intValue();
    }
    double d = n.doubleValue();
    T value = static_cast<T>(d);
    writeValue<T>(out, value);
    return std::isnan(d) || static_cast<double>(value) == d;
}

} // namespace

} // namespace MacPlatform

using namespace MacPlatform;

const CFBooleanRef kCFBooleanTrue = toRef<CFBooleanRef>(&MacPlatform::trueObject);
const CFBooleanRef kCFBooleanFalse = toRef<CFBooleanRef>(&MacPlatform::falseObject);

extern "C" {

CFTypeID CFBooleanGetTypeID(void) {
    return kTypeIDBoolean;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
    auto* object = castRef<CFBooleanObject>(boolean, kTypeIDBoolean);
    return object && object->value();
}

CFTypeID CFNumberGetTypeID(void) {
    return kTypeIDNumber;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    if (!valuePtr) {
        return nullptr;
    }
    CFNumberObject* number = nullptr;
    switch (theType) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        number = new CFNumberObject(theType, int64_t{readValue<int8_t>(valuePtr)});
        break;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        number = new CFNumberObject(theType, int64_t{readValue<int16_t>(valuePtr)});
        break;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        number = new CFNumberObject(theType, int64_t{readValue<int32_t>(valuePtr)});
        break;
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType:
        number = new CFNumberObject(theType, readValue<int64_t>(valuePtr));
        break;
    case kCFNumberLongType:
    case kCFNumberCFIndexType:
        number = new CFNumberObject(theType, int64_t{readValue<long>(valuePtr)});
        break;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        number = new CFNumberObject(theType, double{readValue<float>(valuePtr)});
        break;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
        number = new CFNumberObject(theType, readValue<double>(valuePtr));
        break;
    }
    return toRef<CFNumberRef>(number);
}

CFNumberType CFNumberGetType(CFNumberRef number) {
    CFNumberObject* object = numberObject(number);
    return object ? object->type() : kCFNumberSInt32Type;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
    switch (CFNumberGetType(number)) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return 4;
    default:
        return 8;
    }
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
    CFNumberObject* object = numberObject(number);
    return object && object->isFloat();
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    CFNumberObject* object = numberObject(number);
    if (!object || !valuePtr) {
        return false;
    }
    switch (theType) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return storeInteger<int8_t>(*object, valuePtr);
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return storeInteger<int16_t>(*object, valuePtr);
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        return storeInteger<int32_t>(*object, valuePtr);
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType:
        return storeInteger<int64_t>(*object, valuePtr);
    case kCFNumberLongType:
    case kCFNumberCFIndexType:
        return storeInteger<long>(*object, valuePtr);
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return storeFloat<float>(*object, valuePtr);
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
        return storeFloat<double>(*object, valuePtr);
    }
    return false;
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
    CFNumberObject* a = numberObject(number);
    CFNumberObject* b = numberObject(otherNumber);
    if (!a || !b) {
        return a ? kCFCompareGreaterThan : (b ? kCFCompareLessThan : kCFCompareEqualTo);
    }
    return a->compare(*b);
}

} // extern "C"
