#include "Menu.h"
#include "NibModel.h"

#include "CoreFoundation/CFStringObject.h"

#include <unordered_set>

namespace MacPlatform {

namespace {

// Menus alive now, so that a stale or foreign MenuRef is refused instead of followed.
std::unordered_set<const Menu*>& liveMenus() {
    static auto* menus = new std::unordered_set<const Menu*>;
    return *menus;
}

Menu* g_rootMenu = nullptr;

Menu* menuFromItems(const std::string& title, const std::vector<NibMenuItem>& items) {
    auto* menu = new Menu(title);
    for (const NibMenuItem& source : items) {
        Menu::Item item;
        item.title = source.title;
        item.separator = source.separator;
        item.enabled = source.enabled;
        item.command = source.command;
        item.key = source.key;
        item.modifiers = source.modifiers;
        if (source.hasSubmenu) {
            item.submenu = menuFromItems(source.title, source.submenu);
        }
        menu->appendItem(std::move(item));
    }
    return menu;
}

} // namespace

Menu::Menu(std::string title) : m_title(std::move(title)) {
    liveMenus().insert(this);
}

Menu::~Menu() {
    liveMenus().erase(this);
    for (Item& item : m_items) {
        if (item.submenu) {
            item.submenu->release();
        }
    }
}

Menu* Menu::fromRef(MenuRef ref) {
    auto* menu = reinterpret_cast<Menu*>(ref);
    return menu && liveMenus().count(menu) ? menu : nullptr;
}

void Menu::release() {
    if (--m_retainCount == 0) {
        delete this;
    }
}

const Menu::Item* Menu::item(MenuItemIndex index) const {
    if (index < 1 || index > m_items.size()) {
        return nullptr;
    }
    return &m_items[index - 1];
}

void Menu::appendItem(Item item) {
    m_items.push_back(std::move(item));
}

Menu* createRootMenu(const NibMenuBar& bar) {
    auto* root = new Menu("");
    for (const NibMenu& source : bar.menus) {
        Menu::Item item;
        item.title = source.title;
        item.submenu = menuFromItems(source.title, source.items);
        root->appendItem(std::move(item));
    }
    return root;
}

void setRootMenu(Menu* root) {
    if (root) {
        root->retain();
    }
    Menu* old = g_rootMenu;
    g_rootMenu = root;
    if (old) {
        old->release();
    }
}

Menu* rootMenu() {
    return g_rootMenu;
}

} // namespace MacPlatform

using MacPlatform::Menu;

namespace {

// The item of a menu reference, with the status that says why there is none.
OSStatus findItem(MenuRef ref, MenuItemIndex index, const Menu::Item** out) {
    Menu* menu = Menu::fromRef(ref);
    if (!menu) {
        return paramErr;
    }
    *out = menu->item(index);
    return *out ? noErr : menuItemNotFoundErr;
}

bool findCommand(Menu* menu, MenuCommand command, UInt32& remaining, MenuRef* outMenu,
                 MenuItemIndex* outIndex) {
    const auto& items = menu->items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i].separator && items[i].command == command && --remaining == 0) {
            if (outMenu) {
                *outMenu = menu->ref();
            }
            if (outIndex) {
                *outIndex = static_cast<MenuItemIndex>(i + 1);
            }
            return true;
        }
        if (items[i].submenu &&
            findCommand(items[i].submenu, command, remaining, outMenu, outIndex)) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" {

MenuRef AcquireRootMenu(void) {
    if (!MacPlatform::rootMenu()) {
        // Before any menu bar was set the program still has a root menu, an empty one.
        Menu* empty = new Menu("");
        MacPlatform::setRootMenu(empty);
        empty->release();
    }
    Menu* root = MacPlatform::rootMenu();
    root->retain();
    return root->ref();
}

OSStatus RetainMenu(MenuRef inMenu) {
    Menu* menu = Menu::fromRef(inMenu);
    if (!menu) {
        return paramErr;
    }
    menu->retain();
    return noErr;
}

OSStatus ReleaseMenu(MenuRef inMenu) {
    Menu* menu = Menu::fromRef(inMenu);
    if (!menu) {
        return paramErr;
    }
    menu->release();
    return noErr;
}

ItemCount GetMenuRetainCount(MenuRef inMenu) {
    Menu* menu = Menu::fromRef(inMenu);
    return menu ? menu->retainCount() : 0;
}

UInt16 CountMenuItems(MenuRef inMenu) {
    Menu* menu = Menu::fromRef(inMenu);
    return menu ? static_cast<UInt16>(menu->items().size()) : 0;
}

OSStatus CopyMenuTitleAsCFString(MenuRef inMenu, CFStringRef* outString) {
    Menu* menu = Menu::fromRef(inMenu);
    if (!menu || !outString) {
        return paramErr;
    }
    *outString = MacPlatform::createString(menu->title());
    return noErr;
}

OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem, CFStringRef* outString) {
    const Menu::Item* item = nullptr;
    OSStatus status = outString ? findItem(inMenu, inItem, &item) : paramErr;
    if (status == noErr) {
        *outString = MacPlatform::createString(item->title);
    }
    return status;
}

OSStatus GetMenuItemCommandID(MenuRef inMenu, MenuItemIndex inItem, MenuCommand* outCommandID) {
    const Menu::Item* item = nullptr;
    OSStatus status = outCommandID ? findItem(inMenu, inItem, &item) : paramErr;
    if (status == noErr) {
        *outCommandID = item->command;
    }
    return status;
}

OSStatus GetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem, MenuRef* outHierMenu) {
    const Menu::Item* item = nullptr;
    OSStatus status = outHierMenu ? findItem(inMenu, inItem, &item) : paramErr;
    if (status == noErr) {
        *outHierMenu = item->submenu ? item->submenu->ref() : nullptr;
    }
    return status;
}

OSStatus GetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem, Boolean inGetVirtualKey,
                               UInt16* outKey) {
    const Menu::Item* item = nullptr;
    OSStatus status = outKey ? findItem(inMenu, inItem, &item) : paramErr;
    if (status == noErr) {
        // Nib items name characters, never virtual key codes.
        *outKey = inGetVirtualKey ? 0 : item->key;
    }
    return status;
}

OSStatus GetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem, UInt8* outModifiers) {
    const Menu::Item* item = nullptr;
    OSStatus status = outModifiers ? findItem(inMenu, inItem, &item) : paramErr;
    if (status == noErr) {
        *outModifiers = item->modifiers;
    }
    return status;
}

Boolean IsMenuItemEnabled(MenuRef inMenu, MenuItemIndex inItem) {
    const Menu::Item* item = nullptr;
    return findItem(inMenu, inItem, &item) == noErr && item->enabled;
}

OSStatus GetIndMenuItemWithCommandID(MenuRef inMenu, MenuCommand inCommandID, UInt32 inItemIndex,
                                     MenuRef* outMenu, MenuItemIndex* outIndex) {
    Menu* menu = inMenu ? Menu::fromRef(inMenu) : MacPlatform::rootMenu();
    if ((inMenu && !menu) || inItemIndex == 0) {
        return paramErr;
    }
    UInt32 remaining = inItemIndex;
    if (!menu || !findCommand(menu, inCommandID, remaining, outMenu, outIndex)) {
        return menuItemNotFoundErr;
    }
    return noErr;
}

} // extern "C"
