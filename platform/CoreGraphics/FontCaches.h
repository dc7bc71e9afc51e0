// Pango's default font map and fontconfig's caches, which live until the process ends.
#pragma once

namespace MacPlatform {

// Whoever draws text through Pango calls this first, so that the caches are freed at exit.
void noteFontCachesInUse();

} // namespace MacPlatform
