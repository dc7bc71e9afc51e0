#include "UpdateInstaller.h"

#include "CacheFiles.h"
#include "FileRead.h"
#include "OnlineCatalogue.h"
#include "UpdateArchive.h"

#include <kxdll.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace Storefront {

namespace {

// The entry points of <kxdll.h>, which the host binds one by one: one missing, and the host's
// reload of the new build would fail.
#define STOREFRONT_ENTRY_POINT_NAME(result, name, parameters) #name,
constexpr const char* kEntryPoints[] = {KXDLL_ENTRY_POINTS(STOREFRONT_ENTRY_POINT_NAME)};
#undef STOREFRONT_ENTRY_POINT_NAME
static_assert(std::size(kEntryPoints) == 19);

constexpr const char* kBackupFolder = "Backup/";
constexpr const char* kIncomingSuffix = ".incoming";

std::string updateFolder(const std::string& cache) {
    return cache + "update/";
}

void removeTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// A whole file written and flushed, with the given mode; why not, or empty.
std::string writeFlushed(const std::string& path, const std::string& bytes, mode_t mode) {
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (descriptor < 0) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    bool whole =
        write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
        fchmod(descriptor, mode) == 0 && fsync(descriptor) == 0;
    int saved = errno;
    whole = close(descriptor) == 0 && whole;
    if (!whole) {
        unlink(path.c_str());
        return "cannot write " + path + ": " + std::strerror(saved);
    }
    return {};
}

} // namespace

UpdateInstaller::UpdateInstaller(std::string resourcesFolder, std::string cacheFolder,
                                 PublicKey key, int runningVersion, Logger log)
    : m_resourcesFolder(std::move(resourcesFolder)), m_cacheFolder(std::move(cacheFolder)),
      m_key(key), m_runningVersion(runningVersion), m_log(std::move(log)) {}

void UpdateInstaller::consider(const std::optional<UpdateAnnouncement>& announced,
                               const std::string& catalogueURL, Fetcher& fetcher) {
    if (!announced || announced->version <= m_runningVersion || !m_retryAllowed ||
        (m_state != State::Idle && m_state != State::Refused)) {
        return;
    }
    if (access(m_resourcesFolder.c_str(), W_OK) != 0) {
        m_state = State::ReadOnly;
        m_stateText = "read-only: the storefront cannot update itself in " + m_resourcesFolder;
        m_log("build " + std::to_string(announced->version) + " is offered, but " + m_stateText +
              " (" + std::strerror(errno) + "); nothing is downloaded");
        return;
    }
    std::string url = resolveURL(catalogueURL, announced->url);
    std::string error;
    if (url.empty() || !makeFolders(updateFolder(m_cacheFolder), error)) {
        refuse(url.empty() ? "the update's address \"" + announced->url + "\" is not usable"
                           : error);
        m_retryAllowed = false;
        return;
    }
    FetchRequest request;
    request.tag = kUpdateTag;
    request.url = url;
    request.destination = updateFolder(m_cacheFolder) + "storefront-" +
                          std::to_string(announced->version) + ".tar.gz";
    request.maxBytes = kMaxUpdateBytes;
    request.totalTimeoutSeconds = kUpdateTimeoutSeconds;
    UpdateAnnouncement update = *announced;
    PublicKey key = m_key;
    request.accept = [update, key](const std::string& bytes) {
        return updateRefusal(bytes, update.sha256, update.signature, key);
    };
    fetcher.submit(std::move(request));
    m_pending = update;
    m_state = State::Downloading;
    m_retryAllowed = false;
    m_stateText = "downloading " + std::to_string(update.version);
    m_log("downloading storefront build " + std::to_string(update.version) + " from " + url);
}

void UpdateInstaller::allowRetry() {
    if (m_state == State::Refused) {
        m_retryAllowed = true;
    }
}

void UpdateInstaller::refuse(const std::string& why) {
    m_state = State::Refused;
    m_stateText = "refused: " + why;
    m_log("update " + m_stateText);
    removeTree(m_cacheFolder + "staging");
}

void UpdateInstaller::finish(const FetchResult& result) {
    if (m_state != State::Downloading || !m_pending) {
        return;
    }
    if (result.outcome == FetchOutcome::Failed || result.outcome == FetchOutcome::Refused) {
        refuse(result.message);
        return;
    }
    std::string why = stageAndInstall(result.destination);
    if (!why.empty()) {
        refuse(why);
        return;
    }
    m_state = State::Installed;
    m_stateText = "installed " + std::to_string(m_pending->version);
    m_log("storefront build " + std::to_string(m_pending->version) +
          " is in place; asking the launcher to load it");
    removeTree(m_cacheFolder + "staging");
    unlink(result.destination.c_str());
    unlink((result.destination + ".validators").c_str());
}

