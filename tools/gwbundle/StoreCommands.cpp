#include "StoreCommands.h"

#include "FileSystem.h"

#include "CacheFiles.h"
#include "StoreConfig.h"
#include "UpdateArchive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>

namespace gwbundle {

namespace {

const char kKeygenHelp[] = R"(usage: gwbundle keygen NAME

Makes a new Ed25519 key pair for signing storefront updates:

  NAME.key   the secret key (mode 0600): keep it off every bundle, in your release machine's
             safe place; whoever holds it can sign storefront builds your players install
  NAME.pub   the public key, also printed as the line for the bundle's store.conf:
             public-key = <64 hexadecimal digits>

Neither file is overwritten; NAME may not lie inside an .app bundle.
Exit status: 0 when both files were written, 1 otherwise.
)";

const char kSignUpdateHelp[] =
    R"(usage: gwbundle sign-update --key NAME.key --version N FOLDER ARCHIVE.tar.gz

Packs a new storefront build for players to download, and signs it:

  FOLDER           the files that replace the storefront's own in Contents/Resources:
                   Pellucid.dylib, and any files under Storefront/ (covers, catalogue.txt,
                   store.conf with a new public key when you rotate keys)
  --version N      the build's kxdll_GetDLLVersionAsInt; players running build N or later
                   ignore the update
  --key NAME.key   the secret key from gwbundle keygen

Writes ARCHIVE.tar.gz and ARCHIVE.tar.gz.sig (the signature in hexadecimal), and prints the
[update] section to put into the catalogue on your server, with url the archive's file name
(relative to the catalogue's address). Upload the archive beside the catalogue first, then
the catalogue.
Exit status: 0 when the archive and its signature were written, 1 otherwise.
)";

bool insideBundle(const std::string& path) {
    std::string absolute = absolutePath(path);
    std::stringstream parts(absolute);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.size() > 4 && part.ends_with(".app")) {
            return true;
        }
    }
    return false;
}

std::string hex(const unsigned char* bytes, std::size_t length) {
    std::string text(length * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, length);
    text.pop_back();
    return text;
}

// Writes a new file (never replacing one) with the given mode.
bool writeNewFile(const std::string& path, const std::string& bytes, mode_t mode,
                  std::string& error) {
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool whole =
        write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    whole = close(descriptor) == 0 && whole;
    if (!whole) {
        error = path + ": could not be written whole";
        unlink(path.c_str());
    }
    return whole;
}

// Every regular file under folder, relative names; false with error on anything else.
bool collectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<Storefront::UpdateFile>& files, std::string& error) {
    DIR* directory = opendir(folder.c_str());
    if (!directory) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        std::string path = folder + "/" + name;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            error = path + ": " + std::strerror(errno);
            ok = false;
        } else if (S_ISDIR(info.st_mode)) {
            ok = collectFiles(path, prefix + name + "/", files, error);
        } else if (!S_ISREG(info.st_mode)) {
            error = path + " is not a regular file (links are not packed)";
            ok = false;
        } else if (name.ends_with(".key")) {
            error = path + " looks like a secret key; it must never reach players";
            ok = false;
        } else {
            Storefront::UpdateFile file;
            file.name = prefix + name;
            file.executable = (info.st_mode & S_IXUSR) != 0;
            ok = readWholeFile(path, Storefront::kMaxUpdateBytes, file.bytes, error);
            if (ok && !Storefront::isUpdateFileName(file.name)) {
                error = file.name + ": only Pellucid.dylib and files under Storefront/ belong "
                                    "in a storefront update";
                ok = false;
            }
            files.push_back(std::move(file));
        }
        if (!ok) {
            break;
        }
    }
    closedir(directory);
    return ok;
}

bool readSecretKey(const std::string& path, unsigned char (&key)[crypto_sign_SECRETKEYBYTES],
                   std::string& error) {
    std::string text;
    if (!readWholeFile(path, 4096, text, error)) {
        return false;
    }
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::size_t length = 0;
        if (sodium_hex2bin(key, sizeof key, line.data(), line.size(), nullptr, &length, nullptr) ==
                0 &&
            length == sizeof key) {
            return true;
        }
        break;
    }
    error = path + " is not a secret key made by gwbundle keygen";
    return false;
}

} // namespace

