// The sample storefront plug-in: the nineteen kxdll_ entry points of <kxdll.h> over one Store.
//
// Files, all in the launcher bundle's Contents/Resources/ folder, which is the folder this
// library is loaded from (the host opens it as <Resources>/Pellucid.dylib):
//
//   Pellucid.dylib                     this library
//   Storefront/store.conf              optional: the publisher's catalogue address and public
//                                      key (StoreConfig.h); without it the store is offline
//   Storefront/catalogue.txt           the catalogue (format below)
//   Storefront/covers/<name>.jpg       cover pictures the catalogue names, any size; a game
//                                      whose cover is missing or unreadable gets a drawn one
//   Update/Tessaly.red                 marker: a complete update waits in Update/
//   Update/Storefront/catalogue.txt    the update's catalogue, with its covers beside it
//   Backup/Storefront/...              the earlier files the launcher falls back to
//
// The build puts the demo data in <build>/plugins/storefront/Storefront/ (catalogue.txt and
// covers/*.jpg, the covers drawn at build time by make-demo-covers) beside Pellucid.dylib; a
// bundle takes both as they are into Contents/Resources/.
//
// Catalogue format (UTF-8 text, at most 256 KB and 64 games; '#' starts a comment line):
//
//   catalogue-version = 3          whole number above 0; a higher one in Update/ is newer
//   heading = Other Games          optional banner heading
//   [game]                         one section per game, in the order shown
//   id = 1001                      optional; the launcher's own game (its application id)
//                                  is left out of the store
//   title = Harbour Lights         required
//   price = 9.99                   required; 0 shows as "Free"
//   description = One line of text.
//   cover = covers/harbour-lights.jpg   relative to Storefront/
//
// With a catalogue address in store.conf, the catalogue and its covers come from the publisher's
// server and are kept in ${XDG_CACHE_HOME:-~/.cache}/<bundle identifier>/storefront/; the
// bundle's catalogue shows only until the first copy has arrived (OnlineCatalogue.h).
//
// A missing or damaged catalogue does not fail the initialisation (that would stop the whole
// launcher): the store opens empty, its page says why, and kxdll_GetLastErrorInformation
// returns the same one-line reason, naming the file and line.
//
// Updates from the publisher's server (UpdateInstaller.h): a newer build announced by the
// server's catalogue, signed with the key in store.conf, is downloaded, checked and put in
// place by the storefront itself, which then asks the launcher for a system update.
//
// Updates from the Update/ folder: after a frame, the plug-in asks for a system update when
// Update/Tessaly.red exists and Update/Storefront/catalogue.txt is valid and newer than the
// installed catalogue, unless the launcher says shared file updates are suspended (after a failed
// update). It looks about once a second (every twelfth frame).
#include "Store.h"

#include <kxdll.h>

#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <string>

using Storefront::Store;

namespace {

// A build for trying updates may be made with other values.
#ifndef STOREFRONT_VERSION_NUMBER
#define STOREFRONT_VERSION_NUMBER 100
#define STOREFRONT_VERSION_TEXT "1.0.0"
#endif
constexpr const char* kVersionText = STOREFRONT_VERSION_TEXT;
constexpr int32_t kVersionNumber = STOREFRONT_VERSION_NUMBER;
constexpr const char* kNotInitialised = "The storefront has not been initialised.";
constexpr const char* kNoError = "The storefront has reported no error.";

std::unique_ptr<Store> g_store;
// Kept across initialisations: only the launcher can change it.
std::string g_trackingMetadata;
// What the last value query answered, kept so the returned pointer stays valid.
std::string g_valueText;
// An error from before a store exists (a failed initialisation).
std::string g_initError;

// The folder this library was loaded from, ending in "/": the launcher loads it from its
// resources folder, where the storefront's files lie beside it.
std::string folderOfThisLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&folderOfThisLibrary), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::string path = info.dli_fname;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

