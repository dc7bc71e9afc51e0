#include "OnlineCatalogue.h"

#include "CacheFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

namespace Storefront {

namespace {

constexpr const char* kCoversFolder = "covers/";
constexpr const char* kKeptName = "the kept catalogue";

} // namespace

OnlineCatalogue::OnlineCatalogue(std::string catalogueURL, std::string cacheFolder,
                                 std::string resourcesFolder, int ownApplicationID, Logger log)
    : m_catalogueURL(std::move(catalogueURL)), m_cacheFolder(std::move(cacheFolder)),
      m_resourcesFolder(std::move(resourcesFolder)), m_ownApplicationID(ownApplicationID),
      m_log(std::move(log)) {
    std::string error;
    if (!makeFolders(m_cacheFolder + kCoversFolder, error)) {
        m_log("covers will not be kept: " + error);
    }
    requestCatalogue();
}

void OnlineCatalogue::requestCatalogue() {
    ++m_changeCount;
    FetchRequest request;
    request.tag = kCatalogueTag;
    request.url = m_catalogueURL;
    request.destination = keptCataloguePath();
    request.maxBytes = kMaxCatalogueBytes;
    std::string url = m_catalogueURL;
    request.accept = [url](const std::string& bytes) { return parseCatalogue(bytes, url).error; };
    m_fetcher.submit(std::move(request));
    m_loading = true;
}

StoreContent OnlineCatalogue::contentFrom(Catalogue catalogue, bool readKeptCovers) {
    return contentFromCatalogue(
        std::move(catalogue), m_ownApplicationID,
        [this](const CatalogueEntry& entry) {
            CoverSource source;
            source.url = resolveURL(m_catalogueURL, entry.coverPath);
            if (!source.url.empty()) {
                source.file = m_cacheFolder + kCoversFolder + cacheNameForURL(source.url, ".jpg");
            }
            return source;
        },
        readKeptCovers);
}

StoreContent OnlineCatalogue::initialContent() {
    CatalogueResult kept = loadCatalogue(keptCataloguePath(), kKeptName);
    if (kept.catalogue) {
        struct stat info {};
        if (stat(keptCataloguePath().c_str(), &info) == 0) {
            m_keptCopyTime = info.st_mtime;
        }
        m_origin = CatalogueOrigin::KeptCopy;
        return contentFrom(std::move(*kept.catalogue), true);
    }
    m_origin = CatalogueOrigin::BundleCatalogue;
    return loadStoreContent(m_resourcesFolder, m_ownApplicationID);
}

bool OnlineCatalogue::poll(StoreContent& content, std::vector<FetchResult>& others) {
    bool replaced = false;
    for (FetchResult& result : m_fetcher.takeResults()) {
        if (result.tag == kCoverTag) {
            for (StoreGame& game : content.games) {
                if (game.coverFile == result.destination &&
                    (game.coverState != CoverState::Ready ||
                     result.outcome == FetchOutcome::Fetched)) {
                    drawCovers(game); // a failed fetch leaves the kept or a generated cover
                    ++m_changeCount;
                }
            }
            if (result.outcome != FetchOutcome::Fetched &&
                result.outcome != FetchOutcome::NotModified) {
                m_log("cover not fetched: " + result.message);
            }
            continue;
        }
        if (result.tag != kCatalogueTag) {
            others.push_back(std::move(result));
            continue;
        }
        m_loading = false;
        ++m_changeCount;
        if (result.outcome == FetchOutcome::Fetched ||
            (result.outcome == FetchOutcome::NotModified &&
             m_origin != CatalogueOrigin::KeptCopy)) {
            CatalogueResult fresh = loadCatalogue(keptCataloguePath(), kKeptName);
            if (!fresh.catalogue) {
                m_log("the server's catalogue could not be read back: " + fresh.error);
                continue;
            }
            m_update = fresh.catalogue->update;
            content = contentFrom(std::move(*fresh.catalogue), true);
            forgetOtherCovers(content);
            m_coversAsked.clear();
            m_origin = CatalogueOrigin::Server;
            replaced = true;
            m_log("catalogue version " + std::to_string(content.catalogueVersion) +
                  " from the server");
        } else if (result.outcome == FetchOutcome::NotModified) {
            CatalogueResult kept = loadCatalogue(keptCataloguePath(), kKeptName);
            m_update = kept.catalogue ? kept.catalogue->update : std::nullopt;
            m_origin = CatalogueOrigin::Server;
            // Its time says when it was last known current, for the offline line.
            utimensat(AT_FDCWD, keptCataloguePath().c_str(), nullptr, 0);
            m_log("the kept catalogue is current");
        } else {
            m_log("showing an offline copy: " + result.message);
        }
    }
    return replaced;
}

void OnlineCatalogue::forgetOtherCovers(const StoreContent& content) {
    std::set<std::string> wanted;
    for (const StoreGame& game : content.games) {
        wanted.insert(game.coverFile);
        wanted.insert(game.coverFile + ".validators");
    }
    std::string folder = m_cacheFolder + kCoversFolder;
    DIR* directory = opendir(folder.c_str());
    while (dirent* entry = directory ? readdir(directory) : nullptr) {
        std::string path = folder + entry->d_name;
        if (entry->d_name[0] != '.' && !wanted.contains(path)) {
            unlink(path.c_str());
        }
    }
    if (directory) {
        closedir(directory);
    }
}

void OnlineCatalogue::fetchCovers(StoreContent& content, const std::vector<int>& visibleGames) {
    // Offline, nothing is asked: the kept covers (or drawn ones) show at once.
    for (int index : visibleGames) {
        if (index < 0 || index >= static_cast<int>(content.games.size())) {
            continue;
        }
        StoreGame& game = content.games[static_cast<std::size_t>(index)];
        if (game.coverURL.empty() || game.coverState == CoverState::Requested) {
            continue;
        }
        if (m_origin != CatalogueOrigin::Server) {
            if (!m_loading && game.coverState == CoverState::Waiting) {
                drawCovers(game);
                ++m_changeCount;
            }
            continue;
        }
        if (std::find(m_coversAsked.begin(), m_coversAsked.end(), game.coverFile) !=
            m_coversAsked.end()) {
            continue;
        }
        m_coversAsked.push_back(game.coverFile);
        FetchRequest request;
        request.tag = kCoverTag;
        request.url = game.coverURL;
        request.destination = game.coverFile;
        request.maxBytes = kMaxCoverBytes;
        m_fetcher.submit(std::move(request));
        if (game.coverState == CoverState::Waiting) {
            game.coverState = CoverState::Requested;
        }
    }
}

void OnlineCatalogue::retryIfOffline() {
    if (offline()) {
        requestCatalogue();
    }
}

std::string OnlineCatalogue::statusLine() const {
    if (!offline()) {
        return {};
    }
    if (m_origin == CatalogueOrigin::KeptCopy) {
        char date[64] = "";
        std::tm local{};
        if (localtime_r(&m_keptCopyTime, &local)) {
            std::strftime(date, sizeof date, "%e %B %Y, %H:%M", &local);
        }
        std::string when = date[0] == ' ' ? date + 1 : date;
        return "Offline: showing the catalogue as of " +
               (when.empty() ? "an earlier visit" : when) + ".";
    }
    return "Offline: showing the games that came with this game.";
}

} // namespace Storefront
