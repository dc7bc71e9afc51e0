// Writes a zip archive of stored (uncompressed) members with the foundation library's own
// writer, so that what a publisher packs is exactly what the launcher's reader was built for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gwbundle {

struct PackMember {
    std::string name;       // the name inside the archive
    std::string sourcePath; // the file whose bytes it holds
};

// Called after every chunk written: bytes of all members done so far, and in all.
using PackProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The archive reader addresses members through 32-bit signed offsets.
constexpr std::uint64_t kMaxArchiveSize = 0x7FFFFFFF;

// Checks names and sources before anything is written: names non-empty, at most 1024 bytes,
// relative, without "." or ".." components or backslashes, unique without regard to ASCII
// case (the reader finds members that way), and sources regular files whose archive fits
// kMaxArchiveSize. False with error saying which member is wrong and why.
bool validatePackMembers(const std::vector<PackMember>& members, std::string& error);

// Writes the archive next to archivePath under a temporary name and renames it into place
// once complete, so a failed pack never leaves a half-written archive behind.
bool packArchive(const std::string& archivePath, const std::vector<PackMember>& members,
                 const PackProgress& progress, std::string& error);

} // namespace gwbundle
