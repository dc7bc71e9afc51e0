#include "EventParameterCoercion.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace MacPlatform {

namespace {

template <typename T> bool readValue(const std::vector<unsigned char>& bytes, T& value) {
    if (bytes.size() != sizeof(T)) {
        return false;
    }
    std::memcpy(&value, bytes.data(), sizeof(T));
    return true;
}

template <typename T> void writeValue(const T& value, std::vector<unsigned char>& bytes) {
    bytes.resize(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
}

// QuickDraw coordinates are 16-bit; the fraction is dropped toward zero, as an (int) cast of
// the floating-point value would do in the caller's code.
bool toQuickDraw(CGFloat value, short& out) {
    if (!std::isfinite(value)) {
        return false;
    }
    double truncated = std::trunc(value);
    if (truncated < std::numeric_limits<short>::min() ||
        truncated > std::numeric_limits<short>::max()) {
        return false;
    }
    out = static_cast<short>(truncated);
    return true;
}

OSStatus pointToQuickDraw(const std::vector<unsigned char>& bytes,
                          std::vector<unsigned char>& converted) {
    HIPoint point;
    Point qd;
    if (!readValue(bytes, point) || !toQuickDraw(point.x, qd.h) || !toQuickDraw(point.y, qd.v)) {
        return errAECoercionFail;
    }
    writeValue(qd, converted);
    return noErr;
}

OSStatus rectToQuickDraw(const std::vector<unsigned char>& bytes,
                         std::vector<unsigned char>& converted) {
    HIRect rect;
    Rect qd;
    if (!readValue(bytes, rect)) {
        return errAECoercionFail;
    }
    rect = CGRectStandardize(rect);
    if (!toQuickDraw(CGRectGetMinX(rect), qd.left) || !toQuickDraw(CGRectGetMinY(rect), qd.top) ||
        !toQuickDraw(CGRectGetMaxX(rect), qd.right) ||
        !toQuickDraw(CGRectGetMaxY(rect), qd.bottom)) {
        return errAECoercionFail;
    }
    writeValue(qd, converted);
    return noErr;
}

OSStatus pointFromQuickDraw(const std::vector<unsigned char>& bytes,
                            std::vector<unsigned char>& converted) {
    Point qd;
    if (!readValue(bytes, qd)) {
        return errAECoercionFail;
    }
    writeValue(CGPointMake(qd.h, qd.v), converted);
    return noErr;
}

OSStatus rectFromQuickDraw(const std::vector<unsigned char>& bytes,
                           std::vector<unsigned char>& converted) {
    Rect qd;
    if (!readValue(bytes, qd)) {
        return errAECoercionFail;
    }
    writeValue(CGRectMake(qd.left, qd.top, qd.right - qd.left, qd.bottom - qd.top), converted);
    return noErr;
}

} // namespace

OSStatus coerceEventParameter(EventParamType from, const std::vector<unsigned char>& bytes,
                              EventParamType to, std::vector<unsigned char>& converted) {
    if (from == typeHIPoint && to == typeQDPoint) {
        return pointToQuickDraw(bytes, converted);
    }
    if (from == typeQDPoint && to == typeHIPoint) {
        return pointFromQuickDraw(bytes, converted);
    }
    if (from == typeHIRect && to == typeQDRectangle) {
        return rectToQuickDraw(bytes, converted);
    }
    if (from == typeQDRectangle && to == typeHIRect) {
        return rectFromQuickDraw(bytes, converted);
    }
    return errAECoercionFail;
}

} // namespace MacPlatform
