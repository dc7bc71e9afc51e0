// The desktop's own cursors through SDL's system cursors.
#include "Display/SDL/SDLBackend.h"

namespace MacPlatform::Display::SDL {

namespace {

// The cursor now shown; SDL frees every cursor when video goes down.
SDL_Cursor* g_cursor = nullptr;

SDL_SystemCursor systemCursor(CursorShape shape) {
    switch (shape) {
    case CursorShape::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::Crosshair:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case CursorShape::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::Move:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case CursorShape::Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case CursorShape::Progress:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    case CursorShape::ResizeLeftRight:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case CursorShape::NotAllowed:
        return SDL_SYSTEM_CURSOR_NO;
    case CursorShape::Arrow:
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

} // namespace

bool setCursor(CursorShape shape) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        // Closing video freed every cursor, ours included.
        g_cursor = nullptr;
        return false;
    }
    if (!inUse()) {
        return false;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(systemCursor(shape));
    if (!cursor) {
        return false;
    }
    SDL_SetCursor(cursor);
    // SDL ignores cursors it no longer knows, such as ours after video was restarted.
    if (g_cursor) {
        SDL_FreeCursor(g_cursor);
    }
    g_cursor = cursor;
    return true;
}

void showCursor() {
    if (SDL_WasInit(SDL_INIT_VIDEO) && inUse()) {
        SDL_ShowCursor(SDL_ENABLE);
    }
}

} // namespace MacPlatform::Display::SDL
