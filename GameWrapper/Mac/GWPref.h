// The launcher's preferences record: whether the user has agreed to the game's end-user
// agreement, kept per user, per host and per game (the game's application ID is in the key).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

class GWPref {
public:
    // domain: the preferences domain, shared by every game ("com.Pellucid"). The key is
    // "<applicationID>.eula_agreed".
    GWPref(CFStringRef domain, int applicationID);
    ~GWPref();
    GWPref(GWPref const&) = delete;
    GWPref& operator=(GWPref const&) = delete;

    // True when the stored value is data whose first (up to) four bytes, read as a native
    // 32-bit integer over zeroed bytes, are nonzero. A value of any other type (a number or a
    // text another program wrote) does not count as an agreement: only the launcher's own
    // record can say the user agreed.
    bool GetEulaAgreed();
    // Stores the 32-bit integer 1 under the key and writes the domain out at once, so the
    // agreement is on disk before the launcher goes on.
    void SetEulaAgreed();

private:
    CFStringRef mDomain;
    CFStringRef mEulaKey;
};
