// libcurl, libsodium and libarchive, opened with dlopen the first time the storefront needs
// them instead of being linked. With what they load in turn (TLS, Kerberos, LDAP, ICU, ...)
// they are some thirty libraries whose loading and relocation every launcher start would pay
// before its first frame, although only a store with a catalogue on the web uses them.
//
// Each library is opened once per process and stays open. A library that cannot be opened, or
// lacks an entry point, gives no table and an error that names it and says why; the store then
// works from the bundle's files and says so.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <curl/curl.h>
#include <sodium.h>

#include <string>

namespace Storefront {

// The entry points used, as (member, function). The members' types are the functions' own, from
// the libraries' headers.
#define STOREFRONT_CURL_ENTRIES(X)                                                                 \
    X(globalInit, curl_global_init)                                                                \
    X(globalCleanup, curl_global_cleanup)                                                          \
    X(easyInit, curl_easy_init)                                                                    \
    X(easySetopt, curl_easy_setopt)                                                                \
    X(easyPerform, curl_easy_perform)                                                              \
    X(easyGetinfo, curl_easy_getinfo)                                                              \
    X(easyStrerror, curl_easy_strerror)                                                            \
    X(easyCleanup, curl_easy_cleanup)                                                              \
    X(slistAppend, curl_slist_append)                                                              \
    X(slistFreeAll, curl_slist_free_all)                                                           \
    X(url, curl_url)                                                                               \
    X(urlSet, curl_url_set)                                                                        \
    X(urlGet, curl_url_get)                                                                        \
    X(urlCleanup, curl_url_cleanup)                                                                \
    X(free, curl_free)

#define STOREFRONT_SODIUM_ENTRIES(X)                                                               \
    X(init, sodium_init)                                                                           \
    X(sha256, crypto_hash_sha256)                                                                  \
    X(bin2hex, sodium_bin2hex)                                                                     \
    X(hex2bin, sodium_hex2bin)                                                                     \
    X(signVerifyDetached, crypto_sign_verify_detached)

#define STOREFRONT_ARCHIVE_ENTRIES(X)                                                              \
    X(errorString, archive_error_string)                                                           \
    X(readNew, archive_read_new)                                                                   \
    X(readSupportFilterGzip, archive_read_support_filter_gzip)                                     \
    X(readSupportFormatTar, archive_read_support_format_tar)                                       \
    X(readOpenMemory, archive_read_open_memory)                                                    \
    X(readNextHeader, archive_read_next_header)                                                    \
    X(readData, archive_read_data)                                                                 \
    X(readFree, archive_read_free)                                                                 \
    X(writeNew, archive_write_new)                                                                 \
    X(writeAddFilterGzip, archive_write_add_filter_gzip)                                           \
    X(writeSetFormatPaxRestricted, archive_write_set_format_pax_restricted)                        \
    X(writeSetBytesInLastBlock, archive_write_set_bytes_in_last_block)                             \
    X(writeOpen, archive_write_open)                                                               \
    X(writeHeader, archive_write_header)                                                           \
    X(writeData, archive_write_data)                                                               \
    X(writeClose, archive_write_close)                                                             \
    X(writeFree, archive_write_free)                                                               \
    X(entryNew, archive_entry_new)                                                                 \
    X(entryFree, archive_entry_free)                                                               \
    X(entryPathname, archive_entry_pathname)                                                       \
    X(entryFiletype, archive_entry_filetype)                                                       \
    X(entrySize, archive_entry_size)                                                               \
    X(entryPerm, archive_entry_perm)                                                               \
    X(entrySetPathname, archive_entry_set_pathname)                                                \
    X(entrySetFiletype, archive_entry_set_filetype)                                                \
    X(entrySetPerm, archive_entry_set_perm)                                                        \
    X(entrySetSize, archive_entry_set_size)

#define STOREFRONT_ENTRY_MEMBER(member, function) decltype(&::function) member = nullptr;

struct CurlLibrary {
    STOREFRONT_CURL_ENTRIES(STOREFRONT_ENTRY_MEMBER)
};

struct SodiumLibrary {
    STOREFRONT_SODIUM_ENTRIES(STOREFRONT_ENTRY_MEMBER)
};

struct ArchiveLibrary {
    STOREFRONT_ARCHIVE_ENTRIES(STOREFRONT_ENTRY_MEMBER)
};

#undef STOREFRONT_ENTRY_MEMBER

// The library's entry points, opening it on the first call (libcurl is also initialised with
// curl_global_init and libsodium with sodium_init); null with `error` set when it cannot be
// used. Safe to call from any thread.
const CurlLibrary* curlLibrary(std::string& error);
const SodiumLibrary* sodiumLibrary(std::string& error);
const ArchiveLibrary* archiveLibrary(std::string& error);

// Tests only: from now on the library whose usual file is `soname` (for example
// "libcurl.so.4") is opened from `file` instead; an empty `file` restores the usual one.
void openLibraryFromFileForTesting(const std::string& soname, const std::string& file);

// The usual files, as the build found them.
extern const char* const kCurlLibraryFile;
extern const char* const kSodiumLibraryFile;
extern const char* const kArchiveLibraryFile;

} // namespace Storefront
