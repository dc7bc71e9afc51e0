// Key equivalents of the menu bar's items. Linux has no menu bar to show them, so the keyboard
// code asks here and the command goes out exactly as a menu choice would send it.
#pragma once

#include <Carbon/CarbonEvents.h>
#include <Carbon/Menus.h>

#include <optional>

namespace MacPlatform {

struct KeyEquivalentMatch {
    MenuRef menu;
    MenuItemIndex item;
    MenuCommand command;
};

// The first enabled item of the root menu's menus (depth first, in order) whose key equivalent
// is the character with these Mac modifier bits. The Mac's Command key is Ctrl or Super on Linux,
// so cmdKey or controlKey must be held; Shift and Option must be exactly what the item asks for.
// Letters match in either case. Without such an item, Command-Q is the application menu's
// Quit (no menu, item 0, kHICommandQuit), which the Mac shows from start-up on.
std::optional<KeyEquivalentMatch> findKeyEquivalent(UInt16 character, UInt32 modifiers);

// Sends the matching item's command as kEventCommandProcess (an HICommand from the menu) to
// target, or to the application when target is null. eventNotHandledErr when no item matches,
// otherwise what the handlers answered.
OSStatus processKeyEquivalent(UInt16 character, UInt32 modifiers, EventTargetRef target);

} // namespace MacPlatform
