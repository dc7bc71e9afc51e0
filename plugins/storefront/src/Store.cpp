#include "Store.h"

#include "CacheFiles.h"
#include "OnlineLibraries.h"
#include "StorePainter.h"
#include "UpdateCheck.h"

#include <cairo.h>
#include <unistd.h>

#include <cstdio>

namespace Storefront {

Store::Store(const std::string& resourcesFolder, const StoreIdentity& identity)
    : m_resourcesFolder(resourcesFolder), m_identity(identity) {
    startOnline(resourcesFolder);
    if (!m_online) {
        showContent(loadStoreContent(resourcesFolder, identity.applicationID));
    }
    m_lastError = m_content.problem.empty() ? m_lastError : m_content.problem;
    if (m_content.problem.empty()) {
        log("catalogue version " + std::to_string(m_content.catalogueVersion) + " with " +
            std::to_string(m_content.games.size()) + " games");
    } else {
        log("opening an empty store: " + m_content.problem);
    }
}

void Store::startOnline(const std::string& resourcesFolder) {
    std::string shownName = std::string(kStorefrontFolder) + "/" + kStoreConfigFileName;
    std::string path = resourcesFolder + shownName;
    // A store.conf is what takes the store online, and online it needs the download and
    // signature libraries: they are opened now, and only in such a store.
    if (access(path.c_str(), F_OK) == 0) {
        std::string error;
        const char* missing = !curlLibrary(error)     ? kCurlLibraryFile
                              : !sodiumLibrary(error) ? kSodiumLibraryFile
                                                      : nullptr;
        if (missing) {
            m_lastError = "The storefront cannot go online: " + error + ".";
            m_cannotGoOnline = std::string("Offline: ") + missing +
                               " could not be loaded; these are the games of this bundle.";
            log("working from the bundle's files: " + error);
            return;
        }
    }
    StoreConfigResult config = loadStoreConfig(path, shownName);
    if (!config.config) {
        log("working from the bundle's files: " + config.error);
        return;
    }
    if (config.config->catalogueURL.empty()) {
        return;
    }
    std::string error;
    std::string cache = storefrontCacheFolder(bundleIdentifierOf(resourcesFolder), error);
    if (cache.empty()) {
        log("working from the bundle's files: " + error);
        return;
    }
    m_online = std::make_unique<OnlineCatalogue>(config.config->catalogueURL, cache,
                                                 resourcesFolder, m_identity.applicationID,
                                                 [this](const std::string& line) { log(line); });
    showContent(m_online->initialContent());
    if (config.config->publicKey) {
        m_installer = std::make_unique<UpdateInstaller>(
            resourcesFolder, cache, *config.config->publicKey, m_identity.runningVersion,
            [this](const std::string& line) { log(line); });
    } else {
        log("store.conf gives no public-key: storefront updates are not installed");
    }
}

std::string Store::statusLine() const {
    return m_online ? m_online->statusLine() : m_cannotGoOnline;
}

void Store::showContent(StoreContent content) {
    m_content = std::move(content);
    // Drawn with the first frame that shows it, as the covers are.
    m_banner.reset();
    if (m_inSession) {
        m_session.begin(static_cast<int>(m_content.games.size()));
        m_lastBuffer = nullptr;
    }
}

void Store::pollDownloads() {
    if (!m_online) {
        return;
    }
    std::vector<FetchResult> others;
    if (m_online->poll(m_content, others)) {
        StoreContent fresh = std::move(m_content);
        showContent(std::move(fresh));
        m_lastError = m_content.problem;
    }
    m_online->fetchCovers(m_content, gamesInView());
    if (m_installer) {
        for (const FetchResult& result : others) {
            if (result.tag == kUpdateTag) {
                m_installer->finish(result);
            }
        }
        m_installer->consider(m_online->announcedUpdate(), m_online->catalogueURL(),
                              m_online->fetcher());
    }
    if (m_online->changeCount() != m_lastOnlineChangeCount) {
        m_lastOnlineChangeCount = m_online->changeCount();
        m_lastBuffer = nullptr; // covers, the indicator or the offline line: paint it all
    }
}

bool Store::paintWhatComesIntoView() {
    bool painted = false;
    if (!m_banner) {
        m_banner = std::make_unique<BannerArt>(
            m_content.heading.empty() ? "Other Games" : m_content.heading,
            m_identity.applicationName.empty()
                ? "Find your next game."
                : "More games for players of " + m_identity.applicationName + ".");
        painted = true;
    }
    for (int index : gamesInView()) {
        if (index < 0 || index >= static_cast<int>(m_content.games.size())) {
            continue;
        }
        StoreGame& game = m_content.games[static_cast<std::size_t>(index)];
        if (game.coverState == CoverState::Unpainted) {
            drawCovers(game);
            painted = true;
        }
    }
    return painted;
}

std::vector<int> Store::gamesInView() const {
    std::vector<int> games;
    const Box& area = Layout::kGridArea;
    for (int index = 0; index < static_cast<int>(m_content.games.size()); ++index) {
        Box place = cardBox(index, m_session.scrollRows());
        if (place.bottom() > area.y && place.y < area.bottom()) {
            games.push_back(index);
        }
    }
    if (m_session.detailsOpen()) {
        games.push_back(m_session.detailsGame());
    }
    return games;
}

void Store::log(const std::string& line) const {
    if (m_identity.debugMode) {
        std::printf("Storefront: %s\n", line.c_str());
        std::fflush(stdout);
    }
}

kxdll_status Store::enterMenuSession(std::uint32_t mode, int width, int height) {
    if (mode != kStorefrontMode) {
        m_lastError = "Menu session mode " + std::to_string(mode) +
                      " is unknown; the storefront offers mode 1.";
        return kStatusUnknownMode;
    }
    if (width != Layout::kFrameWidth || height != Layout::kFrameHeight) {
        m_lastError = "The storefront draws 720 x 540 frames; the launcher asked for " +
                      std::to_string(width) + " x " + std::to_string(height) + ".";
        return kStatusUnsupportedSize;
    }
    m_inSession = true;
    if (m_online) {
        m_online->retryIfOffline();
    }
    if (m_installer) {
        m_installer->allowRetry();
    }
    m_session.begin(static_cast<int>(m_content.games.size()));
    // The buffer's pixels are from before this visit: the next frame paints all of it.
    m_lastBuffer = nullptr;
    return kStatusOK;
}

void Store::drawFrame(void* buffer, int rowBytes, std::uint32_t bytesPerPixel, bool suspendUpdates,
                      bool notifyFailedUpdate) {
    pollDownloads();
    pollForUpdate(suspendUpdates);
    // The new build's files are in place: the host's reload loads it. Not while a download
    // runs, since shutting down waits for the worker to let go of it.
    if (m_installer && m_installer->installed() && !suspendUpdates && !m_online->fetcher().busy()) {
        m_updateWanted = true;
    }
    if (!m_inSession) {
        m_lastError = "A frame was asked for outside a menu session; nothing was drawn.";
        return;
    }
    if (!buffer || bytesPerPixel != 4 || rowBytes < Layout::kFrameWidth * 4 || rowBytes % 4 != 0) {
        m_lastError = "The frame buffer is not a 720 x 540 buffer of 4-byte pixels (row length " +
                      std::to_string(rowBytes) + ", pixel size " + std::to_string(bytesPerPixel) +
                      "); nothing was drawn.";
        return;
    }
    if (notifyFailedUpdate) {
        m_session.showNotice("The storefront could not be updated. It shows the games it had "
                             "before.",
                             kNoticeFrames);
    }

    bool moving = m_session.animating();
    m_session.advanceFrame();
    if (paintWhatComesIntoView()) {
        m_lastBuffer = nullptr;
    }
    // When only the banner moves, the rest of the launcher's buffer still holds our last frame.
    bool whole = buffer != m_lastBuffer || rowBytes != m_lastRowBytes || moving ||
                 m_session.changeCount() != m_lastChangeCount || m_drawPointer;

    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(static_cast<unsigned char*>(buffer), CAIRO_FORMAT_RGB24,
                                            Layout::kFrameWidth, Layout::kFrameHeight, rowBytes);
    cairo_t* cr = cairo_create(surface);
    FrameOptions options;
    options.banner = m_banner.get();
    if (m_online) {
        options.loading = m_online->loading();
    }
    options.statusLine = statusLine();
    options.drawPointer = m_drawPointer;
    options.bannerOnly = !whole;
    paintFrame(cr, m_content, m_session, options);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);

