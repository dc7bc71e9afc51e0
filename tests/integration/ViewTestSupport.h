// What the window controller's tests share: the start page's geometry and the colours of the
// pictures LauncherTestBundle writes, and checks of the main window's pixels. The tests run the
// launcher (LauncherRun.h) and work on its view object once the main window shows.
#pragma once

#include "GWTask.h"
#include "GameWrapperView.h"
#include "KX_APIFunctionsMac.h"
#include "LauncherRun.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace ViewTest {

using namespace LauncherTest;
using GameWrapperTest::near;

// The pictures LauncherTestBundle writes.
constexpr UInt32 kBackground = 0x203060;
constexpr UInt32 kButtonNormal = 0x808080;
constexpr UInt32 kButtonHover = 0xE0E000;
constexpr UInt32 kButtonPressed = 0xC00000;
constexpr UInt32 kBrandingLeft = 0xE0A020;
// 110 pixels wide buttons sit 6 pixels into their 122-pixel slots.
constexpr int kButtonTop = 465;
constexpr int kOtherGamesLeft = 583;
constexpr int kPlayGameLeft = 458;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;

inline UInt32 pixelAt(int x, int y) {
    return LauncherTest::windowPixels()[static_cast<size_t>(y) * 720 + x];
}

// A pixel the page should show: its place, its colour (0xRRGGBB) and what it is.
struct Probe {
    int x;
    int y;
    UInt32 colour;
    const char* what;
};
// Each probe's pixel within a JPEG's rounding of its colour.
inline void checkPixels(GameWrapperTest::ChildChecks& checks, std::initializer_list<Probe> probes) {
    std::vector<UInt32> pixels = LauncherTest::windowPixels();
    for (const Probe& probe : probes) {
        UInt32 actual = pixels[static_cast<size_t>(probe.y) * 720 + probe.x];
        char line[160];
        std::snprintf(line, sizeof line, "%s at (%d, %d): expected %06X, got %06X", probe.what,
                      probe.x, probe.y, probe.colour, actual);
        checks.check(near(actual, probe.colour), line);
    }
}

} // namespace ViewTest
