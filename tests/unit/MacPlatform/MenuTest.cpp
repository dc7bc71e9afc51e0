#include <Carbon/CarbonEvents.h>
#include <Carbon/Menus.h>

#include "HIToolbox/Menu.h"
#include "HIToolbox/DisplayEvents.h"
#include "HIToolbox/MenuKeyEquivalent.h"
#include "HIToolbox/NibModel.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace MacPlatform;

namespace {

constexpr MenuCommand kFindNext = 0x666E7874; // 'fnxt'

// The sample's items name only the fields that matter; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// Game: About, -, Save (Ctrl+S), Save As (Ctrl+Shift+S), Close (disabled, Ctrl+W), Quit
// (Ctrl+Q); Edit: Find > [Find Next (Ctrl+Option+G)], Copy (Ctrl+C).
NibMenuBar sampleBar() {
    NibMenuItem findNext{
        .title = "Find Next", .command = kFindNext, .key = 'G', .modifiers = kMenuOptionModifier};
    return {{{"Game",
              {{.title = "About", .command = kHICommandAbout},
               {.separator = true},
               {.title = "Save", .command = kHICommandSave, .key = 'S'},
               {.title = "Save As",
                .command = kHICommandSaveAs,
                .key = 'S',
                .modifiers = kMenuShiftModifier},
               {.title = "Close", .enabled = false, .command = kHICommandClose, .key = 'W'},
               {.title = "Quit", .command = kHICommandQuit, .key = 'Q'}}},
             {"Edit",
              {{.title = "Find", .submenu = {findNext}, .hasSubmenu = true},
               {.title = "Copy", .command = kHICommandCopy, .key = 'C'}}}}};
}

// Installs the sample bar as root menu and removes it again.
class SampleMenuBar {
public:
    SampleMenuBar() {
        Menu* root = createRootMenu(sampleBar());
        setRootMenu(root);
        root->release();
    }
    ~SampleMenuBar() { setRootMenu(nullptr); }
};

struct ReceivedCommand {
    HICommand command;
    OSStatus readStatus;
    UInt16 itemsAfterMenuBarGone;
};

OSStatus recordCommand(EventHandlerCallRef, EventRef event, void* userData) {
    auto* received = static_cast<std::vector<ReceivedCommand>*>(userData);
    ReceivedCommand entry{};
    entry.readStatus = GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                         sizeof entry.command, nullptr, &entry.command);
    if (entry.command.commandID == kHICommandSave) {
        // A handler may replace the menu bar while it runs; the item's menu must stay readable.
        setRootMenu(nullptr);
        entry.itemsAfterMenuBarGone = CountMenuItems(entry.command.menu.menuRef);
    }
    received->push_back(entry);
    return entry.command.commandID == kHICommandQuit ? noErr : eventNotHandledErr;
}

} // namespace

TEST(Menu, RootMenuIsReferenceCountedAndSurvivesANewMenuBar) {
    SampleMenuBar bar;
    MenuRef root = AcquireRootMenu();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(GetMenuRetainCount(root), 2u) << "the program's own reference and ours";

    // A new menu bar replaces the root menu; the reference we hold stays usable.
    setRootMenu(nullptr);
    EXPECT_EQ(GetMenuRetainCount(root), 1u);
    EXPECT_EQ(CountMenuItems(root), 2);
    MenuRef game = nullptr;
    ASSERT_EQ(GetMenuItemHierarchicalMenu(root, 1, &game), noErr);
    EXPECT_EQ(CountMenuItems(game), 6);
    EXPECT_EQ(ReleaseMenu(root), noErr);

    // Gone now, and so are its submenus: both are refused rather than followed.
    EXPECT_EQ(ReleaseMenu(root), paramErr);
    EXPECT_EQ(CountMenuItems(game), 0);

    // Without a menu bar the program still has a root menu, an empty one.
    MenuRef empty = AcquireRootMenu();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(CountMenuItems(empty), 0);
    EXPECT_EQ(ReleaseMenu(empty), noErr);
}

TEST(Menu, ItemsAnswerTheirTextCommandsKeysAndStates) {
    SampleMenuBar bar;
    MenuRef root = AcquireRootMenu();
    MenuRef game = nullptr, edit = nullptr, findMenu = nullptr;
    ASSERT_EQ(GetMenuItemHierarchicalMenu(root, 1, &game), noErr);
    ASSERT_EQ(GetMenuItemHierarchicalMenu(root, 2, &edit), noErr);
    ASSERT_EQ(GetMenuItemHierarchicalMenu(edit, 1, &findMenu), noErr);

    CFStringRef text = nullptr;
    ASSERT_EQ(CopyMenuItemTextAsCFString(game, 4, &text), noErr);
    EXPECT_EQ(CFStringCompare(text, CFSTR("Save As"), 0), kCFCompareEqualTo);
    CFRelease(text);
    MenuCommand command = 0;
    UInt16 key = 0, virtualKey = 1;
    UInt8 modifiers = 0xFF;
    GetMenuItemCommandID(game, 4, &command);
    GetMenuItemCommandKey(game, 4, false, &key);
    GetMenuItemCommandKey(game, 4, true, &virtualKey); // no virtual key codes are kept
    GetMenuItemModifiers(game, 4, &modifiers);
    EXPECT_EQ((std::tuple{command, key, virtualKey, modifiers}),
              (std::tuple{MenuCommand(kHICommandSaveAs), UInt16('S'), UInt16(0),
                          UInt8(kMenuShiftModifier)}));
    EXPECT_TRUE(IsMenuItemEnabled(game, 4));
    EXPECT_FALSE(IsMenuItemEnabled(game, 5));
    MenuRef none = root;
    EXPECT_EQ(GetMenuItemHierarchicalMenu(game, 1, &none), noErr);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetMenuItemCommandID(game, 7, &command), menuItemNotFoundErr);
    EXPECT_EQ(GetMenuItemCommandID(game, 1, nullptr), paramErr);

    MenuRef found = nullptr;
    MenuItemIndex index = 0;
    ASSERT_EQ(GetIndMenuItemWithCommandID(nullptr, kFindNext, 1, &found, &index), noErr);
    EXPECT_EQ((std::pair{found, index}), (std::pair{findMenu, MenuItemIndex(1)}));
    EXPECT_EQ(ReleaseMenu(root), noErr);
}

