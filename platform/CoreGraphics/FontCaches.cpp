// The caches are meant to live for the whole process, but a leak checker cannot tell them from
// lost memory; freeing them at exit leaves it only real leaks to report.
#include "FontCaches.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

namespace MacPlatform {

namespace {

bool s_fontCachesInUse = false;

// Runs when the library is unloaded at exit, on the main thread, the one that draws text and so
// the one whose default font map holds the caches.
__attribute__((destructor)) void releaseFontCaches() {
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
    s_fontCachesInUse = true;
}

} // namespace MacPlatform
