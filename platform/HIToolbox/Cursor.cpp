// Theme cursors shown as the desktop's own cursors through SDL. The current theme cursor is
// kept also without a display, so that it is known when the first window appears.
#include "Cursor.h"

#include <Carbon/Appearance.h>
#include <MacPlatformTesting.h>

#include <SDL2/SDL.h>

#include <array>

namespace {

ThemeCursor g_themeCursor = kThemeArrowCursor;
// The SDL cursor made for the theme cursor now shown; SDL frees it when video goes down.
SDL_Cursor* g_sdlCursor = nullptr;

constexpr std::array<SDL_SystemCursor, kThemeNotAllowedCursor + 1> kSystemCursors = {
    SDL_SYSTEM_CURSOR_ARROW,     // arrow
    SDL_SYSTEM_CURSOR_ARROW,     // copy arrow
    SDL_SYSTEM_CURSOR_ARROW,     // alias arrow
    SDL_SYSTEM_CURSOR_ARROW,     // contextual menu arrow
    SDL_SYSTEM_CURSOR_IBEAM,     // I-beam
    SDL_SYSTEM_CURSOR_CROSSHAIR, // cross
    SDL_SYSTEM_CURSOR_CROSSHAIR, // plus
    SDL_SYSTEM_CURSOR_WAIT,      // watch
    SDL_SYSTEM_CURSOR_SIZEALL,   // closed hand: dragging
    SDL_SYSTEM_CURSOR_HAND,      // open hand
    SDL_SYSTEM_CURSOR_HAND,      // pointing hand
    SDL_SYSTEM_CURSOR_WAITARROW, // counting up hand
    SDL_SYSTEM_CURSOR_WAITARROW, // counting down hand
    SDL_SYSTEM_CURSOR_WAITARROW, // counting up and down hand
    SDL_SYSTEM_CURSOR_WAITARROW, // spinning
    SDL_SYSTEM_CURSOR_SIZEWE,    // resize left
    SDL_SYSTEM_CURSOR_SIZEWE,    // resize right
    SDL_SYSTEM_CURSOR_SIZEWE,    // resize left and right
    SDL_SYSTEM_CURSOR_NO         // not allowed
};

} // namespace

namespace MacPlatform {

void showThemeCursor() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        // Stopping video freed every cursor, ours included.
        g_sdlCursor = nullptr;
        return;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(kSystemCursors[g_themeCursor]);
    if (!cursor) {
        return;
    }
    SDL_SetCursor(cursor);
    // SDL ignores cursors it no longer knows, such as ours after video was restarted.
    if (g_sdlCursor) {
        SDL_FreeCursor(g_sdlCursor);
    }
    g_sdlCursor = cursor;
}

} // namespace MacPlatform

using MacPlatform::showThemeCursor;

extern "C" {

void InitCursor(void) {
    g_themeCursor = kThemeArrowCursor;
    showThemeCursor();
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_ShowCursor(SDL_ENABLE);
    }
}

OSStatus SetThemeCursor(ThemeCursor inCursor) {
    if (inCursor >= kSystemCursors.size()) {
        return appearanceBadCursorIndexErr;
    }
    g_themeCursor = inCursor;
    showThemeCursor();
    return noErr;
}

UInt32 MacPlatformTestCurrentThemeCursor(void) {
    return g_themeCursor;
}

} // extern "C"
