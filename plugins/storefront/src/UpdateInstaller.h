// The storefront installs its own updates: the host only prints the file moves of an update
// and then loads the library again, so the files must be in place before the host is asked.
//
// When the server's catalogue announces a build newer than this one, and store.conf holds the
// publisher's public key, the archive is downloaded in the background into the cache, where
// its SHA-256 and its Ed25519 signature are checked. It is unpacked into a staging folder of
// the cache, and the library there is loaded once to see that it links, exports all nineteen
// entry points and is the announced build. Only then are the resources folder's files
// touched: each new file is copied beside its target, the running build's files move into
// Backup/ and the new ones take their places by rename (the running library stays mapped), and
// the host is asked for the update, whose reload brings the new build up.
//
// Anything refused (a wrong hash or signature, a download cut short, a build that is not newer
// or does not load) changes nothing outside the cache, and is tried again at the next visit.
// A resources folder this user cannot write to downloads nothing, and says so once.
#pragma once

#include "Catalogue.h"
#include "Fetcher.h"
#include "StoreConfig.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Storefront {

inline constexpr long kUpdateTimeoutSeconds = 300;

class UpdateInstaller {
public:
    using Logger = std::function<void(const std::string&)>;

    UpdateInstaller(std::string resourcesFolder, std::string cacheFolder, PublicKey key,
                    int runningVersion, Logger log);

    // Starts the download of an announced newer build when nothing is under way.
    void consider(const std::optional<UpdateAnnouncement>& announced,
                  const std::string& catalogueURL, Fetcher& fetcher);
    // The download's result: checks, stages and installs, or refuses.
    void finish(const FetchResult& result);
    // After a refusal, the next visit may try again.
    void allowRetry();

    // The new build's files are in place: time to ask the host for the update.
    bool installed() const { return m_state == State::Installed; }
    // One line saying where the update stands ("none", "downloading 101", "refused: ...").
    const std::string& stateText() const { return m_stateText; }

    // Loads `library` and checks that it exports the nineteen entry points and reports
    // `expectedVersion`; why not, or empty. The library is closed again.
    static std::string libraryRefusal(const std::string& library, int expectedVersion);

private:
    enum class State { Idle, Downloading, Installed, Refused, ReadOnly };

    void refuse(const std::string& why);
    std::string stageAndInstall(const std::string& archivePath);
    std::string install(const std::vector<std::string>& names, const std::string& staging);

    std::string m_resourcesFolder;
    std::string m_cacheFolder;
    PublicKey m_key;
    int m_runningVersion = 0;
    Logger m_log;
    State m_state = State::Idle;
    bool m_retryAllowed = true;
    std::optional<UpdateAnnouncement> m_pending;
    std::string m_stateText = "none";
};

} // namespace Storefront
