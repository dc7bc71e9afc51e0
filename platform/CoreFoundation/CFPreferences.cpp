#include "CFStringObject.h"
#include "PreferencesFile.h"
#include "PropertyList.h"

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFPreferences.h>
#include <CoreFoundation/CFPropertyList.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <vector>

const CFStringRef kCFPreferencesAnyApplication = CFSTR("kCFPreferencesAnyApplication");
const CFStringRef kCFPreferencesCurrentApplication = CFSTR("kCFPreferencesCurrentApplication");
const CFStringRef kCFPreferencesAnyHost = CFSTR("kCFPreferencesAnyHost");
const CFStringRef kCFPreferencesCurrentHost = CFSTR("kCFPreferencesCurrentHost");
const CFStringRef kCFPreferencesAnyUser = CFSTR("kCFPreferencesAnyUser");
const CFStringRef kCFPreferencesCurrentUser = CFSTR("kCFPreferencesCurrentUser");

using namespace MacPlatform;

namespace {

// One domain as this process sees it: what the file held when last read, and the changes made
// here since (a null value is a removal).
struct Domain {
    CFDictionaryRef stored = nullptr;
    std::map<std::string, CFPropertyListRef> pending;

    Domain() = default;
    Domain(const Domain&) = delete;
    Domain& operator=(const Domain&) = delete;
    ~Domain() {
        setStored(nullptr);
        clearPending();
    }
    void setStored(CFDictionaryRef dict) {
        if (stored) {
            CFRelease(stored);
        }
        stored = dict;
    }
    void clearPending() {
        for (auto& [key, value] : pending) {
            if (value) {
                CFRelease(value);
            }
        }
        pending.clear();
    }
};

std::mutex& storeLock() {
    static std::mutex lock;
    return lock;
}

// Domains by file path, so that a changed XDG_CONFIG_HOME is a different set of domains.
std::map<std::string, Domain>& domains() {
    static auto* all = new std::map<std::string, Domain>;
    return *all;
}

CFDictionaryRef emptyDictionary() {
    return CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                              &kCFTypeDictionaryValueCallBacks);
}

std::string currentUserName() {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_name) {
        return found->pw_name;
    }
    return {};
}

std::string domainName(CFStringRef applicationID) {
    if (CFEqual(applicationID, kCFPreferencesAnyApplication)) {
        return ".GlobalPreferences";
    }
    if (CFEqual(applicationID, kCFPreferencesCurrentApplication)) {
        return stringText(CFBundleGetIdentifier(CFBundleGetMainBundle()));
    }
    return stringText(applicationID);
}

// The file of a domain for the user and host named, or empty when those preferences are not
// ones this system keeps or the name cannot be a file name.
std::string domainPath(CFStringRef applicationID, CFStringRef userName, CFStringRef hostName) {
    if (!applicationID || !userName || !hostName) {
        return {};
    }
    bool currentUser =
        CFEqual(userName, kCFPreferencesCurrentUser) ||
        (CFGetTypeID(userName) == kTypeIDString && stringText(userName) == currentUserName());
    bool currentHost = CFEqual(hostName, kCFPreferencesCurrentHost);
    if (!currentUser || !(currentHost || CFEqual(hostName, kCFPreferencesAnyHost))) {
        return {};
    }
    std::string domain = domainName(applicationID);
    if (domain.empty() || domain.size() > 200 || domain == "." || domain == ".." ||
        domain.find('/') != std::string::npos || domain.find('\0') != std::string::npos) {
        return {};
    }
    std::string folder = preferencesFolder();
    if (folder.empty()) {
        return {};
    }
    return currentHost ? folder + "/ByHost/" + domain + "." + machineIdentifier() + ".plist"
                       : folder + "/" + domain + ".plist";
}

// The domain with its file read, when it has not been read yet. Call with the store locked.
Domain& loadedDomain(const std::string& path) {
    Domain& domain = domains()[path];
    if (!domain.stored) {
        CFDictionaryRef dict = readDictionaryFile(path, nullptr);
        domain.setStored(dict ? dict : emptyDictionary());
    }
    return domain;
}

