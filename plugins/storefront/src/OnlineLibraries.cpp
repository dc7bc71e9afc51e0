#include "OnlineLibraries.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>

namespace Storefront {

const char* const kCurlLibraryFile = STOREFRONT_LIBCURL_FILE;
const char* const kSodiumLibraryFile = STOREFRONT_LIBSODIUM_FILE;
const char* const kArchiveLibraryFile = STOREFRONT_LIBARCHIVE_FILE;

namespace {

// One attempt per library and file: a table that was handed out stays valid for the process's
// life.
struct Opened {
    std::shared_ptr<void> table;
    std::string error;
};

std::mutex g_mutex;
std::map<std::string, std::string> g_replacements;
std::map<std::pair<std::string, std::string>, Opened> g_opened; // by (soname, file)

// Resolves every entry point of `Table` in the library `file`; null with `error` when the
// library cannot be opened or lacks one of them.
template <typename Table, typename Resolve>
std::shared_ptr<void> openTable(const std::string& file, Resolve resolve, std::string& error) {
    // Local: the library's names must not take the place of the launcher's own.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = file + " could not be loaded (" + (why ? why : "no reason given") + ")";
        return nullptr;
    }
    auto table = std::make_shared<Table>();
    std::string missing = resolve(handle, *table);
    if (!missing.empty()) {
        error = file + " has no " + missing + "; it is not a version the storefront can use";
        dlclose(handle);
        return nullptr;
    }
    return table;
}

template <typename Table, typename Resolve, typename Start>
const Table* library(const char* soname, Resolve resolve, Start start, std::string& error) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto replaced = g_replacements.find(soname);
    std::string file = replaced == g_replacements.end() ? soname : replaced->second;
    auto found = g_opened.find({soname, file});
    if (found == g_opened.end()) {
        Opened opened;
        opened.table = openTable<Table>(file, resolve, opened.error);
        if (opened.table) {
            opened.error = start(*static_cast<Table*>(opened.table.get()));
            if (!opened.error.empty()) {
                opened.error = file + ": " + opened.error;
                opened.table.reset();
            }
        }
        found = g_opened.emplace(std::make_pair(soname, file), std::move(opened)).first;
    }
    if (!found->second.table) {
        error = found->second.error;
        return nullptr;
    }
    return static_cast<const Table*>(found->second.table.get());
}

#define STOREFRONT_RESOLVE_ENTRY(member, function)                                                 \
    if (void* address = dlsym(handle, #function)) {                                                \
        table.member = reinterpret_cast<decltype(table.member)>(address);                          \
    } else {                                                                                       \
        return #function;                                                                          \
    }

std::string resolveCurl(void* handle, CurlLibrary& table) {
    STOREFRONT_CURL_ENTRIES(STOREFRONT_RESOLVE_ENTRY)
    return {};
}

std::string resolveSodium(void* handle, SodiumLibrary& table) {
    STOREFRONT_SODIUM_ENTRIES(STOREFRONT_RESOLVE_ENTRY)
    return {};
}

std::string resolveArchive(void* handle, ArchiveLibrary& table) {
    STOREFRONT_ARCHIVE_ENTRIES(STOREFRONT_RESOLVE_ENTRY)
    return {};
}

#undef STOREFRONT_RESOLVE_ENTRY

} // namespace

const CurlLibrary* curlLibrary(std::string& error) {
    // Once per process, under the lock: curl_global_init is not safe beside other threads
    // in every version. The library stays initialised, as it stays loaded.
    return library<CurlLibrary>(
        kCurlLibraryFile, resolveCurl,
        [](const CurlLibrary& curl) {
            CURLcode code = curl.globalInit(CURL_GLOBAL_DEFAULT);
            return code == CURLE_OK ? std::string() : std::string(curl.easyStrerror(code));
        },
        error);
}

const SodiumLibrary* sodiumLibrary(std::string& error) {
    return library<SodiumLibrary>(
        kSodiumLibraryFile, resolveSodium,
        [](const SodiumLibrary& sodium) {
            return sodium.init() < 0 ? std::string("it could not start") : std::string();
        },
        error);
}

const ArchiveLibrary* archiveLibrary(std::string& error) {
    return library<ArchiveLibrary>(
        kArchiveLibraryFile, resolveArchive, [](const ArchiveLibrary&) { return std::string(); },
        error);
}

void openLibraryFromFileForTesting(const std::string& soname, const std::string& file) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (file.empty()) {
        g_replacements.erase(soname);
    } else {
        g_replacements[soname] = file;
    }
}

} // namespace Storefront