    m_updateRect = whole ? Layout::kFrame : Layout::kBanner;
    m_lastBuffer = buffer;
    m_lastRowBytes = rowBytes;
    m_lastChangeCount = m_session.changeCount();
    ++m_framesDrawn;
}

void Store::pollForUpdate(bool suspendUpdates) {
    if (suspendUpdates) {
        // The last update failed and the launcher fell back to the backup files: leave the
        // files alone until it lifts the suspension.
        m_updateWanted = false;
        return;
    }
    if (m_framesUntilUpdateCheck > 0) {
        --m_framesUntilUpdateCheck;
        return;
    }
    m_framesUntilUpdateCheck = kFramesPerUpdateCheck - 1;
    UpdateFinding finding = checkForUpdate(m_resourcesFolder, m_content.catalogueVersion);
    m_updateWanted = finding.wanted;
    if (finding.reason != m_lastUpdateFinding) {
        log(finding.wanted ? "asking for a system update: " + finding.reason : finding.reason);
        m_lastUpdateFinding = finding.reason;
    }
}

bool Store::updateRect(int index, Box& rect) const {
    if (index != 0 || m_framesDrawn == 0) {
        return false;
    }
    rect = m_updateRect;
    return true;
}

bool Store::setMousePosition(int x, int y) {
    if (!m_inSession) {
        return false;
    }
    m_session.setPointer(x, y);
    return true;
}

bool Store::handleEvent(EventRef event) {
    if (!m_inSession) {
        return false;
    }
    return m_session.handle(translateEvent(event));
}

} // namespace Storefront
