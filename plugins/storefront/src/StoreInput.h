// The launcher's Carbon events as the few things the storefront reacts to. Events are read only
// through GetEventClass, GetEventKind and GetEventParameter.
#pragma once

#include <Carbon/CarbonEvents.h>

namespace Storefront {

enum class StoreKey { Left, Right, Up, Down, Activate, Cancel, Next };

struct StoreInput {
    enum class Kind { Ignored, Key, MouseDown, MouseUp, Wheel };
    Kind kind = Kind::Ignored;
    StoreKey key = StoreKey::Cancel;
    int wheelRows = 0; // positive scrolls towards the top of the list, as the Mac's wheel delta
};

// Mac virtual key codes of the keys the storefront uses.
namespace MacKey {
inline constexpr UInt32 kReturn = 0x24;
inline constexpr UInt32 kTab = 0x30;
inline constexpr UInt32 kSpace = 0x31;
inline constexpr UInt32 kEscape = 0x35;
inline constexpr UInt32 kEnter = 0x4C;
inline constexpr UInt32 kLeftArrow = 0x7B;
inline constexpr UInt32 kRightArrow = 0x7C;
inline constexpr UInt32 kDownArrow = 0x7D;
inline constexpr UInt32 kUpArrow = 0x7E;
} // namespace MacKey

// Ignored for every event the storefront has no use for, including the launcher's own draw and
// hit-test events and key-up events.
StoreInput translateEvent(EventRef event);

} // namespace Storefront
