#include "UpdateArchive.h"

#include "CacheFiles.h"

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>

#include <cctype>
#include <set>
#include <sstream>

namespace Storefront {

bool isUpdateFileName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return false;
    }
    std::stringstream parts(name);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
    }
    return !name.ends_with("/") &&
           (name == kPluginFileName || name.rfind(std::string("Storefront") + "/", 0) == 0);
}

bool readUpdateArchive(const std::string& archive, std::vector<UpdateFile>& files,
                       std::string& error) {
    files.clear();
    struct archive* reader = archive_read_new();
    archive_read_support_filter_gzip(reader);
    archive_read_support_format_tar(reader);
    if (archive_read_open_memory(reader, archive.data(), archive.size()) != ARCHIVE_OK) {
        error = std::string("not a gzip-compressed tar archive: ") + archive_error_string(reader);
        archive_read_free(reader);
        return false;
    }
    std::size_t total = 0;
    std::set<std::string> names;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
        std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
        if (name.rfind("./", 0) == 0) {
            name = name.substr(2);
        }
        mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            continue;
        }
        if (type != AE_IFREG) {
            error = "\"" + name + "\" is not a regular file";
            break;
        }
        if (!isUpdateFileName(name)) {
            error = "\"" + name + "\" is not Pellucid.dylib or a file under Storefront/";
            break;
        }
        if (!names.insert(name).second) {
            error = "\"" + name + "\" is in the archive twice";
            break;
        }
        la_int64_t size = archive_entry_size(entry);
        if (size < 0 || total + static_cast<std::size_t>(size) > kMaxUpdateBytes ||
            files.size() == kMaxUpdateFiles) {
            error = "more than " + std::to_string(kMaxUpdateFiles) + " files or " +
                    std::to_string(kMaxUpdateBytes >> 20) + " MB";
            break;
        }
        UpdateFile file;
        file.name = name;
        file.executable = (archive_entry_perm(entry) & 0100) != 0;
        file.bytes.resize(static_cast<std::size_t>(size));
        la_ssize_t got = archive_read_data(reader, file.bytes.data(), file.bytes.size());
        if (got != size) {
            error = "\"" + name + "\" is cut short";
            break;
        }
        total += file.bytes.size();
        files.push_back(std::move(file));
    }
    if (error.empty() && status != ARCHIVE_EOF) {
        error = std::string("damaged: ") + archive_error_string(reader);
    }
    archive_read_free(reader);
    if (error.empty() && !names.contains(kPluginFileName)) {
        error = "it holds no Pellucid.dylib";
    }
    if (!error.empty()) {
        files.clear();
        return false;
    }
    return true;
}

namespace {

la_ssize_t appendToString(struct archive*, void* context, const void* data, size_t length) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), length);
    return static_cast<la_ssize_t>(length);
}

} // namespace

bool writeUpdateArchive(const std::vector<UpdateFile>& files, std::string& archive,
                        std::string& error) {
    archive.clear();
    struct archive* writer = archive_write_new();
    archive_write_add_filter_gzip(writer);
    archive_write_set_format_pax_restricted(writer);
    // Whole blocks of the last write only: the archive ends where its data ends.
    archive_write_set_bytes_in_last_block(writer, 1);
    if (archive_write_open(writer, &archive, nullptr, appendToString, nullptr) != ARCHIVE_OK) {
        error = archive_error_string(writer);
        archive_write_free(writer);
        return false;
    }
    for (const UpdateFile& file : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, file.name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, file.executable ? 0755 : 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(file.bytes.size()));
        bool written = archive_write_header(writer, entry) == ARCHIVE_OK &&
                       archive_write_data(writer, file.bytes.data(), file.bytes.size()) ==
                           static_cast<la_ssize_t>(file.bytes.size());
        archive_entry_free(entry);
        if (!written) {
            error = std::string("cannot add ") + file.name + ": " + archive_error_string(writer);
            archive_write_free(writer);
            return false;
        }
    }
    bool closed = archive_write_close(writer) == ARCHIVE_OK;
    if (!closed) {
        error = archive_error_string(writer);
    }
    archive_write_free(writer);
    return closed;
}

std::string updateRefusal(const std::string& archive, const std::string& sha256,
                          const std::string& signatureHex, const PublicKey& key) {
    if (sodium_init() < 0) {
        return "the signature library could not start";
    }
    std::string actual = sha256Hex(archive);
    std::string expected = sha256;
    for (char& c : expected) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (actual != expected) {
        return "its SHA-256 is " + actual + ", not the announced " + expected;
    }
    unsigned char signature[crypto_sign_BYTES];
    std::size_t length = 0;
    if (sodium_hex2bin(signature, sizeof signature, signatureHex.data(), signatureHex.size(),
                       nullptr, &length, nullptr) != 0 ||
        length != sizeof signature) {
        return "the announced signature is not 64 bytes";
    }
    if (crypto_sign_verify_detached(signature,
                                    reinterpret_cast<const unsigned char*>(archive.data()),
                                    archive.size(), key.data()) != 0) {
        return "its signature was not made with the publisher's key in store.conf";
    }
    return {};
}

} // namespace Storefront
