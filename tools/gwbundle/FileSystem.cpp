#include "FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace gwbundle {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string describe(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

} // namespace

bool readWholeFile(const std::string& path, std::uint64_t maxSize, std::string& bytes,
                   std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        error = describe(path, errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxSize) {
        error = path + ": larger than " + std::to_string(maxSize) + " bytes";
        return false;
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = describe(path, errno);
        return false;
    }
    bytes.assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (read != bytes.size() || std::ferror(file.get())) {
        error = path + ": could not be read whole";
        return false;
    }
    return true;
}

bool writeWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = describe(path, errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = std::fclose(file.release()) == 0 && ok;
    if (!ok) {
        error = path + ": could not be written";
    }
    return ok;
}

bool copyFile(const std::string& from, const std::string& to, std::string& error) {
    if (!isRegularFile(from)) {
        error = from + ": not a regular file";
        return false;
    }
    std::error_code code;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, code);
    if (code) {
        error = "cannot copy " + from + " to " + to + ": " + code.message();
        return false;
    }
    return true;
}

bool copyFolder(const std::string& from, const std::string& to, std::string& error) {
    if (!isFolder(from)) {
        error = from + ": not a folder";
        return false;
    }
    std::error_code code;
    fs::copy(from, to,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                 fs::copy_options::overwrite_existing,
             code);
    if (code) {
        error = "cannot copy " + from + " to " + to + ": " + code.message();
        return false;
    }
    return true;
}

bool makeFolders(const std::string& path, std::string& error) {
    std::error_code code;
    fs::create_directories(path, code);
    if (code) {
        error = "cannot make " + path + ": " + code.message();
        return false;
    }
    return true;
}

bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isExecutableFile(const std::string& path) {
    return isRegularFile(path) && access(path.c_str(), X_OK) == 0;
}

std::string absolutePath(const std::string& path) {
    std::error_code code;
    fs::path absolute = fs::absolute(path, code);
    if (code) {
        return path;
    }
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

std::string baseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    std::size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string resolveAgainst(const std::string& folder, const std::string& path) {
    if (path.empty() || path.front() == '/') {
        return path;
    }
    return folder + "/" + path;
}

} // namespace gwbundle
