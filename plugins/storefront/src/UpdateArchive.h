// A storefront update as the publisher uploads it: a gzip-compressed tar archive of the files
// that replace the storefront's own in the bundle's resources folder (Pellucid.dylib at the
// top, and any files under Storefront/), its SHA-256 and a detached Ed25519 signature over
// the archive's bytes, made with the publisher's secret key ("gwbundle sign-update").
#pragma once

#include "StoreConfig.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Storefront {

inline constexpr std::size_t kMaxUpdateBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxUpdateFiles = 256;
inline constexpr const char* kPluginFileName = "Pellucid.dylib";

struct UpdateFile {
    std::string name; // relative, '/' between folders, never ".." or absolute
    std::string bytes;
    bool executable = false;
};

// Whether `name` may be a file of an update: relative, no empty, "." or ".." parts, no
// backslash, and either Pellucid.dylib or under Storefront/.
bool isUpdateFileName(const std::string& name);

// The files of an archive, or false with `error`: only regular files and folders, each name
// as isUpdateFileName() allows, at most kMaxUpdateFiles files and kMaxUpdateBytes in all, and
// Pellucid.dylib among them.
bool readUpdateArchive(const std::string& archive, std::vector<UpdateFile>& files,
                       std::string& error);
bool writeUpdateArchive(const std::vector<UpdateFile>& files, std::string& archive,
                        std::string& error);

// Why the archive is not the one announced and signed by `key`, or empty when it is.
std::string updateRefusal(const std::string& archive, const std::string& sha256Hex,
                          const std::string& signatureHex, const PublicKey& key);

} // namespace Storefront
