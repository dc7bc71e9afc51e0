// Small file operations the tool needs, each reporting why it failed in a sentence that can be
// shown to the publisher as it is.
#pragma once

#include <cstdint>
#include <string>

namespace gwbundle {

// The whole file into bytes, refusing files larger than maxSize. False with error set.
bool readWholeFile(const std::string& path, std::uint64_t maxSize, std::string& bytes,
                   std::string& error);
bool writeWholeFile(const std::string& path, const std::string& bytes, std::string& error);

// Copies a regular file; the copy keeps the source's permission bits (so programs stay
// executable). Symbolic links are followed.
bool copyFile(const std::string& from, const std::string& to, std::string& error);
// Copies a folder and everything in it into to (created when missing); symbolic links inside
// are copied as links, so an application folder keeps its shape.
bool copyFolder(const std::string& from, const std::string& to, std::string& error);
bool makeFolders(const std::string& path, std::string& error);

bool isFolder(const std::string& path);
bool isRegularFile(const std::string& path);
// A regular file that this user may run.
bool isExecutableFile(const std::string& path);

// The path made absolute against the working directory, without "." and ".." components.
std::string absolutePath(const std::string& path);
// The last component, without trailing slashes: "a/b.app/" gives "b.app".
std::string baseName(const std::string& path);
// Everything before the last component; "." for a bare name.
std::string folderOf(const std::string& path);
// path when it is absolute, else folder + "/" + path.
std::string resolveAgainst(const std::string& folder, const std::string& path);

} // namespace gwbundle
