// What the display code needs from the theme cursors.
#pragma once

namespace MacPlatform {

// Shows the current theme cursor if the display is up. The display code calls it once video has
// started, since a cursor chosen before then could not be shown yet.
void showThemeCursor();

} // namespace MacPlatform
