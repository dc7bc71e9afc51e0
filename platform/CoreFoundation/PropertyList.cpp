#include "PropertyList.h"
#include "CFStringObject.h"
#include "PropertyListGuard.h"
#include "TextEncoding.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFNumber.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace MacPlatform {

namespace {

struct PlistFree {
    void operator()(void* node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistFree>;

struct CFReleaser {
    void operator()(const void* cf) const { CFRelease(cf); }
};
using CFHolder = std::unique_ptr<const void, CFReleaser>;

std::string textFromFile(const char* text) {
    std::string bytes(text ? text : "");
    return isValidUTF8(bytes) ? bytes : macRomanToUTF8(bytes);
}

CFTypeRef fromNode(plist_t node, bool mutableContainers, size_t depth);

CFTypeRef dictionaryFromNode(plist_t node, bool mutableContainers, size_t depth) {
    std::vector<CFHolder> keys;
    std::vector<CFHolder> values;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    while (iter) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        keys.emplace_back(createString(textFromFile(key)));
        std::free(key);
        values.emplace_back(fromNode(value, mutableContainers, depth + 1));
        if (!values.back()) {
            std::free(iter);
            return nullptr;
        }
    }
    std::free(iter);
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    for (size_t i = 0; i < keys.size(); ++i) {
        CFDictionarySetValue(dict, keys[i].get(), values[i].get());
    }
    if (mutableContainers) {
        return dict;
    }
    CFDictionaryRef frozen = CFDictionaryCreateCopy(nullptr, dict);
    CFRelease(dict);
    return frozen;
}

CFTypeRef arrayFromNode(plist_t node, bool mutableContainers, size_t depth) {
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    uint32_t count = plist_array_get_size(node);
    for (uint32_t i = 0; i < count; ++i) {
        CFTypeRef value = fromNode(plist_array_get_item(node, i), mutableContainers, depth + 1);
        if (!value) {
            CFRelease(array);
            return nullptr;
        }
        CFArrayAppendValue(array, value);
        CFRelease(value);
    }
    if (mutableContainers) {
        return array;
    }
    CFArrayRef frozen = CFArrayCreateCopy(nullptr, array);
    CFRelease(array);
    return frozen;
}

CFTypeRef fromNode(plist_t node, bool mutableContainers, size_t depth) {
    if (!node || depth > kMaxPropertyListDepth) {
        return nullptr;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return CFRetain(value ? kCFBooleanTrue : kCFBooleanFalse);
    }
    case PLIST_UINT:
    case PLIST_UID: {
        // libplist keeps every integer as 64 bits; negative ones come back two's complement.
        uint64_t bits = 0;
        if (plist_get_node_type(node) == PLIST_UINT) {
            plist_get_uint_val(node, &bits);
        } else {
            plist_get_uid_val(node, &bits);
        }
        int64_t value = static_cast<int64_t>(bits);
        return CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* text = nullptr;
        if (plist_get_node_type(node) == PLIST_STRING) {
            plist_get_string_val(node, &text);
        } else {
            plist_get_key_val(node, &text);
        }
        CFStringRef string = createString(textFromFile(text));
        std::free(text);
        return string;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes),
                                      bytes ? static_cast<CFIndex>(length) : 0);
        std::free(bytes);
        return data;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return CFDateCreate(nullptr, seconds + microseconds / 1e6);
    }
    case PLIST_ARRAY:
        return arrayFromNode(node, mutableContainers, depth);
    case PLIST_DICT:
        return dictionaryFromNode(node, mutableContainers, depth);
    case PLIST_NONE:
        break;
    }
    return nullptr;
}

plist_t toNode(CFTypeRef cf, size_t depth);

plist_t dictionaryToNode(CFDictionaryRef dict, size_t depth) {
    CFIndex count = CFDictionaryGetCount(dict);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i) {
        if (CFGetTypeID(keys[i]) != kTypeIDString) {
            return nullptr;
        }
        order[i] = i;
    }
    // Sorted keys keep the file the same for the same content.
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return stringText(static_cast<CFStringRef>(keys[a])) <
               stringText(static_cast<CFStringRef>(keys[b]));
    });
    plist_t node = plist_new_dict();
    for (size_t i : order) {
        plist_t value = toNode(values[i], depth + 1);
        if (!value) {
            plist_free(node);
            return nullptr;
        }
        plist_dict_set_item(node, stringText(static_cast<CFStringRef>(keys[i])).c_str(), value);
    }
    return node;
}

