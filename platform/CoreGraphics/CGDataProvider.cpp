#include "CGDataProviderObject.h"

#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace MacPlatform;

namespace MacPlatform {

CGDataProviderObject::CGDataProviderObject(void* info, const void* data, size_t size,
                                           CGDataProviderReleaseDataCallback releaseData)
    : CFObject(kTypeIDCGDataProvider), m_info(info), m_data(data), m_size(size),
      m_releaseData(releaseData) {}

CGDataProviderObject::CGDataProviderObject(CFDataRef data)
    : CFObject(kTypeIDCGDataProvider), m_cfData(static_cast<CFDataRef>(CFRetain(data))) {}

CGDataProviderObject::CGDataProviderObject(std::vector<uint8_t> bytes)
    : CFObject(kTypeIDCGDataProvider), m_owned(std::move(bytes)) {}

CGDataProviderObject::~CGDataProviderObject() {
    if (m_releaseData) {
        m_releaseData(m_info, m_data, m_size);
    }
    if (m_cfData) {
        CFRelease(m_cfData);
    }
}

const uint8_t* CGDataProviderObject::bytes() const {
    if (m_cfData) {
        return CFDataGetBytePtr(m_cfData);
    }
    if (!m_owned.empty()) {
        return m_owned.data();
    }
    return static_cast<const uint8_t*>(m_data);
}

size_t CGDataProviderObject::size() const {
    if (m_cfData) {
        return static_cast<size_t>(CFDataGetLength(m_cfData));
    }
    if (!m_owned.empty()) {
        return m_owned.size();
    }
    return m_size;
}

} // namespace MacPlatform

namespace {

// Only regular files: a device or a pipe could feed bytes without end.
CGDataProviderRef createFromFile(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    std::vector<uint8_t> bytes;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        // A file that shrank while being read keeps what was there.
        bytes.resize(done);
        ok = done > 0;
    }
    close(fd);
    return ok ? toRef<CGDataProviderRef>(new CGDataProviderObject(std::move(bytes))) : nullptr;
}

} // namespace

extern "C" {

CFTypeID CGDataProviderGetTypeID(void) {
    return kTypeIDCGDataProvider;
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData) {
    if (!data || size == 0) {
        return nullptr;
    }
    return toRef<CGDataProviderRef>(new CGDataProviderObject(info, data, size, releaseData));
}

CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data) {
    if (!data || CFGetTypeID(data) != CFDataGetTypeID()) {
        return nullptr;
    }
    return toRef<CGDataProviderRef>(new CGDataProviderObject(data));
}

CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url) {
    char path[PATH_MAX];
    if (!url ||
        !CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path)) {
        return nullptr;
    }
    return createFromFile(path);
}

CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename) {
    return filename ? createFromFile(filename) : nullptr;
}

CFDataRef CGDataProviderCopyData(CGDataProviderRef provider) {
    CGDataProviderObject* object = toDataProvider(provider);
    if (!object) {
        return nullptr;
    }
    return CFDataCreate(nullptr, object->bytes(), static_cast<CFIndex>(object->size()));
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) {
    return static_cast<CGDataProviderRef>(const_cast<void*>(CFRetain(provider)));
}

void CGDataProviderRelease(CGDataProviderRef provider) {
    CFRelease(provider);
}

} // extern "C"
