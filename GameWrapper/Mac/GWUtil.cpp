#include "GWUtil.h"

#include "CorvaneCore/FileUtils.h"

#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

const char RESOURCES_SUFFIX[] = "/Contents/Resources";
const std::size_t RESOURCES_SUFFIX_LENGTH = sizeof RESOURCES_SUFFIX - 1;

// Room for the resources path while it is converted; a path that does not fit cannot be used.
const std::size_t CONVERSION_ROOM = 2048;

void CopyTerminated(const std::string& text, char* out, unsigned int size) {
    if (size == 0) {
        return;
    }
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

} // namespace

bool GetBundlePath(char* out, unsigned int size) {
    // Written once and kept: the bundle does not move while the launcher runs.
    static std::string* s_BundlePath = nullptr;
    if (!out || size == 0) {
        return false;
    }
    if (s_BundlePath) {
        CopyTerminated(*s_BundlePath, out, size);
        return true;
    }

    // Converted into a buffer of our own so that the caller's size limits only the copy handed
    // out, never the path that is remembered.
    char converted[CONVERSION_ROOM];
    if (FindMainBundleResourcesFolder(converted, sizeof converted) !=
        ResourcesFolderLookup::Found) {
        return false;
    }

    std::string path(converted);
    if (path.size() >= RESOURCES_SUFFIX_LENGTH &&
        strcasecmp(path.c_str() + path.size() - RESOURCES_SUFFIX_LENGTH, RESOURCES_SUFFIX) == 0) {
        path.resize(path.size() - RESOURCES_SUFFIX_LENGTH);
    }
    // The bundle's own name goes; a bundle in the root folder leaves "/".
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        path.resize(slash == 0 ? 1 : slash);
    }

    s_BundlePath = new std::string(path);
    CopyTerminated(*s_BundlePath, out, size);
    return true;
}

void ChangeWorkingDirectoryToBundleStart() {
    char path[1024];
    if (!GetBundlePath(path, sizeof path) || path[0] == '\0') {
        return;
    }
    std::size_t length = std::strlen(path);
    while (length > 1 && path[length - 1] == '/') {
        path[--length] = '\0';
    }
    if (chdir(path) != 0) {
        // A launcher that cannot enter its folder still runs; files it then misses report
        // themselves where they are opened.
        return;
    }
}
