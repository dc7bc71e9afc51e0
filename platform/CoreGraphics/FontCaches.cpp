// The caches are meant to live for the whole process, but a leak checker cannot tell them from
// lost memory; freeing them at exit leaves it only real leaks to report.
#include "FontCaches.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace MacPlatform {

namespace {

bool s_fontCachesInUse = false;

// The early load of fontconfig's configuration (startLoadingFonts). Never destroyed: the
// destructor below may wait on it after static objects are gone.
struct FontLoading {
    std::mutex mutex;
    std::condition_variable done;
    bool started = false;
    bool finished = false;
};

FontLoading& fontLoading() {
    static FontLoading* loading = new FontLoading;
    return *loading;
}

// fontconfig's caches must not be torn down under a load in progress, and a second load of
// the same configuration (Pango's own, on its font map's first use) would only repeat it.
void waitForFontLoading() {
    FontLoading& loading = fontLoading();
    std::unique_lock<std::mutex> lock(loading.mutex);
    loading.done.wait(lock, [&] { return !loading.started || loading.finished; });
}

// Runs when the library is unloaded at exit, on the main thread, the one that draws text and so
// the one whose default font map holds the caches.
__attribute__((destructor)) void releaseFontCaches() {
    waitForFontLoading();
    if (!s_fontCachesInUse) {
        return;
    }
    gpointer fontMap = pango_cairo_font_map_get_default();
    g_object_add_weak_pointer(G_OBJECT(fontMap), &fontMap);
    pango_cairo_font_map_set_default(nullptr);
    // fontconfig aborts if its caches are torn down under a font map that something still
    // holds (a context that was never released); such a process keeps them instead.
    if (fontMap) {
        g_object_remove_weak_pointer(G_OBJECT(fontMap), &fontMap);
        return;
    }
    FcFini();
}

} // namespace

void noteFontCachesInUse() {
    waitForFontLoading();
    s_fontCachesInUse = true;
}

void startLoadingFonts() {
    FontLoading& loading = fontLoading();
    std::lock_guard<std::mutex> lock(loading.mutex);
    if (loading.started) {
        return;
    }
    loading.started = true;
    try {
        std::thread([&loading] {
            FcInit();
            std::lock_guard<std::mutex> done(loading.mutex);
            loading.finished = true;
            loading.done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the fonts load with the first text, as they would anyway.
        loading.started = false;
    }
}

} // namespace MacPlatform
