// Theme cursors shown as the desktop's own cursors through the display. The current theme
// cursor is kept also without a display, so that it is known when the first window appears.
#include "Cursor.h"
#include "Display/DisplayBackend.h"

#include <Carbon/Appearance.h>
#include <MacPlatformTesting.h>

#include <array>

namespace {

using MacPlatform::Display::CursorShape;

ThemeCursor g_themeCursor = kThemeArrowCursor;

constexpr std::array<CursorShape, kThemeNotAllowedCursor + 1> kShapes = {
    CursorShape::Arrow,           // arrow
    CursorShape::Arrow,           // copy arrow
    CursorShape::Arrow,           // alias arrow
    CursorShape::Arrow,           // contextual menu arrow
    CursorShape::IBeam,           // I-beam
    CursorShape::Crosshair,       // cross
    CursorShape::Crosshair,       // plus
    CursorShape::Wait,            // watch
    CursorShape::Move,            // closed hand: dragging
    CursorShape::Hand,            // open hand
    CursorShape::Hand,            // pointing hand
    CursorShape::Progress,        // counting up hand
    CursorShape::Progress,        // counting down hand
    CursorShape::Progress,        // counting up and down hand
    CursorShape::Progress,        // spinning
    CursorShape::ResizeLeftRight, // resize left
    CursorShape::ResizeLeftRight, // resize right
    CursorShape::ResizeLeftRight, // resize left and right
    CursorShape::NotAllowed       // not allowed
};

} // namespace

namespace MacPlatform {

void showThemeCursor() {
    Display::backend().setCursor(kShapes[g_themeCursor]);
}

} // namespace MacPlatform

using MacPlatform::showThemeCursor;

extern "C" {

void InitCursor(void) {
    g_themeCursor = kThemeArrowCursor;
    showThemeCursor();
    MacPlatform::Display::backend().showCursor();
}

OSStatus SetThemeCursor(ThemeCursor inCursor) {
    if (inCursor >= kShapes.size()) {
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
