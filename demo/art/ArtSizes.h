// Sizes and shared colours of the demo bundle's pictures. The launcher places them itself: the
// background fills its 720 x 540 page, the buttons sit in 122-pixel slots at y 465, and the
// branding picture goes where the game information's "Brand X=" and "Brand Y=" say.
#pragma once

namespace DemoArt {

constexpr int kPageWidth = 720;
constexpr int kPageHeight = 540;

// Narrower than the launcher's 122-pixel slot, so each button is centred in its slot with a
// little room on either side; tall enough for the launcher's 15-point label.
constexpr int kButtonWidth = 112;
constexpr int kButtonHeight = 36;

// The bundle's icon: one of the sizes the desktop's icon theme has folders for.
constexpr int kIconSize = 256;

constexpr int kBrandingWidth = 400;
constexpr int kBrandingHeight = 110;

// The flat ground under the buttons: the button pictures fill their rounded corners with it,
// so the rectangular JPEGs sit on the page without a visible edge.
constexpr double kGroundRed = 14 / 255.0;
constexpr double kGroundGreen = 13 / 255.0;
constexpr double kGroundBlue = 27 / 255.0;
// Where the flat ground starts on the page.
constexpr int kGroundTop = 452;

} // namespace DemoArt
