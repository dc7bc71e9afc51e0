#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Gestalt.h>
#include <CoreServices/Files.h>
#include <CoreServices/TextUtils.h>

#ifdef __cplusplus
extern "C" {
#endif

// Microseconds since the system started, from the monotonic clock.
void Microseconds(UnsignedWide* microTickCount);

#ifdef __cplusplus
}
#endif
