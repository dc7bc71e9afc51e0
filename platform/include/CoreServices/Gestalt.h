// Gestalt: questions about the system. MacPlatform answers for the Mac OS X version whose API
// level it provides.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    gestaltSystemVersion = 0x73797376, // 'sysv': 0x1049 for 10.4.11 (BCD, last digit capped at 9)
    gestaltSystemVersionMajor = 0x73797331, // 'sys1'
    gestaltSystemVersionMinor = 0x73797332, // 'sys2'
    gestaltSystemVersionBugFix = 0x73797333 // 'sys3'
};

// Returns gestaltUndefSelectorErr for selectors it does not know and paramErr without a
// response pointer.
OSErr Gestalt(OSType selector, SInt32* response);

#ifdef __cplusplus
}
#endif
