#include <CoreServices/Gestalt.h>
#include <MacPlatformTesting.h>

namespace {

struct SystemVersion {
    SInt32 major;
    SInt32 minor;
    SInt32 bugFix;
};

// MacPlatform provides the API of Mac OS X 10.4.11.
constexpr SystemVersion kProvidedVersion{10, 4, 11};

bool g_overrideVersion = false;
SInt32 g_overrideCode = 0;

SInt32 bcdDigit(SInt32 value) {
    return value > 9 ? 9 : value;
}

SInt32 decodeBCD(SInt32 code) {
    return ((code >> 4) & 0xF) * 10 + (code & 0xF);
}

SystemVersion currentVersion() {
    if (!g_overrideVersion) {
        return kProvidedVersion;
    }
    return SystemVersion{decodeBCD(g_overrideCode >> 8), (g_overrideCode >> 4) & 0xF,
                         g_overrideCode & 0xF};
}

} // namespace

extern "C" {

OSErr Gestalt(OSType selector, SInt32* response) {
    if (!response) {
        return paramErr;
    }
    SystemVersion version = currentVersion();
    switch (selector) {
    case gestaltSystemVersion:
        // The packed code has one BCD digit for minor and bug-fix; 10.4.11 reads 0x1049.
        *response = g_overrideVersion
                        ? g_overrideCode
                        : ((version.major / 10) << 12) | ((version.major % 10) << 8) |
                              (bcdDigit(version.minor) << 4) | bcdDigit(version.bugFix);
        return noErr;
    case gestaltSystemVersionMajor:
        *response = version.major;
        return noErr;
    case gestaltSystemVersionMinor:
        *response = version.minor;
        return noErr;
    case gestaltSystemVersionBugFix:
        *response = version.bugFix;
        return noErr;
    default:
        return gestaltUndefSelectorErr;
    }
}

void MacPlatformTestSetSystemVersion(Boolean enabled, SInt32 versionCode) {
    g_overrideVersion = enabled;
    g_overrideCode = versionCode;
}

} // extern "C"
