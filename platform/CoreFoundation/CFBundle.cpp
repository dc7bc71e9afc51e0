#include "CFRuntime.h"
#include "CFURLObject.h"

#include <CoreFoundation/CFBundle.h>
#include <MacPlatformTesting.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace MacPlatform {

class CFBundleObject final : public CFObject {
public:
    explicit CFBundleObject(std::string path) : CFObject(kTypeIDBundle), m_path(std::move(path)) {}
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace MacPlatform

using namespace MacPlatform;

namespace {

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

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

CFBundleObject* makeBundle(const std::string& path) {
    auto* bundle = new CFBundleObject(normalizePath(path));
    bundle->makeImmortal();
    return bundle;
}

} // namespace

extern "C" {

CFTypeID CFBundleGetTypeID(void) { return kTypeIDBundle; }

CFBundleRef CFBundleGetMainBundle(void) {
    CFBundleObject*& slot = mainBundleSlot();
    if (!slot) {
        std::string executable = executablePath();
        if (executable.empty()) {
            return nullptr;
        }
        slot = makeBundle(bundlePathOfExecutable(executable));
    }
    return reinterpret_cast<CFBundleRef>(static_cast<CFObject*>(slot));
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    return object ? createFileURL(object->path(), true) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    CFBundleObject* object = bundleObject(bundle);
    if (!object) {
        return nullptr;
    }
    const std::string& root = object->path();
    if (isDirectory(root + "/Contents")) {
        return createFileURL(root + "/Contents/Resources", true);
    }
    if (isDirectory(root + "/Resources")) {
        return createFileURL(root + "/Resources", true);
    }
    return createFileURL(root, true);
}

void MacPlatformTestSetMainBundlePath(const char* bundlePath) {
    // The previous bundle object stays alive: callers may still hold it under the Get rule.
    mainBundleSlot() = bundlePath ? makeBundle(bundlePath) : nullptr;
}

} // extern "C"
