// Property lists: CF objects to and from the XML and binary file formats, through libplist.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>

#include <optional>
#include <string>
#include <string_view>

namespace MacPlatform {

// Property-list files larger than this are taken as damaged rather than read into memory.
constexpr size_t kMaxPropertyListFileSize = 16 * 1024 * 1024;

// Whether cf and everything inside it are property-list types (strings, data, numbers,
// booleans, dates, arrays, and dictionaries with string keys).
bool isPropertyList(CFTypeRef cf);

// The property list held in XML or binary form (Create rule); null when the bytes are damaged.
// Containers are mutable when mutableContainers is set.
CFPropertyListRef createPropertyList(std::string_view bytes, bool mutableContainers);
// The XML form; nothing when cf is not a property list.
std::optional<std::string> xmlFromPropertyList(CFPropertyListRef cf);

// How reading a property-list file went.
enum class FileStatus { ok, missing, damaged, unreadable };

// The dictionary stored in a file (Create rule). A damaged file, or one whose top object is not
// a dictionary, gives null with status damaged.
CFDictionaryRef readDictionaryFile(const std::string& path, FileStatus* status);

// The whole file in out, refusing files above limit; 0 or the errno value that says why not
// (EFBIG for a file above the limit).
int readWholeFile(const std::string& path, size_t limit, std::string& out);

} // namespace MacPlatform
