// Menus as the nib's menu bar makes them. Linux windows have no global menu bar: the menus
// exist for their commands and key equivalents, which arrive as kEventCommandProcess.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CFString.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kMenuNoModifiers = 0,
    kMenuShiftModifier = 1 << 0,
    kMenuOptionModifier = 1 << 1,
    kMenuControlModifier = 1 << 2,
    kMenuNoCommandModifier = 1 << 3
};

// Constants rather than enumerators in C++, so that `found ? noErr : menuItemNotFoundErr` is
// one type.
#ifdef __cplusplus
constexpr OSStatus menuPropertyNotFoundErr = -5603;
constexpr OSStatus menuItemNotFoundErr = -5620;
constexpr OSStatus menuNotFoundErr = -5623;
#else
enum { menuPropertyNotFoundErr = -5603, menuItemNotFoundErr = -5620, menuNotFoundErr = -5623 };
#endif

// The root menu: its items are the menu bar's menus, each with its menu as submenu. The caller
// owns one reference and gives it back with ReleaseMenu.
MenuRef AcquireRootMenu(void);
OSStatus RetainMenu(MenuRef inMenu);
OSStatus ReleaseMenu(MenuRef inMenu);
ItemCount GetMenuRetainCount(MenuRef inMenu);

// Items are numbered from 1.
UInt16 CountMenuItems(MenuRef inMenu);
OSStatus CopyMenuTitleAsCFString(MenuRef inMenu, CFStringRef* outString);
OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem, CFStringRef* outString);
OSStatus GetMenuItemCommandID(MenuRef inMenu, MenuItemIndex inItem, MenuCommand* outCommandID);
// The item's submenu (Get rule), or null when it has none.
OSStatus GetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem, MenuRef* outHierMenu);
// The character of the key equivalent, 0 for none. Virtual key codes are not kept.
OSStatus GetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem, Boolean inGetVirtualKey,
                               UInt16* outKey);
OSStatus GetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem, UInt8* outModifiers);
Boolean IsMenuItemEnabled(MenuRef inMenu, MenuItemIndex inItem);
// The inItemIndex-th (from 1) item, searching submenus too, whose command is inCommandID.
OSStatus GetIndMenuItemWithCommandID(MenuRef inMenu, MenuCommand inCommandID, UInt32 inItemIndex,
                                     MenuRef* outMenu, MenuItemIndex* outIndex);

#ifdef __cplusplus
}
#endif
