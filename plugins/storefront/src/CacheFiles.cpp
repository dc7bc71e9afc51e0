#include "CacheFiles.h"

#include "OnlineLibraries.h"

#include <CoreFoundation/CoreFoundation.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Storefront {

std::string bundleIdentifierOf(const std::string& resourcesFolder) {
    std::string bundlePath = resourcesFolder + "../..";
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bundlePath.c_str()),
        static_cast<CFIndex>(bundlePath.size()), true);
    if (!url) {
        return {};
    }
    std::string identifier;
    if (CFBundleRef bundle = CFBundleCreate(nullptr, url)) {
        if (CFStringRef name = CFBundleGetIdentifier(bundle)) {
            char buffer[256];
            if (CFStringGetCString(name, buffer, sizeof buffer, kCFStringEncodingUTF8)) {
                identifier = buffer;
            }
        }
        CFRelease(bundle);
    }
    CFRelease(url);
    return identifier;
}

bool makeFolders(const std::string& path, std::string& error) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + part + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = path + " is not a folder";
        return false;
    }
    return true;
}

std::string storefrontCacheFolder(const std::string& bundleIdentifier, std::string& error) {
    // The identifier becomes one folder name: nothing that could climb out of the cache.
    if (bundleIdentifier.empty() || bundleIdentifier == "." || bundleIdentifier == ".." ||
        bundleIdentifier.find('/') != std::string::npos) {
        error = "the bundle has no usable CFBundleIdentifier";
        return {};
    }
    std::string base;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        error = "neither XDG_CACHE_HOME nor HOME names a folder";
        return {};
    }
    std::string folder = base + "/" + bundleIdentifier + "/storefront";
    if (!makeFolders(folder, error)) {
        return {};
    }
    return folder + "/";
}

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temporary = path + ".XXXXXX";
    int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        error = "cannot create a file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    bool whole = done == bytes.size() && fsync(descriptor) == 0;
    int saved = errno;
    close(descriptor);
    if (!whole || rename(temporary.c_str(), path.c_str()) != 0) {
        if (whole) {
            saved = errno;
        }
        unlink(temporary.c_str());
        error = "cannot write " + path + ": " + std::strerror(saved);
        return false;
    }
    return true;
}

std::string sha256Hex(const std::string& bytes) {
    std::string error;
    const SodiumLibrary* sodium = sodiumLibrary(error);
    if (!sodium) {
        return {};
    }
    unsigned char digest[crypto_hash_sha256_BYTES];
    sodium->sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[2 * crypto_hash_sha256_BYTES + 1];
    sodium->bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::string cacheNameForURL(const std::string& url, const std::string& extension) {
    return sha256Hex(url).substr(0, 32) + extension;
}

} // namespace Storefront
