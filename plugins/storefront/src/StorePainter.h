// Paints storefront frames with Cairo.
#pragma once

#include "BannerArt.h"
#include "StoreContent.h"
#include "StoreSession.h"

#include <cairo.h>

#include <string>

namespace Storefront {

struct FrameOptions {
    const BannerArt* banner = nullptr; // must be set
    // The launcher may ask the store to show its own pointer instead of the system's.
    bool drawPointer = false;
    // Only the banner (with the back button) is painted; the rest keeps last frame's pixels.
    bool bannerOnly = false;
    // The catalogue is being fetched: a small spinning indicator shows in the banner.
    bool loading = false;
    // Shown in place of the key hints, e.g. that the store shows an offline copy.
    std::string statusLine;
};

void paintFrame(cairo_t* cr, const StoreContent& content, const StoreSession& session,
                const FrameOptions& options);

} // namespace Storefront
