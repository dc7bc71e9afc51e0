#include "CorvaneCore/FileUtils.h"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool existsAsWritten(char const* path) {
    return access(path, F_OK) == 0;
}

// Copies the path into a PATH_NAME_BUFFER_SIZE buffer; false when it is null or does not fit.
bool copyPath(char* buffer, char const* path) {
    if (!path) {
        return false;
    }
    std::size_t length = strnlen(path, PATH_NAME_BUFFER_SIZE);
    if (length >= PATH_NAME_BUFFER_SIZE) {
        return false;
    }
    std::memcpy(buffer, path, length + 1);
    return true;
}

bool fitsPathBuffer(char const* path) {
    return path && strnlen(path, PATH_NAME_BUFFER_SIZE) < PATH_NAME_BUFFER_SIZE;
}

char const PROGRAM_PATH_BUNDLE_SUFFIX[] = "/Contents/MacOS/Resources";
constexpr std::size_t PROGRAM_PATH_BUNDLE_SUFFIX_LENGTH = sizeof(PROGRAM_PATH_BUNDLE_SUFFIX) - 1;

char* s_pProgramPath = nullptr;

} // namespace

bool searchForCase(char* path) {
    if (!fitsPathBuffer(path)) {
        return false;
    }
    char* slash = std::strrchr(path, '/');
    char* component = slash ? slash + 1 : path;
    DIR* directory;
    if (slash) {
        *slash = '\0';
        directory = opendir(path);
        *slash = '/';
    } else {
        directory = opendir(".");
    }
    if (!directory) {
        return false;
    }
    std::size_t componentLength = std::strlen(component);
    bool found = false;
    while (dirent* entry = readdir(directory)) {
        if (std::strlen(entry->d_name) == componentLength &&
            strcasecmp(entry->d_name, component) == 0) {
            std::memcpy(component, entry->d_name, componentLength);
            found = true;
            break;
        }
    }
    closedir(directory);
    return found;
}

bool findFileCase(char* path) {
    if (!fitsPathBuffer(path)) {
        return false;
    }
    if (existsAsWritten(path)) {
        return true;
    }
    for (char* p = path; *p; ++p) {
        if (!isSeparator(*p)) {
            continue;
        }
        if (p != path) {
            *p = '\0';
            bool resolved = existsAsWritten(path) || searchForCase(path);
            *p = '/';
            if (!resolved) {
                return false;
            }
        }
        *p = '/';
    }
    return existsAsWritten(path) || searchForCase(path);
}

bool FileExists(char const* path) {
    char copy[PATH_NAME_BUFFER_SIZE];
    return copyPath(copy, path) && findFileCase(copy);
}

char const* GetFileNameFromPathName(char const* path) {
    if (!path) {
        return "In Path Name Null!";
    }
    char const* name = path;
    for (char const* p = path; *p; ++p) {
        if (isSeparator(*p)) {
            name = p + 1;
        }
    }
    return name;
}

char* StripFileNameFromPathName(char* path) {
    if (!path) {
        return nullptr;
    }
    char* cut = path;
    for (char* p = path; *p; ++p) {
        if (isSeparator(*p)) {
            cut = p + 1;
        }
    }
    *cut = '\0';
    return cut;
}

char* AppendFileNameToDirectoryName(char* directory, char const* name) {
    if (!directory) {
        return nullptr;
    }
    std::size_t length = std::strlen(directory);
    if (length > 0 && !isSeparator(directory[length - 1])) {
        directory[length++] = '/';
    }
    char* written = directory + length;
    std::strcpy(written, name ? name : "");
    return written;
}

char* MakePathName(char* output, char const* directory, char const* name) {
    if (!output) {
        return nullptr;
    }
    std::strcpy(output, directory ? directory : "");
    return AppendFileNameToDirectoryName(output, name);
}

bool CreateDirectoryRecursive(char const* path) {
    char copy[PATH_NAME_BUFFER_SIZE];
    if (!copyPath(copy, path)) {
        return false;
    }
    for (char* p = copy; *p; ++p) {
        if (!isSeparator(*p)) {
            continue;
        }
        if (p != copy) {
            *p = '\0';
            bool ready = existsAsWritten(copy) || searchForCase(copy) || mkdir(copy, 0777) == 0;
            *p = '/';
            if (!ready) {
                return false;
            }
        }
        *p = '/';
    }
    return existsAsWritten(copy) || searchForCase(copy) || mkdir(copy, 0777) == 0;
}