bool synchronize(const std::string& path, Domain& domain) {
    FileStatus status;
    if (domain.pending.empty()) {
        // Nothing to write: the file is replaced whole by rename, so it reads right unlocked.
        CFDictionaryRef onDisk = readDictionaryFile(path, &status);
        if (status == FileStatus::unreadable) {
            return false;
        }
        domain.setStored(onDisk ? onDisk : emptyDictionary());
        return true;
    }
    if (!makeFolders(path.substr(0, path.find_last_of('/')))) {
        return false;
    }
    FileLock lock(path);
    if (!lock.locked()) {
        return false;
    }
    // Read again under the lock: another process may have written since this one last read.
    CFDictionaryRef onDisk = readDictionaryFile(path, &status);
    if (status == FileStatus::unreadable) {
        return false;
    }
    CFMutableDictionaryRef merged =
        onDisk ? CFDictionaryCreateMutableCopy(nullptr, 0, onDisk)
               : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                           &kCFTypeDictionaryValueCallBacks);
    if (onDisk) {
        CFRelease(onDisk);
    }
    for (auto& [key, value] : domain.pending) {
        CFStringRef keyString = createString(key);
        if (value) {
            CFDictionarySetValue(merged, keyString, value);
        } else {
            CFDictionaryRemoveValue(merged, keyString);
        }
        CFRelease(keyString);
    }
    auto xml = xmlFromPropertyList(merged);
    if (!xml || !replaceFile(path, *xml)) {
        CFRelease(merged);
        return false;
    }
    domain.setStored(CFDictionaryCreateCopy(nullptr, merged));
    CFRelease(merged);
    domain.clearPending();
    return true;
}

} // namespace

extern "C" {

CFPropertyListRef CFPreferencesCopyValue(CFStringRef key, CFStringRef applicationID,
                                         CFStringRef userName, CFStringRef hostName) {
    std::string path = domainPath(applicationID, userName, hostName);
    if (path.empty() || CFGetTypeID(key) != kTypeIDString) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(storeLock());
    Domain& domain = loadedDomain(path);
    auto pending = domain.pending.find(stringText(key));
    CFPropertyListRef value = pending != domain.pending.end()
                                  ? pending->second
                                  : CFDictionaryGetValue(domain.stored, key);
    return value ? CFRetain(value) : nullptr;
}

void CFPreferencesSetValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID,
                           CFStringRef userName, CFStringRef hostName) {
    std::string path = domainPath(applicationID, userName, hostName);
    if (path.empty() || CFGetTypeID(key) != kTypeIDString) {
        return;
    }
    // A copy, so that later changes to a mutable value by the caller do not leak in unsaved.
    CFPropertyListRef copy = nullptr;
    if (value) {
        copy = CFPropertyListCreateDeepCopy(nullptr, value, kCFPropertyListImmutable);
        if (!copy) {
            std::fprintf(stderr,
                         "CFPreferencesSetValue: the value for \"%s\" is not a property "
                         "list; nothing was stored\n",
                         stringText(key).c_str());
            return;
        }
    }
    std::lock_guard<std::mutex> guard(storeLock());
    Domain& domain = loadedDomain(path);
    auto [entry, added] = domain.pending.emplace(stringText(key), copy);
    if (!added) {
        if (entry->second) {
            CFRelease(entry->second);
        }
        entry->second = copy;
    }
}

Boolean CFPreferencesSynchronize(CFStringRef applicationID, CFStringRef userName,
                                 CFStringRef hostName) {
    std::string path = domainPath(applicationID, userName, hostName);
    if (path.empty()) {
        return false;
    }
    std::lock_guard<std::mutex> guard(storeLock());
    return synchronize(path, domains()[path]);
}

CFArrayRef CFPreferencesCopyKeyList(CFStringRef applicationID, CFStringRef userName,
                                    CFStringRef hostName) {
    std::string path = domainPath(applicationID, userName, hostName);
    if (path.empty()) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(storeLock());
    Domain& domain = loadedDomain(path);
    std::map<std::string, bool> keys;
    CFIndex count = CFDictionaryGetCount(domain.stored);
    std::vector<const void*> stored(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(domain.stored, stored.data(), nullptr);
    for (const void* key : stored) {
        keys[stringText(static_cast<CFStringRef>(key))] = true;
    }
    for (auto& [key, value] : domain.pending) {
        keys[key] = value != nullptr;
    }
    CFMutableArrayRef list = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (auto& [key, present] : keys) {
        if (present) {
            CFStringRef string = createString(key);
            CFArrayAppendValue(list, string);
            CFRelease(string);
        }
    }
    if (CFArrayGetCount(list) == 0) {
        CFRelease(list);
        return nullptr;
    }
    return list;
}

CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID) {
    return CFPreferencesCopyValue(key, applicationID, kCFPreferencesCurrentUser,
                                  kCFPreferencesAnyHost);
}

void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID) {
    CFPreferencesSetValue(key, value, applicationID, kCFPreferencesCurrentUser,
                          kCFPreferencesAnyHost);
}

Boolean CFPreferencesAppSynchronize(CFStringRef applicationID) {
    return CFPreferencesSynchronize(applicationID, kCFPreferencesCurrentUser,
                                    kCFPreferencesAnyHost);
}

} // extern "C"