plist_t toNode(CFTypeRef cf, size_t depth) {
    if (!cf || depth > kMaxPropertyListDepth) {
        return nullptr;
    }
    switch (CFGetTypeID(cf)) {
    case kTypeIDString:
        return plist_new_string(stringText(static_cast<CFStringRef>(cf)).c_str());
    case kTypeIDBoolean:
        return plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(cf)));
    case kTypeIDNumber: {
        auto number = static_cast<CFNumberRef>(cf);
        if (CFNumberIsFloatType(number)) {
            double value = 0;
            CFNumberGetValue(number, kCFNumberFloat64Type, &value);
            return plist_new_real(value);
        }
        int64_t value = 0;
        CFNumberGetValue(number, kCFNumberSInt64Type, &value);
        return plist_new_uint(static_cast<uint64_t>(value));
    }
    case kTypeIDData: {
        auto data = static_cast<CFDataRef>(cf);
        return plist_new_data(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                              static_cast<uint64_t>(CFDataGetLength(data)));
    }
    case kTypeIDDate: {
        // The file format keeps whole seconds in 32 bits and microseconds beside them.
        double at = std::clamp(CFDateGetAbsoluteTime(static_cast<CFDateRef>(cf)), -2147483648.0,
                               2147483647.0);
        double seconds = std::floor(at);
        return plist_new_date(static_cast<int32_t>(seconds),
                              static_cast<int32_t>(std::lround((at - seconds) * 1e6) % 1000000));
    }
    case kTypeIDArray: {
        auto array = static_cast<CFArrayRef>(cf);
        plist_t node = plist_new_array();
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            plist_t value = toNode(CFArrayGetValueAtIndex(array, i), depth + 1);
            if (!value) {
                plist_free(node);
                return nullptr;
            }
            plist_array_append_item(node, value);
        }
        return node;
    }
    case kTypeIDDictionary:
        return dictionaryToNode(static_cast<CFDictionaryRef>(cf), depth);
    default:
        return nullptr;
    }
}

} // namespace

bool isPropertyList(CFTypeRef cf) {
    PlistNode node(toNode(cf, 0));
    return node != nullptr;
}

CFPropertyListRef createPropertyList(std::string_view bytes, bool mutableContainers) {
    if (bytes.empty() || bytes.size() > UINT32_MAX || !propertyListIsSafeToParse(bytes)) {
        return nullptr;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistNode holder(root);
    return root ? fromNode(root, mutableContainers, 0) : nullptr;
}

std::optional<std::string> xmlFromPropertyList(CFPropertyListRef cf) {
    PlistNode node(toNode(cf, 0));
    if (!node) {
        return std::nullopt;
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    if (!xml) {
        return std::nullopt;
    }
    std::string text(xml, length);
    plist_to_xml_free(xml);
    return text;
}

int readWholeFile(const std::string& path, size_t limit, std::string& out) {
    out.clear();
    // Non-blocking, so that a FIFO cannot stall the open; only regular files are read at all,
    // since a device such as /dev/zero would never end.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    struct stat info;
    int error = 0;
    if (fstat(fd, &info) != 0) {
        error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
    } else if (static_cast<uint64_t>(info.st_size) > limit) {
        error = EFBIG;
    }
    if (!error) {
        // The size is a hint only: files under /proc report 0 and files may grow meanwhile.
        out.reserve(static_cast<size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                error = errno;
                break;
            }
            if (n == 0) {
                break;
            }
            if (out.size() + static_cast<size_t>(n) > limit) {
                error = EFBIG;
                break;
            }
            out.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    if (error) {
        out.clear();
    }
    return error;
}

CFDictionaryRef readDictionaryFile(const std::string& path, FileStatus* status) {
    std::string bytes;
    int error = readWholeFile(path, kMaxPropertyListFileSize, bytes);
    FileStatus result = FileStatus::ok;
    CFPropertyListRef list = nullptr;
    if (error == ENOENT || error == ENOTDIR) {
        result = FileStatus::missing;
    } else if (error == EFBIG) {
        result = FileStatus::damaged;
    } else if (error) {
        result = FileStatus::unreadable;
    } else {
        list = createPropertyList(bytes, false);
        if (list && CFGetTypeID(list) != kTypeIDDictionary) {
            CFRelease(list);
            list = nullptr;
        }
        result = list ? FileStatus::ok : FileStatus::damaged;
    }
    if (status) {
        *status = result;
    }
    return static_cast<CFDictionaryRef>(list);
}

} // namespace MacPlatform