TEST(Menu, KeyEquivalentsMatchCharacterAndModifiers) {
    SampleMenuBar bar;
    auto commandOf = [](UInt16 key, UInt32 modifiers) -> MenuCommand {
        auto match = findKeyEquivalent(key, modifiers);
        return match ? match->command : 0;
    };
    EXPECT_EQ(commandOf('q', cmdKey), static_cast<MenuCommand>(kHICommandQuit));
    EXPECT_EQ(commandOf('Q', controlKey), static_cast<MenuCommand>(kHICommandQuit))
        << "Ctrl is the Command key here";
    EXPECT_EQ(commandOf('q', 0), 0u) << "a plain key is typing, not a command";
    EXPECT_EQ(commandOf('q', cmdKey | optionKey), 0u) << "Option asks for another item";

    EXPECT_EQ(commandOf('s', cmdKey | shiftKey), static_cast<MenuCommand>(kHICommandSaveAs));
    EXPECT_EQ(commandOf('S', controlKey | rightShiftKey),
              static_cast<MenuCommand>(kHICommandSaveAs));
    EXPECT_EQ(commandOf('w', cmdKey), 0u) << "disabled items send nothing";
    EXPECT_EQ(commandOf('g', cmdKey | optionKey), kFindNext) << "submenus are searched";
    EXPECT_EQ(commandOf('g', cmdKey), 0u);

    auto match = findKeyEquivalent('c', cmdKey);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->item, 2);
    EXPECT_EQ(CountMenuItems(match->menu), 2);
}

TEST(Menu, KeyEquivalentSendsTheCommandAsAMenuChoiceWould) {
    SampleMenuBar bar;
    std::vector<ReceivedCommand> received;
    const EventTypeSpec commands[] = {{kEventClassCommand, kEventCommandProcess}};
    EventHandlerRef handler = nullptr;
    ASSERT_EQ(InstallEventHandler(GetApplicationEventTarget(), recordCommand, 1, commands,
                                  &received, &handler),
              noErr);

    EXPECT_EQ(processKeyEquivalent('q', cmdKey, nullptr), noErr) << "the handler took Quit";
    EXPECT_EQ(processKeyEquivalent('s', cmdKey, nullptr), eventNotHandledErr)
        << "the handler passed Save on";
    EXPECT_EQ(processKeyEquivalent('x', cmdKey, nullptr), eventNotHandledErr);
    EXPECT_EQ(processKeyEquivalent('q', 0, nullptr), eventNotHandledErr);
    EXPECT_EQ(processKeyEquivalent('x', cmdKey, nullptr), eventNotHandledErr)
        << "the menu bar is gone";
    EXPECT_EQ(processKeyEquivalent('q', cmdKey, nullptr), noErr)
        << "the application menu's Quit stays without a menu bar, as before one is set";
    // The desktop's request to quit is the Quit command too.
    MacPlatform::Display::Event quit;
    quit.type = MacPlatform::Display::EventType::Quit;
    EXPECT_EQ(MacPlatform::DisplayEvents::deliver(quit), noErr);
    ASSERT_EQ(received.size(), 4u) << "keys without an item send nothing";

    // Command, attributes (the last two were sent by no menu item of ours) and item.
    std::vector<std::tuple<UInt32, UInt32, MenuItemIndex>> sent;
    for (const ReceivedCommand& entry : received) {
        EXPECT_EQ(entry.readStatus, noErr);
        sent.emplace_back(entry.command.commandID, entry.command.attributes,
                          entry.command.attributes ? entry.command.menu.menuItemIndex : 0);
    }
    const UInt32 fromMenu = kHICommandFromMenu;
    EXPECT_EQ(sent, (decltype(sent){{kHICommandQuit, fromMenu, 6},
                                    {kHICommandSave, fromMenu, 3},
                                    {kHICommandQuit, 0, 0},
                                    {kHICommandQuit, 0, 0}}));
    EXPECT_EQ(received[1].itemsAfterMenuBarGone, 6);
    EXPECT_EQ(CountMenuItems(received[1].command.menu.menuRef), 0)
        << "released once the command was handled";

    EXPECT_EQ(RemoveEventHandler(handler), noErr);
}