int runKeygen(const Arguments& arguments) {
    if (arguments.size() == 1 && isHelpOption(arguments[0])) {
        std::fputs(kKeygenHelp, stdout);
        return 0;
    }
    if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') {
        std::fputs("gwbundle keygen: name the key pair (see gwbundle keygen --help)\n", stderr);
        return 1;
    }
    const std::string& name = arguments[0];
    if (insideBundle(name)) {
        std::fprintf(stderr,
                     "gwbundle keygen: %s lies inside an .app bundle; keep the secret key "
                     "out of every bundle\n",
                     name.c_str());
        return 1;
    }
    if (sodium_init() < 0) {
        std::fputs("gwbundle keygen: the signature library could not start\n", stderr);
        return 1;
    }
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(publicKey, secretKey);
    std::string secretText = "# gwbundle Ed25519 secret key: never put it into a bundle\n" +
                             hex(secretKey, sizeof secretKey) + "\n";
    sodium_memzero(secretKey, sizeof secretKey);
    std::string publicText = hex(publicKey, sizeof publicKey);
    std::string error;
    if (isRegularFile(name + ".pub")) {
        std::fprintf(stderr, "gwbundle keygen: %s.pub exists already\n", name.c_str());
        return 1;
    }
    if (!writeNewFile(name + ".key", secretText, 0600, error) ||
        !writeNewFile(name + ".pub", publicText + "\n", 0644, error)) {
        sodium_memzero(secretText.data(), secretText.size());
        std::fprintf(stderr, "gwbundle keygen: %s\n", error.c_str());
        return 1;
    }
    sodium_memzero(secretText.data(), secretText.size());
    std::printf("Wrote %s.key (secret) and %s.pub. The line for store.conf:\npublic-key = %s\n",
                name.c_str(), name.c_str(), publicText.c_str());
    return 0;
}

int runSignUpdate(const Arguments& arguments) {
    std::string keyPath;
    std::string version;
    std::vector<std::string> operands;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (isHelpOption(argument)) {
            std::fputs(kSignUpdateHelp, stdout);
            return 0;
        }
        if ((argument == "--key" || argument == "--version") && index + 1 < arguments.size()) {
            (argument == "--key" ? keyPath : version) = arguments[++index];
        } else if (!argument.empty() && argument[0] == '-') {
            std::fprintf(stderr, "gwbundle sign-update: unknown option %s (see --help)\n",
                         argument.c_str());
            return 1;
        } else {
            operands.push_back(argument);
        }
    }
    char* end = nullptr;
    long number = std::strtol(version.c_str(), &end, 10);
    if (keyPath.empty() || operands.size() != 2 || version.empty() || *end != '\0' || number <= 0 ||
        number > 0x7FFFFFFF) {
        std::fputs("gwbundle sign-update: give --key, --version (a whole number above 0), the "
                   "build's folder and the archive to write (see --help)\n",
                   stderr);
        return 1;
    }
    const std::string& folder = operands[0];
    const std::string& archivePath = operands[1];
    if (sodium_init() < 0) {
        std::fputs("gwbundle sign-update: the signature library could not start\n", stderr);
        return 1;
    }
    std::string error;
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    std::vector<Storefront::UpdateFile> files;
    std::string archive;
    if (!readSecretKey(keyPath, secretKey, error) || !collectFiles(folder, "", files, error)) {
        std::fprintf(stderr, "gwbundle sign-update: %s\n", error.c_str());
        return 1;
    }
    std::vector<Storefront::UpdateFile> check;
    if (!writeUpdateArchive(files, archive, error) ||
        !Storefront::readUpdateArchive(archive, check, error)) {
        sodium_memzero(secretKey, sizeof secretKey);
        std::fprintf(stderr, "gwbundle sign-update: %s: %s\n", folder.c_str(), error.c_str());
        return 1;
    }
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(archive.data()),
                         archive.size(), secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    std::string signatureText = hex(signature, sizeof signature);
    if (!writeWholeFile(archivePath, archive, error) ||
        !writeWholeFile(archivePath + ".sig", signatureText + "\n", error)) {
        std::fprintf(stderr, "gwbundle sign-update: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote %s (%zu files) and %s.sig. The section for the catalogue:\n\n"
                "[update]\nversion = %ld\nurl = %s\nsha256 = %s\nsignature = %s\n",
                archivePath.c_str(), files.size(), archivePath.c_str(), number,
                baseName(archivePath).c_str(), Storefront::sha256Hex(archive).c_str(),
                signatureText.c_str());
    return 0;
}

} // namespace gwbundle
