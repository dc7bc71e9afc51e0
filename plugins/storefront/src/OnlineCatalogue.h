// The publisher's catalogue from the web, with its covers, kept in the storefront's cache.
//
// At start the store shows the kept copy of the catalogue (or, on a first run, the bundle's own
// catalogue) while the server is asked for a newer one with the kept copy's validators. A
// catalogue that arrives and parses replaces both the kept copy and what is shown; one that
// does not parse is refused and the kept copy stays. Without an answer the store goes on with
// what it shows and says that it is an offline copy, and asks again at the next visit. Covers
// are fetched as their cards come into view; until then a placeholder shows.
#pragma once

#include "Fetcher.h"
#include "StoreConfig.h"
#include "StoreContent.h"

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Storefront {

inline constexpr std::size_t kMaxCoverBytes = 4 * 1024 * 1024;

enum class CatalogueOrigin {
    Server,         // the server's catalogue, fresh or confirmed unchanged in this run
    KeptCopy,       // the cache's copy; the server has not answered (yet)
    BundleCatalogue // the bundle's own catalogue; nothing is kept yet
};

// Request tags of the storefront's downloads.
enum FetchTag : int { kCatalogueTag = 1, kCoverTag = 2, kUpdateTag = 3 };

class OnlineCatalogue {
public:
    using Logger = std::function<void(const std::string&)>;

    // `cacheFolder` ends in "/". Starts asking the server at once.
    OnlineCatalogue(std::string catalogueURL, std::string cacheFolder, std::string resourcesFolder,
                    int ownApplicationID, Logger log);

    // What to show until the server answers.
    StoreContent initialContent();

    // Collects finished downloads. Returns true when `content` was replaced by a newer
    // catalogue; covers that arrived are drawn into it. Results of other downloads (updates)
    // are handed to `others`.
    bool poll(StoreContent& content, std::vector<FetchResult>& others);

    // Asks for the covers of these games when they are not fetched or checked yet.
    void fetchCovers(StoreContent& content, const std::vector<int>& visibleGames);

    // After a failed attempt, asks the server again (once per visit).
    void retryIfOffline();

    bool loading() const { return m_loading; }
    // Counts every change that shows in a frame (a cover drawn, the catalogue's state).
    unsigned changeCount() const { return m_changeCount; }
    bool offline() const { return !m_loading && m_origin != CatalogueOrigin::Server; }
    CatalogueOrigin origin() const { return m_origin; }
    // The line the store shows when it shows an offline copy; empty otherwise.
    std::string statusLine() const;
    // The update the server's catalogue announces, if any (never one from an old copy).
    const std::optional<UpdateAnnouncement>& announcedUpdate() const { return m_update; }
    const std::string& catalogueURL() const { return m_catalogueURL; }
    const std::string& cacheFolder() const { return m_cacheFolder; }
    Fetcher& fetcher() { return m_fetcher; }

private:
    std::string keptCataloguePath() const { return m_cacheFolder + kCatalogueFileName; }
    void requestCatalogue();
    StoreContent contentFrom(Catalogue catalogue, bool readKeptCovers);
    // Removes the kept covers that the server's newest catalogue no longer names.
    void forgetOtherCovers(const StoreContent& content);

    std::string m_catalogueURL;
    std::string m_cacheFolder;
    std::string m_resourcesFolder;
    int m_ownApplicationID = 0;
    Logger m_log;
    CatalogueOrigin m_origin = CatalogueOrigin::BundleCatalogue;
    bool m_loading = false;
    std::time_t m_keptCopyTime = 0;
    std::optional<UpdateAnnouncement> m_update;
    std::vector<std::string> m_coversAsked; // cover files asked for in this run
    unsigned m_changeCount = 0;
    Fetcher m_fetcher;
};

} // namespace Storefront
