// The storefront's cache: ${XDG_CACHE_HOME:-~/.cache}/<bundle identifier>/storefront/. Every
// file in it is written whole to a temporary file and renamed into place, so a crash or a full
// disk leaves the earlier copy as it was. Names in it never come from the catalogue: a cached
// download is named after a hash of its address.
#pragma once

#include <string>

namespace Storefront {

// The identifier of the bundle whose Contents/Resources/ is `resourcesFolder`, or empty.
std::string bundleIdentifierOf(const std::string& resourcesFolder);

// The storefront's cache folder for that bundle, ending in "/", created (mode 0700) when
// missing; empty with `error` set when there is no usable home or identifier.
std::string storefrontCacheFolder(const std::string& bundleIdentifier, std::string& error);

// Creates `path` and its missing parents with mode 0700; false with `error` when it cannot.
bool makeFolders(const std::string& path, std::string& error);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. False with `error` set, and `path` untouched, when any step fails.
bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// Lower-case hexadecimal SHA-256 of `bytes`; empty when libsodium cannot be loaded (the store
// does not go online without it).
std::string sha256Hex(const std::string& bytes);

// A cache file name for a downloaded address: 32 hex digits of its hash and the extension.
std::string cacheNameForURL(const std::string& url, const std::string& extension);

} // namespace Storefront
