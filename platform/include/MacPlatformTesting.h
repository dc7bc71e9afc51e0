// Hooks that only tests use. The product never calls anything declared here.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Makes the main bundle the given folder from now on, as if the program had been started
// from inside it; null goes back to the bundle found from /proc/self/exe.
void MacPlatformTestSetMainBundlePath(const char* bundlePath);

// Makes Microseconds report the given value while enabled, so that clock arithmetic built on
// it can be checked at exact values.
void MacPlatformTestSetMicroseconds(Boolean enabled, UInt64 value);

#ifdef __cplusplus
}
#endif
