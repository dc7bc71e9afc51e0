#include "GWPref.h"

#include <cstdint>

GWPref::GWPref(CFStringRef domain, int applicationID)
    : mDomain(CFStringCreateCopy(kCFAllocatorDefault, domain)),
      mEulaKey(CFStringCreateWithFormat(kCFAllocatorDefault, nullptr, CFSTR("%d.eula_agreed"),
                                        applicationID)) {}

GWPref::~GWPref() {
    if (mEulaKey) {
        CFRelease(mEulaKey);
    }
    if (mDomain) {
        CFRelease(mDomain);
    }
}

bool GWPref::GetEulaAgreed() {
    if (!mDomain || !mEulaKey) {
        return false;
    }
    std::int32_t agreed = 0;
    CFPropertyListRef value = CFPreferencesCopyValue(mEulaKey, mDomain, kCFPreferencesCurrentUser,
                                                     kCFPreferencesCurrentHost);
    if (value) {
        if (CFGetTypeID(value) == CFDataGetTypeID()) {
            CFDataRef data = static_cast<CFDataRef>(value);
            CFIndex length = CFDataGetLength(data);
            if (length > CFIndex(sizeof agreed)) {
                length = sizeof agreed;
            }
            CFDataGetBytes(data, CFRangeMake(0, length), reinterpret_cast<UInt8*>(&agreed));
        }
        CFRelease(value);
    }
    return agreed != 0;
}

void GWPref::SetEulaAgreed() {
    if (!mDomain || !mEulaKey) {
        return;
    }
    std::int32_t const agreed = 1;
    CFDataRef data =
        CFDataCreate(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(&agreed), sizeof agreed);
    if (!data) {
        return;
    }
    CFPreferencesSetValue(mEulaKey, data, mDomain, kCFPreferencesCurrentUser,
                          kCFPreferencesCurrentHost);
    CFPreferencesSynchronize(mDomain, kCFPreferencesCurrentUser, kCFPreferencesCurrentHost);
    CFRelease(data);
}
