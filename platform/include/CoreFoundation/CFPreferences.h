#pragma once

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

extern const CFStringRef kCFPreferencesAnyApplication;
extern const CFStringRef kCFPreferencesCurrentApplication;
extern const CFStringRef kCFPreferencesAnyHost;
extern const CFStringRef kCFPreferencesCurrentHost;
extern const CFStringRef kCFPreferencesAnyUser;
extern const CFStringRef kCFPreferencesCurrentUser;

// Preferences of the current user, kept as one XML property list per application domain:
//   ${XDG_CONFIG_HOME:-~/.config}/Preferences/ByHost/<domain>.<machine-id>.plist  (current host)
//   ${XDG_CONFIG_HOME:-~/.config}/Preferences/<domain>.plist                      (any host)
// with mode 0600. kCFPreferencesAnyApplication is the domain ".GlobalPreferences" and
// kCFPreferencesCurrentApplication the main bundle's identifier. Other users' preferences and
// other hosts' are not kept: those calls find nothing and store nothing.
//
// A domain is read on first use and again at every CFPreferencesSynchronize. Values set are
// pending until then; a NULL value removes the key. Synchronize merges them into what is on disk
// under an exclusive lock, so processes that set different keys at the same moment all keep
// theirs, and replaces the file in one step, so a crash never leaves half a file. A file that
// cannot be parsed reads as empty and is replaced by the next write.

// Copy rule. NULL when the key has no value.
CFPropertyListRef CFPreferencesCopyValue(CFStringRef key, CFStringRef applicationID,
                                         CFStringRef userName, CFStringRef hostName);
// A value that is not a property list is refused with a line on standard error.
void CFPreferencesSetValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID,
                           CFStringRef userName, CFStringRef hostName);
// False when the file could not be read or written; pending values then stay pending.
Boolean CFPreferencesSynchronize(CFStringRef applicationID, CFStringRef userName,
                                 CFStringRef hostName);
// The keys the domain holds, pending changes included (Create rule); NULL when it has none.
CFArrayRef CFPreferencesCopyKeyList(CFStringRef applicationID, CFStringRef userName,
                                    CFStringRef hostName);

// The same for the current user and any host.
CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID);
void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);
Boolean CFPreferencesAppSynchronize(CFStringRef applicationID);

#ifdef __cplusplus
}
#endif