std::string UpdateInstaller::libraryRefusal(const std::string& library, int expectedVersion) {
    dlerror();
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return std::string("the new Pellucid.dylib does not load: ") + (why ? why : "");
    }
    std::string refusal;
    for (const char* name : kEntryPoints) {
        if (!dlsym(handle, name)) {
            refusal = std::string("the new Pellucid.dylib does not export ") + name;
            break;
        }
    }
    if (refusal.empty()) {
        auto version = reinterpret_cast<int32_t (*)()>(dlsym(handle, "kxdll_GetDLLVersionAsInt"));
        int actual = version();
        if (actual != expectedVersion) {
            refusal = "the new Pellucid.dylib is build " + std::to_string(actual) +
                      ", not the announced " + std::to_string(expectedVersion);
        }
    }
    dlclose(handle);
    return refusal;
}

std::string UpdateInstaller::stageAndInstall(const std::string& archivePath) {
    std::string archive;
    if (readSmallFile(archivePath, kMaxUpdateBytes, archive) != FileReadResult::Read) {
        return "the downloaded archive cannot be read back";
    }
    // A copy confirmed unchanged by the server was checked when it came; check it again all
    // the same, since the cache is only as safe as the user's own files.
    if (std::string why = updateRefusal(archive, m_pending->sha256, m_pending->signature, m_key);
        !why.empty()) {
        unlink(archivePath.c_str());
        return why;
    }
    std::vector<UpdateFile> files;
    std::string error;
    if (!readUpdateArchive(archive, files, error)) {
        return "the archive " + error;
    }
    std::string staging = m_cacheFolder + "staging/";
    removeTree(staging);
    std::vector<std::string> names;
    for (const UpdateFile& file : files) {
        std::string path = staging + file.name;
        if (!makeFolders(folderOf(path), error)) {
            return error;
        }
        if (std::string why = writeFlushed(path, file.bytes, file.executable ? 0755 : 0644);
            !why.empty()) {
            return why;
        }
        names.push_back(file.name);
    }
    if (std::string why = libraryRefusal(staging + kPluginFileName, m_pending->version);
        !why.empty()) {
        return why;
    }
    return install(names, staging);
}

std::string UpdateInstaller::install(const std::vector<std::string>& names,
                                     const std::string& staging) {
    // First every new file beside its target (the resources folder may be on another file
    // system than the cache, and rename only works within one).
    std::string error;
    std::vector<std::string> incoming;
    auto dropIncoming = [&] {
        for (const std::string& path : incoming) {
            unlink(path.c_str());
        }
    };
    for (const std::string& name : names) {
        std::string target = m_resourcesFolder + name;
        std::string bytes;
        struct stat info {};
        if (!makeFolders(folderOf(target), error) ||
            readSmallFile(staging + name, kMaxUpdateBytes, bytes) != FileReadResult::Read ||
            stat((staging + name).c_str(), &info) != 0) {
            dropIncoming();
            return error.empty() ? "cannot read the staged " + name : error;
        }
        if (std::string why = writeFlushed(target + kIncomingSuffix, bytes, info.st_mode & 0777);
            !why.empty()) {
            dropIncoming();
            return why;
        }
        incoming.push_back(target + kIncomingSuffix);
    }
    // Then the running build's files into Backup/ and the new ones into their places; a step
    // that fails puts back what was moved.
    std::vector<std::pair<std::string, std::string>> moved; // from, to
    auto rollBack = [&] {
        for (auto step = moved.rbegin(); step != moved.rend(); ++step) {
            rename(step->second.c_str(), step->first.c_str());
        }
        dropIncoming();
    };
    for (const std::string& name : names) {
        std::string target = m_resourcesFolder + name;
        std::string backup = m_resourcesFolder + kBackupFolder + name;
        struct stat info {};
        if (lstat(target.c_str(), &info) == 0) {
            if (!makeFolders(folderOf(backup), error) ||
                rename(target.c_str(), backup.c_str()) != 0) {
                std::string why =
                    error.empty() ? "cannot keep " + name + " in Backup/: " + std::strerror(errno)
                                  : error;
                rollBack();
                return why;
            }
            moved.emplace_back(target, backup);
        }
        if (rename((target + kIncomingSuffix).c_str(), target.c_str()) != 0) {
            std::string why = "cannot put the new " + name + " in place: " + std::strerror(errno);
            rollBack();
            return why;
        }
        moved.emplace_back(target + kIncomingSuffix, target);
    }
    return {};
}

} // namespace Storefront
