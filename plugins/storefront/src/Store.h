// The storefront behind the plug-in's entry points: its content, the current visit and the
// frame bookkeeping. One object per initialisation of the plug-in.
#pragma once

#include "BannerArt.h"
#include "OnlineCatalogue.h"
#include "UpdateInstaller.h"
#include "StoreContent.h"
#include "StoreLayout.h"
#include "StoreSession.h"

#include <kxdll.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Storefront {

// Statuses of kxdll_Initialize and kxdll_EnterMenuSession. 5 is left out: the host uses it for
// a missing entry point.
enum StoreStatus : kxdll_status {
    kStatusOK = 0,
    kStatusHostTooOld = 2,
    kStatusNoResourcesFolder = 3,
    kStatusNotInitialised = 4,
    kStatusUnknownMode = 6,
    kStatusUnsupportedSize = 7,
};

// The menu-session mode the launcher uses: the storefront itself.
inline constexpr std::uint32_t kStorefrontMode = 1;
// Frames until the update folder is looked at again: about once a second at the launcher's rate.
inline constexpr int kFramesPerUpdateCheck = 12;
// How long the failed-update notice stays up, in frames.
inline constexpr int kNoticeFrames = 60;

struct StoreIdentity {
    int applicationID = 0;
    std::string applicationName;
    bool debugMode = false;
    int runningVersion = 0; // this build's kxdll_GetDLLVersionAsInt
};

class Store {
public:
    // `resourcesFolder` ends with "/". A missing or damaged catalogue is not a failure: the store
    // opens empty and tells why, on its page and through lastError().
    Store(const std::string& resourcesFolder, const StoreIdentity& identity);

    kxdll_status enterMenuSession(std::uint32_t mode, int width, int height);
    bool sessionComplete() const { return m_inSession && m_session.complete(); }
    void drawFrame(void* buffer, int rowBytes, std::uint32_t bytesPerPixel, bool suspendUpdates,
                   bool notifyFailedUpdate);
    int rectsToUpdate() const { return m_framesDrawn > 0 ? 1 : 0; }
    bool updateRect(int index, Box& rect) const;
    bool setMousePosition(int x, int y);
    bool handleEvent(EventRef event);
    bool updateRequired() const { return m_updateWanted; }
    void showSystemCursor(bool show) { m_drawPointer = !show; }

    const StoreContent& content() const { return m_content; }
    // Null when the store works from the bundle's files alone.
    const OnlineCatalogue* online() const { return m_online.get(); }
    // Null without a catalogue address and a public key.
    const UpdateInstaller* installer() const { return m_installer.get(); }
    const StoreSession& session() const { return m_session; }
    const std::string& lastError() const { return m_lastError; }
    // The line shown at the foot of the page: why the store is offline, or empty.
    std::string statusLine() const;
    void setLastError(const std::string& text) { m_lastError = text; }

private:
    void log(const std::string& line) const;
    void pollForUpdate(bool suspendUpdates);
    void startOnline(const std::string& resourcesFolder);
    void showContent(StoreContent content);
    void pollDownloads();
    std::vector<int> gamesInView() const;
    // Draws the banner and the covers of the games in view that are not drawn yet; true when it
    // drew anything.
    bool paintWhatComesIntoView();

    std::string m_resourcesFolder;
    StoreIdentity m_identity;
    StoreContent m_content;
    std::unique_ptr<BannerArt> m_banner;
    std::unique_ptr<OnlineCatalogue> m_online;
    std::unique_ptr<UpdateInstaller> m_installer;
    StoreSession m_session;
    std::string m_lastError;
    std::string m_cannotGoOnline; // the status line when a library the store needs is missing
    bool m_inSession = false;
    bool m_drawPointer = false;
    bool m_updateWanted = false;
    std::string m_lastUpdateFinding;
    int m_framesUntilUpdateCheck = 0;
    long m_framesDrawn = 0;
    const void* m_lastBuffer = nullptr;
    int m_lastRowBytes = 0;
    unsigned m_lastChangeCount = 0;
    unsigned m_lastOnlineChangeCount = 0;
    Box m_updateRect;
};

} // namespace Storefront
