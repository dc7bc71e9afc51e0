#include <CoreServices/CoreServices.h>
#include <MacPlatformTesting.h>

#include <time.h>

namespace {

bool g_overrideMicroseconds = false;
UInt64 g_microsecondsValue = 0;

} // namespace

extern "C" {

void Microseconds(UnsignedWide* microTickCount) {
    if (!microTickCount) {
        return;
    }
    UInt64 value;
    if (g_overrideMicroseconds) {
        value = g_microsecondsValue;
    } else {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        value =
            static_cast<UInt64>(now.tv_sec) * 1000000u + static_cast<UInt64>(now.tv_nsec) / 1000u;
    }
    microTickCount->lo = static_cast<UInt32>(value);
    microTickCount->hi = static_cast<UInt32>(value >> 32);
}

void MacPlatformTestSetMicroseconds(Boolean enabled, UInt64 value) {
    g_overrideMicroseconds = enabled;
    g_microsecondsValue = value;
}

} // extern "C"
