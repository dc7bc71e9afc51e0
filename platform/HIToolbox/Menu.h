// The object behind a MenuRef, and the program's root menu.
#pragma once

#include <Carbon/Menus.h>

#include <string>
#include <vector>

namespace MacPlatform {

struct NibMenuBar;

class Menu {
public:
    struct Item {
        std::string title;
        bool separator = false;
        bool enabled = true;
        MenuCommand command = 0;
        UInt16 key = 0;
        UInt8 modifiers = kMenuNoModifiers;
        // Owned: one reference, given back when the item goes.
        Menu* submenu = nullptr;
    };

    explicit Menu(std::string title);

    // The menu behind a reference, or null when the reference is null or not a live menu.
    static Menu* fromRef(MenuRef ref);
    MenuRef ref() { return reinterpret_cast<MenuRef>(this); }

    void retain() { ++m_retainCount; }
    // Deletes the menu, and releases its submenus, when this was the last reference.
    void release();
    ItemCount retainCount() const { return m_retainCount; }

    const std::string& title() const { return m_title; }
    const std::vector<Item>& items() const { return m_items; }
    // The item numbered index (from 1), or null.
    const Item* item(MenuItemIndex index) const;
    // Takes over the submenu reference of the item.
    void appendItem(Item item);

private:
    ~Menu();

    ItemCount m_retainCount = 1;
    std::string m_title;
    std::vector<Item> m_items;
};

// A new root menu (one reference for the caller) holding the bar's menus as submenus.
Menu* createRootMenu(const NibMenuBar& bar);
// Makes root the program's root menu; the root menu keeps its own reference.
void setRootMenu(Menu* root);
// The current root menu without a new reference, or null before any menu bar was set.
Menu* rootMenu();

} // namespace MacPlatform
