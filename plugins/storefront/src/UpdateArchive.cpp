#include "UpdateArchive.h"

#include "CacheFiles.h"
#include "OnlineLibraries.h"

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
    const ArchiveLibrary* ar = archiveLibrary(error);
    if (!ar) {
        return false;
    }
    struct archive* reader = ar->readNew();
    ar->readSupportFilterGzip(reader);
    ar->readSupportFormatTar(reader);
    if (ar->readOpenMemory(reader, archive.data(), archive.size()) != ARCHIVE_OK) {
        error = std::string("not a gzip-compressed tar archive: ") + ar->errorString(reader);
        ar->readFree(reader);
        return false;
    }
    std::size_t total = 0;
    std::set<std::string> names;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = ar->readNextHeader(reader, &entry)) == ARCHIVE_OK) {
        std::string name = ar->entryPathname(entry) ? ar->entryPathname(entry) : "";
        if (name.rfind("./", 0) == 0) {
            name = name.substr(2);
        }
        mode_t type = ar->entryFiletype(entry);
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
        la_int64_t size = ar->entrySize(entry);
        if (size < 0 || total + static_cast<std::size_t>(size) > kMaxUpdateBytes ||
            files.size() == kMaxUpdateFiles) {
            error = "more than " + std::to_string(kMaxUpdateFiles) + " files or " +
                    std::to_string(kMaxUpdateBytes >> 20) + " MB";
            break;
        }
        UpdateFile file;
        file.name = name;
        file.executable = (ar->entryPerm(entry) & 0100) != 0;
        file.bytes.resize(static_cast<std::size_t>(size));
        la_ssize_t got = ar->readData(reader, file.bytes.data(), file.bytes.size());
        if (got != size) {
            error = "\"" + name + "\" is cut short";
            break;
        }
        total += file.bytes.size();
        files.push_back(std::move(file));
    }
    if (error.empty() && status != ARCHIVE_EOF) {
        error = std::string("damaged: ") + ar->errorString(reader);
    }
    ar->readFree(reader);
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
    const ArchiveLibrary* ar = archiveLibrary(error);
    if (!ar) {
        return false;
    }
    struct archive* writer = ar->writeNew();
    ar->writeAddFilterGzip(writer);
    ar->writeSetFormatPaxRestricted(writer);
    // Whole blocks of the last write only: the archive ends where its data ends.
    ar->writeSetBytesInLastBlock(writer, 1);
    if (ar->writeOpen(writer, &archive, nullptr, appendToString, nullptr) != ARCHIVE_OK) {
        error = ar->errorString(writer);
        ar->writeFree(writer);
        return false;
    }
    for (const UpdateFile& file : files) {
        archive_entry* entry = ar->entryNew();
        ar->entrySetPathname(entry, file.name.c_str());
        ar->entrySetFiletype(entry, AE_IFREG);
        ar->entrySetPerm(entry, file.executable ? 0755 : 0644);
        ar->entrySetSize(entry, static_cast<la_int64_t>(file.bytes.size()));
        bool written = ar->writeHeader(writer, entry) == ARCHIVE_OK &&
                       ar->writeData(writer, file.bytes.data(), file.bytes.size()) ==
                           static_cast<la_ssize_t>(file.bytes.size());
        ar->entryFree(entry);
        if (!written) {
            error = std::string("cannot add ") + file.name + ": " + ar->errorString(writer);
            ar->writeFree(writer);
            return false;
        }
    }
    bool closed = ar->writeClose(writer) == ARCHIVE_OK;
    if (!closed) {
        error = ar->errorString(writer);
    }
    ar->writeFree(writer);
    return closed;
}

std::string updateRefusal(const std::string& archive, const std::string& sha256,
                          const std::string& signatureHex, const PublicKey& key) {
    std::string error;
    const SodiumLibrary* sodium = sodiumLibrary(error);
    if (!sodium) {
        return "it cannot be checked: " + error;
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
    if (sodium->hex2bin(signature, sizeof signature, signatureHex.data(), signatureHex.size(),
                        nullptr, &length, nullptr) != 0 ||
        length != sizeof signature) {
        return "the announced signature is not 64 bytes";
    }
    if (sodium->signVerifyDetached(signature,
                                   reinterpret_cast<const unsigned char*>(archive.data()),
                                   archive.size(), key.data()) != 0) {
        return "its signature was not made with the publisher's key in store.conf";
    }
    return {};
}

} // namespace Storefront
