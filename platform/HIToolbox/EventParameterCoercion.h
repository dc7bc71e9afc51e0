// Conversions between parameter types that carry the same value in different forms, such as a
// QuickDraw point read from a floating-point HIPoint.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <vector>

namespace MacPlatform {

// Converts the stored bytes of type `from` into the form of type `to`. Returns noErr with the
// converted bytes, or errAECoercionFail when there is no conversion or the value does not fit.
OSStatus coerceEventParameter(EventParamType from, const std::vector<unsigned char>& bytes,
                              EventParamType to, std::vector<unsigned char>& converted);

} // namespace MacPlatform
