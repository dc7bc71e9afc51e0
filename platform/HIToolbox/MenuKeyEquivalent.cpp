#include "MenuKeyEquivalent.h"
#include "Menu.h"

namespace MacPlatform {

namespace {

UInt16 upperCase(UInt16 character) {
    return character >= 'a' && character <= 'z' ? static_cast<UInt16>(character - 'a' + 'A')
                                                : character;
}

std::optional<KeyEquivalentMatch> search(Menu* menu, UInt16 key, UInt8 modifiers) {
    const auto& items = menu->items();
    for (size_t i = 0; i < items.size(); ++i) {
        const Menu::Item& item = items[i];
        if (item.separator || !item.enabled) {
            continue;
        }
        if (item.key == key && item.modifiers == modifiers) {
            return KeyEquivalentMatch{menu->ref(), static_cast<MenuItemIndex>(i + 1), item.command};
        }
        if (item.submenu) {
            if (auto found = search(item.submenu, key, modifiers)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<KeyEquivalentMatch> findKeyEquivalent(UInt16 character, UInt32 modifiers) {
    if (character == 0 || !(modifiers & (cmdKey | controlKey | rightControlKey))) {
        return std::nullopt;
    }
    UInt8 wanted = kMenuNoModifiers;
    if (modifiers & (shiftKey | rightShiftKey)) {
        wanted |= kMenuShiftModifier;
    }
    if (modifiers & (optionKey | rightOptionKey)) {
        wanted |= kMenuOptionModifier;
    }
    if (Menu* root = rootMenu()) {
        if (auto found = search(root, upperCase(character), wanted)) {
            return found;
        }
    }
    // The application menu is there from start-up on, before any menu bar is set, and its
    // Quit answers Command-Q whatever the menu bar holds.
    if (upperCase(character) == 'Q' && wanted == kMenuNoModifiers) {
        return KeyEquivalentMatch{nullptr, 0, kHICommandQuit};
    }
    return std::nullopt;
}

OSStatus processKeyEquivalent(UInt16 character, UInt32 modifiers, EventTargetRef target) {
    std::optional<KeyEquivalentMatch> match = findKeyEquivalent(character, modifiers);
    if (!match) {
        return eventNotHandledErr;
    }
    // Handlers may rebuild the menu bar while the command runs; the item's menu stays alive.
    if (match->menu) {
        RetainMenu(match->menu);
    }
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0,
                                  kEventAttributeNone, &event);
    if (status == noErr) {
        HICommand command{};
        command.attributes = match->menu ? kHICommandFromMenu : 0;
        command.commandID = match->command;
        command.menu.menuRef = match->menu;
        command.menu.menuItemIndex = match->item;
        status = SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command,
                                   &command);
        if (status == noErr) {
            status = SendEventToEventTarget(event, target ? target : GetApplicationEventTarget());
        }
        ReleaseEvent(event);
    }
    if (match->menu) {
        ReleaseMenu(match->menu);
    }
    return status;
}

} // namespace MacPlatform