extern "C" {

const char* kxdll_GetDLLVersionAsString(void) {
    return kVersionText;
}

int32_t kxdll_GetDLLVersionAsInt(void) {
    return kVersionNumber;
}

kxdll_status kxdll_Initialize(int32_t applicationID, const char* applicationName,
                              int32_t /*channelID*/, float /*price*/, uint32_t debugMode,
                              int32_t hostVersion) {
    g_store.reset();
    g_initError.clear();
    if (hostVersion < KXDLL_HOST_VERSION) {
        g_initError = "The launcher's plug-in host is version " + std::to_string(hostVersion) +
                      "; the storefront needs version " + std::to_string(KXDLL_HOST_VERSION) +
                      " or later.";
        return Storefront::kStatusHostTooOld;
    }
    std::string folder = folderOfThisLibrary();
    if (folder.empty()) {
        g_initError = "The storefront could not tell which folder it was loaded from.";
        return Storefront::kStatusNoResourcesFolder;
    }
    Storefront::StoreIdentity identity;
    identity.applicationID = applicationID;
    identity.applicationName = applicationName ? applicationName : "";
    identity.debugMode = (debugMode & 0xFFFF) != 0;
    identity.runningVersion = kVersionNumber;
    g_store = std::make_unique<Store>(folder, identity);
    return Storefront::kStatusOK;
}

void kxdll_ShutDown(void) {
    g_store.reset();
    g_valueText.clear();
}

kxdll_status kxdll_EnterMenuSession(uint32_t mode, int32_t widthInPixels, int32_t heightInPixels) {
    if (!g_store) {
        g_initError = kNotInitialised;
        return Storefront::kStatusNotInitialised;
    }
    return g_store->enterMenuSession(mode & 0xFFFF, widthInPixels, heightInPixels);
}

kxdll_bool kxdll_IsTheMenuSessionComplete(void) {
    return g_store && g_store->sessionComplete();
}

void kxdll_DrawNextFrameIntoBuffer(void* buffer, int32_t rowBytes, uint32_t a, uint32_t /*b*/,
                                   uint32_t suspendSharedFileUpdates,
                                   uint32_t notifyUserOfFailedUpdate) {
    if (!g_store) {
        g_initError = kNotInitialised;
        return;
    }
    // Only the low byte of a widened bool counts.
    g_store->drawFrame(buffer, rowBytes, a & 0xFFFF, (suspendSharedFileUpdates & 0xFF) != 0,
                       (notifyUserOfFailedUpdate & 0xFF) != 0);
}

int32_t kxdll_GetNumberOfRectsToUpdate(void) {
    return g_store ? g_store->rectsToUpdate() : 0;
}

kxdll_bool kxdll_GetUpdateRect(int32_t index, int32_t* left, int32_t* top, int32_t* right,
                               int32_t* bottom) {
    Storefront::Box rect;
    if (!g_store || !left || !top || !right || !bottom || !g_store->updateRect(index, rect)) {
        return false;
    }
    *left = static_cast<int32_t>(rect.x);
    *top = static_cast<int32_t>(rect.y);
    *right = static_cast<int32_t>(rect.right());
    *bottom = static_cast<int32_t>(rect.bottom());
    return true;
}

kxdll_bool kxdll_SetMousePosition(int32_t x, int32_t y) {
    return g_store && g_store->setMousePosition(x, y);
}

kxdll_bool kxdll_HandleMacEvent(EventRef event) {
    return g_store && g_store->handleEvent(event);
}

void kxdll_SetPalette(const unsigned char* /*palette*/) {
    // Frames are 32-bit colour; a palette only matters to 8-bit frames, which this storefront
    // never draws.
}

const char* kxdll_GetValueAsString(const char* name) {
    std::string key = name ? name : "";
    if (key == "TrackingMetadata") {
        g_valueText = g_trackingMetadata;
    } else if (!g_store) {
        g_initError = kNotInitialised;
        g_valueText.clear();
    } else if (key == "StatusLine") {
        g_valueText = g_store->statusLine();
    } else if (key == "UpdateState") {
        g_valueText = g_store->installer() ? g_store->installer()->stateText() : "none";
    } else if (key == "Heading") {
        g_valueText = g_store->content().heading;
    } else if (key == "FocusedGame") {
        int focus = g_store->session().focus();
        const auto& games = g_store->content().games;
        g_valueText = focus >= 0 && focus < static_cast<int>(games.size())
                          ? games[static_cast<std::size_t>(focus)].entry.title
                          : std::string();
    } else {
        g_store->setLastError("The storefront has no text value named \"" + key + "\".");
        g_valueText.clear();
    }
    return g_valueText.c_str();
}

int32_t kxdll_GetValueAsInt(const char* name) {
    std::string key = name ? name : "";
    if (!g_store) {
        g_initError = kNotInitialised;
        return 0;
    }
    if (key == "CatalogueVersion") {
        return g_store->content().catalogueVersion;
    }
    if (key == "Loading") {
        return g_store->online() && g_store->online()->loading() ? 1 : 0;
    }
    if (key == "GameCount") {
        return static_cast<int32_t>(g_store->content().games.size());
    }
    g_store->setLastError("The storefront has no number named \"" + key + "\".");
    return 0;
}

float kxdll_GetValueAsFloat(const char* name) {
    std::string key = name ? name : "";
    if (!g_store) {
        g_initError = kNotInitialised;
        return 0;
    }
    if (key == "CatalogueVersion") {
        return static_cast<float>(g_store->content().catalogueVersion);
    }
    g_store->setLastError("The storefront has no number named \"" + key + "\".");
    return 0;
}

kxdll_bool kxdll_IsASystemUpdateRequired(void) {
    return g_store && g_store->updateRequired();
}

const char* kxdll_GetLastErrorInformation(void) {
    const std::string& text = g_store ? g_store->lastError() : g_initError;
    return text.empty() ? kNoError : text.c_str();
}

void kxdll_EnableWindowsMouseCursor(uint32_t enable) {
    if (g_store) {
        g_store->showSystemCursor((enable & 0xFF) != 0);
    }
}

void kxdll_SetTrackingMetadata(const char* text) {
    g_trackingMetadata = text ? text : "";
}

} // extern "C"
