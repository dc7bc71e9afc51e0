// The contents of a nib file: an XML property list naming menu bars and windows. Parsing is
// pure (bytes in, model or a readable error out) so that damaged files can be tried without
// touching any other state. docs/nib-format.md describes the format for publishers.
#pragma once

#include <Carbon/HIToolboxTypes.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace MacPlatform {

constexpr long kNibFormatVersion = 1;

// Modifier bits of a key equivalent, with the values of GetMenuItemModifiers. The Command key
// is always part of a key equivalent; on Linux it is Ctrl or Super.
enum : UInt8 { kNibShiftModifier = 1 << 0, kNibOptionModifier = 1 << 1 };

struct NibMenu;

struct NibMenuItem {
    std::string title;
    bool separator = false;
    bool enabled = true;
    FourCharCode command = 0;
    // The key equivalent as a character (upper case for letters); 0 for none.
    UInt16 key = 0;
    UInt8 modifiers = 0;
    // Items of a submenu; empty for a plain item.
    std::vector<NibMenuItem> submenu;
    bool hasSubmenu = false;
};

struct NibMenu {
    std::string title;
    std::vector<NibMenuItem> items;
};

struct NibMenuBar {
    std::vector<NibMenu> menus;
};

// Window attributes, with the values of the window attribute bits of the Mac.
enum : UInt32 {
    kNibWindowCloseBox = 1u << 0,
    kNibWindowFullZoom = (1u << 1) | (1u << 2),
    kNibWindowCollapseBox = 1u << 3,
    kNibWindowResizable = 1u << 4,
    kNibWindowCompositing = 1u << 19,
    kNibWindowStandardHandler = 1u << 25,
    kNibWindowLiveResize = 1u << 28
};

// Window classes, with the values of the Mac's window classes.
enum : UInt32 { kNibMovableModalWindow = 4, kNibDocumentWindow = 6, kNibPlainWindow = 13 };

struct NibControlID {
    OSType signature = 0;
    SInt32 id = 0;
};

enum class NibViewKind { scrollView, textView, pushButton, staticText };

struct NibView {
    NibViewKind kind = NibViewKind::staticText;
    // In the parent's coordinates: the window's content area or the enclosing view.
    HIRect frame{};
    std::optional<NibControlID> controlID;
    // Push buttons and static texts.
    std::string title;
    // Push buttons: the command sent when clicked, and whether Return or Escape click it.
    FourCharCode command = 0;
    bool isDefault = false;
    bool isCancel = false;
    std::vector<NibView> subviews;
};

struct NibWindowDescription {
    std::string title;
    UInt32 windowClass = kNibDocumentWindow;
    UInt32 attributes = 0;
    // Content size in pixels.
    int width = 0;
    int height = 0;
    std::vector<NibView> views;
};

using NibObject = std::variant<NibMenuBar, NibWindowDescription>;

struct NibModel {
    std::map<std::string, NibObject, std::less<>> objects;

    const NibMenuBar* menuBar(std::string_view name) const;
    const NibWindowDescription* window(std::string_view name) const;
    bool contains(std::string_view name) const { return objects.find(name) != objects.end(); }
};

// Files larger than this are not nibs but accidents.
constexpr size_t kMaxNibFileSize = 4 * 1024 * 1024;

// The model held in the bytes, or nothing with error set to where and why it failed
// (for example "Objects.MainWindow.Width: expected an integer from 1 to 16384").
std::optional<NibModel> parseNib(std::string_view bytes, std::string& error);

// A four-character code from exactly four characters of MacRoman-compatible ASCII.
std::optional<FourCharCode> fourCharCodeFromString(std::string_view text);

} // namespace MacPlatform