bool DoesFileHaveReadOnlyAttribute(char const* path) {
    char copy[PATH_NAME_BUFFER_SIZE];
    if (!copyPath(copy, path) || !findFileCase(copy)) {
        return false;
    }
    return access(copy, W_OK) != 0;
}

void SetFileReadOnlyAttribute(char const* path, bool readOnly) {
    char copy[PATH_NAME_BUFFER_SIZE];
    if (!copyPath(copy, path) || !findFileCase(copy)) {
        return;
    }
    struct stat status;
    if (stat(copy, &status) != 0) {
        return;
    }
    mode_t mode = status.st_mode & 07777;
    mode = readOnly ? (mode & ~static_cast<mode_t>(0222)) : (mode | 0222);
    chmod(copy, mode);
}

std::uint32_t GetSystemTickCount() {
    UnsignedWide now;
    Microseconds(&now);
    std::uint64_t microseconds = (static_cast<std::uint64_t>(now.hi) << 32) | now.lo;
    return static_cast<std::uint32_t>((microseconds + 500) / 1000);
}

ResourcesFolderLookup FindMainBundleResourcesFolder(char* output, std::size_t size) {
    CFBundleRef bundle = CFBundleGetMainBundle();
    if (!bundle) {
        return ResourcesFolderLookup::NoMainBundle;
    }
    CFURLRef resources = CFBundleCopyResourcesDirectoryURL(bundle);
    if (!resources) {
        return ResourcesFolderLookup::NoResourcesURL;
    }
    CFIndex capacity =
        size > static_cast<std::size_t>(LONG_MAX) ? LONG_MAX : static_cast<CFIndex>(size);
    Boolean converted = output && CFURLGetFileSystemRepresentation(
                                      resources, true, reinterpret_cast<UInt8*>(output), capacity);
    CFRelease(resources);
    return converted ? ResourcesFolderLookup::Found : ResourcesFolderLookup::PathDoesNotFit;
}

bool FindProgramPathUncached(char* output, std::size_t size) {
    if (!output || size == 0 ||
        FindMainBundleResourcesFolder(output, size) != ResourcesFolderLookup::Found) {
        return false;
    }
    // A program in X/Contents/MacOS/ of a folder that is not an .app bundle has MacOS/ as its
    // bundle, and a Resources folder beside the program then becomes the resources directory;
    // such a program's directory is X, the folder above Contents.
    std::size_t length = std::strlen(output);
    if (length > PROGRAM_PATH_BUNDLE_SUFFIX_LENGTH - 1 &&
        strcasecmp(output + length - PROGRAM_PATH_BUNDLE_SUFFIX_LENGTH,
                   PROGRAM_PATH_BUNDLE_SUFFIX) == 0) {
        output[length - PROGRAM_PATH_BUNDLE_SUFFIX_LENGTH] = '\0';
    }
    return true;
}

bool GetProgramPath(char* output, std::size_t size) {
    if (!output || size == 0) {
        return false;
    }
    if (s_pProgramPath) {
        std::strncpy(output, s_pProgramPath, size);
        output[size - 1] = '\0';
        return true;
    }
    if (!FindProgramPathUncached(output, size)) {
        return false;
    }
    // Kept for the life of the process: the bundle cannot move while the program runs.
    std::size_t length = std::strlen(output);
    s_pProgramPath = new char[length + 1];
    std::memcpy(s_pProgramPath, output, length + 1);
    return true;
}

int SetCurrentDirectoryToProgramDirectory() {
    char path[PATH_NAME_BUFFER_SIZE];
    if (!GetProgramPath(path, sizeof(path)) || path[0] == '\0') {
        return -1;
    }
    std::size_t length = std::strlen(path);
    while (length > 1 && path[length - 1] == '/') {
        path[--length] = '\0';
    }
    return chdir(path);
}

void ShowSystemMessage(char const* title, char const* text) {
    std::printf("SYSTEM MESSAGE: %s ... %s\n", title ? title : "", text ? text : "");
    // The callers end the program right after; the line must not wait in a buffer.
    std::fflush(stdout);
}

void GetCurrentDosFileDateAndTime(std::uint16_t* /*dosDate*/, std::uint16_t* /*dosTime*/) {}
