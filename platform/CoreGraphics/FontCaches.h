// Pango's default font map and fontconfig's caches, which live until the process ends.
#pragma once

namespace MacPlatform {

// Whoever draws text through Pango calls this first, so that the caches are freed at exit.
void noteFontCachesInUse();

// Loads fontconfig's configuration and font list on a thread of its own, beside whatever the
// caller does next, where the first text layout would otherwise wait for it. Once per process.
void startLoadingFonts();

} // namespace MacPlatform
