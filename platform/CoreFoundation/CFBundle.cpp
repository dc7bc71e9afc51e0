#include "CFRuntime.h"
#include "CFStringObject.h"
#include "CFURLObject.h"
#include "PropertyList.h"

#include <CoreFoundation/CFBundle.h>
#include <MacPlatformTesting.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");
const CFStringRef kCFBundleDevelopmentRegionKey = CFSTR("CFBundleDevelopmentRegion");

namespace MacPlatform {

namespace {

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

class CFBundleObject final : public CFObject {
public:
    explicit CFBundleObject(std::string path) : CFObject(kTypeIDBundle), m_path(std::move(path)) {}
    ~CFBundleObject() override {
        if (m_info) {
            CFRelease(m_info);
        }
    }
    const std::string& path() const { return m_path; }
    std::string description() const override { return "CFBundle " + m_path; }

    // Read on first use and kept, as on the Mac: a bundle's Info.plist does not change under
    // a running program.
    CFDictionaryRef info() {
        if (!m_info) {
            for (const char* place :
                 {"/Contents/Info.plist", "/Resources/Info.plist", "/Info.plist"}) {
                FileStatus status;
                m_info = readDictionaryFile(m_path + place, &status);
                if (status != FileStatus::missing) {
                    break;
                }
            }
            if (!m_info) {
                m_info =
                    CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                       &kCFTypeDictionaryValueCallBacks);
            }
        }
        return m_info;
    }

    std::string resourcesPath() const {
        if (isDirectory(m_path + "/Contents")) {
            return m_path + "/Contents/Resources";
        }
        if (isDirectory(m_path + "/Resources")) {
            return m_path + "/Resources";
        }
        return m_path;
    }

private:
    std::string m_path;
    CFDictionaryRef m_info = nullptr;
};

} // namespace MacPlatform

using namespace MacPlatform;

namespace {

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string bundlePathOfExecutable(const std::string& executable) {
    std::string folder = parentOf(executable);
    if (endsWith(folder, "/Contents/MacOS")) {
        std::string bundle = parentOf(parentOf(folder));
        if (endsWith(bundle, ".app")) {
            return bundle;
        }
    }
    return folder;
}

std::string executablePath() {
    std::string buffer(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) {
        return {};
    }
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

CFBundleObject*& mainBundleSlot() {
    static CFBundleObject* mainBundle = nullptr;
    return mainBundle;
}

CFBundleObject* bundleObject(CFBundleRef bundle) {
    return castRef<CFBundleObject>(bundle, kTypeIDBundle);
}

CFBundleObject* makeMainBundle(const std::string& path) {
    auto* bundle = new CFBundleObject(normalizePath(path));
    bundle->makeImmortal();
    return bundle;
}

bool existingPath(const std::string& path, bool* directory) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    *directory = S_ISDIR(info.st_mode);
    return true;
}

// A relative path that stays inside the folder it is joined to.
bool staysInside(const std::string& relative) {
    if (relative.empty() || relative[0] == '/') {
        return false;
    }
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) {
            slash = relative.size();
        }
        if (relative.compare(start, slash - start, "..") == 0 && slash - start == 2) {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

} // namespace

extern "C" {

CFTypeID CFBundleGetTypeID(void) {
    return kTypeIDBundle;
}

CFBundleRef CFBundleGetMainBundle(void) {
    CFBundleObject*& slot = mainBundleSlot();
    if (!slot) {
        std::string executable = executablePath();
        if (executable.empty()) {
            return nullptr;
        }
        slot = makeMainBundle(bundlePathOfExecutable(executable));
    }
    return toRef<CFBundleRef>(slot);
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    CFURLObject* url = urlObject(bundleURL);
    if (!url) {
        return nullptr;
    }
    std::string path = url->absolutePath();
    return isDirectory(path) ? toRef<CFBundleRef>(new CFBundleObject(path)) : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    return object ? createFileURL(object->path(), true) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    return object ? createFileURL(object->resourcesPath(), true) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
    CFBundleObject* object = bundleObject(bundle);
    const std::string& name = stringText(resourceName);
    if (!object || name.empty()) {
        return nullptr;
    }
    std::string fileName = name;
    const std::string& type = stringText(resourceType);
    if (!type.empty()) {
        fileName += type[0] == '.' ? type : "." + type;
    }
    const std::string& subDir = stringText(subDirName);
    std::string relative = subDir.empty() ? fileName : subDir + "/" + fileName;
    if (!staysInside(relative)) {
        return nullptr;
    }
    // Resources shared by all languages come first, then the localized ones.
    std::vector<std::string> folders = {""};
    auto region = static_cast<CFStringRef>(
        CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleDevelopmentRegionKey));
    const std::string& development = stringText(region);
    if (!development.empty() && development.find('/') == std::string::npos && development != "..") {
        folders.push_back(development + ".lproj/");
    }
    for (const char* language : {"English.lproj/", "en.lproj/", "Base.lproj/"}) {
        folders.push_back(language);
    }
    std::string resources = object->resourcesPath() + "/";
    for (const std::string& folder : folders) {
        std::string path = resources + folder + relative;
        bool directory = false;
        if (existingPath(path, &directory)) {
            return createFileURL(normalizePath(path), directory);
        }
    }
    return nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    if (!object) {
        return nullptr;
    }
    auto name = static_cast<CFStringRef>(
        CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleExecutableKey));
    const std::string& executable = stringText(name);
    std::string path;
    if (!executable.empty()) {
        if (!staysInside(executable)) {
            return nullptr;
        }
        path = isDirectory(object->path() + "/Contents")
                   ? object->path() + "/Contents/MacOS/" + executable
                   : object->path() + "/" + executable;
    } else if (object == mainBundleSlot()) {
        path = executablePath();
    }
    bool directory = false;
    if (path.empty() || !existingPath(path, &directory) || directory) {
        return nullptr;
    }
    return createFileURL(normalizePath(path), false);
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    return object ? object->info() : nullptr;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    return key ? CFDictionaryGetValue(CFBundleGetInfoDictionary(bundle), key) : nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleIdentifierKey);
    return CFGetTypeID(value) == kTypeIDString ? static_cast<CFStringRef>(value) : nullptr;
}

void MacPlatformTestSetMainBundlePath(const char* bundlePath) {
    // The previous bundle object stays alive, and reachable: callers may still hold it under
    // the Get rule.
    static auto* retired = new std::vector<CFBundleObject*>;
    if (mainBundleSlot()) {
        retired->push_back(mainBundleSlot());
    }
    mainBundleSlot() = bundlePath ? makeMainBundle(bundlePath) : nullptr;
}

} // extern "C"
