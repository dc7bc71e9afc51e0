#include "StoreInput.h"

#include <optional>

namespace Storefront {

namespace {

std::optional<StoreKey> keyForCode(UInt32 code) {
    switch (code) {
    case MacKey::kLeftArrow:
        return StoreKey::Left;
    case MacKey::kRightArrow:
        return StoreKey::Right;
    case MacKey::kUpArrow:
        return StoreKey::Up;
    case MacKey::kDownArrow:
        return StoreKey::Down;
    case MacKey::kReturn:
    case MacKey::kEnter:
    case MacKey::kSpace:
        return StoreKey::Activate;
    case MacKey::kEscape:
        return StoreKey::Cancel;
    case MacKey::kTab:
        return StoreKey::Next;
    default:
        return std::nullopt;
    }
}

// Events made by other code may carry only the character; these are the Mac's characters of
// the same keys.
std::optional<StoreKey> keyForCharacter(char character) {
    switch (static_cast<unsigned char>(character)) {
    case 0x1C:
        return StoreKey::Left;
    case 0x1D:
        return StoreKey::Right;
    case 0x1E:
        return StoreKey::Up;
    case 0x1F:
        return StoreKey::Down;
    case '\r':
    case 0x03:
    case ' ':
        return StoreKey::Activate;
    case 0x1B:
        return StoreKey::Cancel;
    case '\t':
        return StoreKey::Next;
    default:
        return std::nullopt;
    }
}

StoreInput translateKey(EventRef event) {
    UInt32 kind = GetEventKind(event);
    if (kind != kEventRawKeyDown && kind != kEventRawKeyRepeat) {
        return {};
    }
    std::optional<StoreKey> key;
    UInt32 code = 0;
    if (GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof code, nullptr,
                          &code) == noErr) {
        key = keyForCode(code);
    } else {
        char character = 0;
        if (GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr,
                              sizeof character, nullptr, &character) == noErr) {
            key = keyForCharacter(character);
        }
    }
    if (!key) {
        return {};
    }
    StoreInput input;
    input.kind = StoreInput::Kind::Key;
    input.key = *key;
    return input;
}

StoreInput translateMouse(EventRef event) {
    StoreInput input;
    switch (GetEventKind(event)) {
    case kEventMouseDown:
    case kEventMouseUp: {
        // Only the primary button clicks; the pointer position comes from the launcher's
        // separate position call, already in frame coordinates.
        EventMouseButton button = kEventMouseButtonPrimary;
        GetEventParameter(event, kEventParamMouseButton, typeMouseButton, nullptr, sizeof button,
                          nullptr, &button);
        if (button == kEventMouseButtonPrimary) {
            input.kind = GetEventKind(event) == kEventMouseDown ? StoreInput::Kind::MouseDown
                                                                : StoreInput::Kind::MouseUp;
        }
        break;
    }
    case kEventMouseWheelMoved: {
        EventMouseWheelAxis axis = kEventMouseWheelAxisY;
        SInt32 delta = 0;
        GetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, nullptr,
                          sizeof axis, nullptr, &axis);
        if (axis == kEventMouseWheelAxisY &&
            GetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, nullptr, sizeof delta,
                              nullptr, &delta) == noErr &&
            delta != 0) {
            input.kind = StoreInput::Kind::Wheel;
            input.wheelRows = delta;
        }
        break;
    }
    default:
        break;
    }
    return input;
}

} // namespace

StoreInput translateEvent(EventRef event) {
    if (!event) {
        return {};
    }
    switch (GetEventClass(event)) {
    case kEventClassKeyboard:
        return translateKey(event);
    case kEventClassMouse:
        return translateMouse(event);
    default:
        return {};
    }
}

} // namespace Storefront
