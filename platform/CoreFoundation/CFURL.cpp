#include "CFURLObject.h"
#include "CFStringObject.h"

#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>

namespace MacPlatform {

CFURLObject::CFURLObject(std::string path, bool isDirectory, CFURLRef base)
    : CFObject(kTypeIDURL), m_path(std::move(path)), m_isDirectory(isDirectory), m_base(base) {
    if (m_base) {
        CFRetain(m_base);
    }
}

CFURLObject::~CFURLObject() {
    if (m_base) {
        CFRelease(m_base);
    }
}

std::string normalizePath(const std::string& path) {
    bool absolute = !path.empty() && path[0] == '/';
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t slash = path.find('/', i);
        if (slash == std::string::npos) {
            slash = path.size();
        }
        std::string part = path.substr(i, slash - i);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = slash + 1;
    }
    std::string result;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k > 0 || absolute) {
            result.push_back('/');
        }
        result.append(parts[k]);
    }
    if (result.empty() && absolute) {
        result.push_back('/');
    }
    if (result.empty()) {
        result = ".";
    }
    return result;
}

std::string CFURLObject::absolutePath() const {
    if (!m_path.empty() && m_path[0] == '/') {
        return normalizePath(m_path);
    }
    std::string basePath = m_base ? urlObject(m_base)->absolutePath() : std::string("/");
    return normalizePath(basePath + "/" + m_path);
}

bool CFURLObject::equals(const CFObject& other) const {
    const auto& url = static_cast<const CFURLObject&>(other);
    return url.absolutePath() == absolutePath() && url.m_isDirectory == m_isDirectory;
}

CFHashCode CFURLObject::hash() const {
    return std::hash<std::string>{}(absolutePath());
}

CFURLObject* urlObject(CFURLRef url) {
    return castRef<CFURLObject>(url, kTypeIDURL);
}

CFURLRef createFileURL(const std::string& absolutePath, bool isDirectory) {
    return reinterpret_cast<CFURLRef>(
        static_cast<CFObject*>(new CFURLObject(absolutePath, isDirectory, nullptr)));
}

} // namespace MacPlatform

using namespace MacPlatform;

namespace {

CFURLRef currentDirectoryURL() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) {
            return nullptr;
        }
        buffer.resize(buffer.size() * 2);
    }
    return createFileURL(buffer.data(), true);
}

CFURLRef makeURL(std::string path, bool isDirectory, CFURLRef base) {
    if (path.empty()) {
        return nullptr;
    }
    CFURLRef ownBase = nullptr;
    if (path[0] != '/' && !base) {
        ownBase = currentDirectoryURL();
        base = ownBase;
    }
    if (path.size() > 1 && path.back() == '/') {
        path.pop_back();
        isDirectory = true;
    }
    bool absolute = path[0] == '/';
    auto* url = new CFURLObject(std::move(path), isDirectory, absolute ? nullptr : base);
    if (ownBase) {
        CFRelease(ownBase);
    }
    return reinterpret_cast<CFURLRef>(static_cast<CFObject*>(url));
}

} // namespace

extern "C" {

CFTypeID CFURLGetTypeID(void) {
    return kTypeIDURL;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
    return CFURLCreateWithFileSystemPathRelativeToBase(nullptr, filePath, pathStyle, isDirectory,
                                                       nullptr);
}

CFURLRef CFURLCreateWithFileSystemPathRelativeToBase(CFAllocatorRef, CFStringRef filePath,
                                                     CFURLPathStyle pathStyle, Boolean isDirectory,
                                                     CFURLRef baseURL) {
    if (!filePath || pathStyle != kCFURLPOSIXPathStyle) {
        return nullptr;
    }
    return makeURL(stringText(filePath), isDirectory, urlObject(baseURL) ? baseURL : nullptr);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
    if (!buffer || bufLen <= 0) {
        return nullptr;
    }
    const char* text = reinterpret_cast<const char*>(buffer);
    return makeURL(std::string(text, strnlen(text, static_cast<size_t>(bufLen))), isDirectory,
                   nullptr);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    CFURLObject* object = urlObject(url);
    if (!object || !pathComponent) {
        return nullptr;
    }
    std::string path = object->path();
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += stringText(pathComponent);
    return makeURL(path, isDirectory, object->base());
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    CFURLObject* object = urlObject(url);
    if (!object) {
        return nullptr;
    }
    std::string path = object->absolutePath();
    size_t slash = path.find_last_of('/');
    path = (slash == std::string::npos || slash == 0) ? "/" : path.substr(0, slash);
    return createFileURL(path, true);
}

CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL) {
    CFURLObject* object = urlObject(relativeURL);
    return object ? createFileURL(object->absolutePath(), object->isDirectory()) : nullptr;
}

CFURLRef CFURLGetBaseURL(CFURLRef anURL) {
    CFURLObject* object = urlObject(anURL);
    return object ? object->base() : nullptr;
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
    CFURLObject* object = urlObject(url);
    if (!object || !buffer || maxBufLen <= 0) {
        return false;
    }
    std::string path = resolveAgainstBase ? object->absolutePath() : object->path();
    if (static_cast<CFIndex>(path.size()) + 1 > maxBufLen) {
        return false;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
    CFURLObject* object = urlObject(anURL);
    if (!object || pathStyle != kCFURLPOSIXPathStyle) {
        return nullptr;
    }
    return createString(object->base() ? object->path() : object->absolutePath());
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    CFURLObject* object = urlObject(url);
    if (!object) {
        return nullptr;
    }
    std::string path = object->absolutePath();
    size_t slash = path.find_last_of('/');
    if (path == "/") {
        return createString("/");
    }
    return createString(slash == std::string::npos ? path : path.substr(slash + 1));
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
    CFURLObject* object = urlObject(anURL);
    return object && object->isDirectory();
}

} // extern "C"
