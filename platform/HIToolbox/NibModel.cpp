#include "NibModel.h"

#include "CoreFoundation/CFStringObject.h"
#include "CoreFoundation/PropertyList.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFNumber.h>

#include <cstdint>
#include <memory>

namespace MacPlatform {

namespace {

constexpr long kMaxWindowSide = 16384;
// Menus and views nest this deep at most: deeper files are damaged or hostile.
constexpr int kMaxNesting = 16;

struct CFReleaser {
    void operator()(const void* cf) const { CFRelease(cf); }
};

// Thrown only inside this file, to unwind a failed parse to parseNib with its message.
struct NibError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw NibError{where + ": " + what};
}

CFDictionaryRef asDictionary(CFTypeRef value, const std::string& where) {
    if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) {
        fail(where, "expected a dictionary");
    }
    return static_cast<CFDictionaryRef>(value);
}

CFArrayRef asArray(CFTypeRef value, const std::string& where) {
    if (!value || CFGetTypeID(value) != CFArrayGetTypeID()) {
        fail(where, "expected an array");
    }
    return static_cast<CFArrayRef>(value);
}

// One dictionary of the file, read key by key with the path of the key in every error.
class Fields {
public:
    Fields(CFTypeRef value, std::string path)
        : m_dict(asDictionary(value, path)), m_path(std::move(path)) {}

    std::string pathOf(const char* key) const { return m_path + "." + key; }
    const std::string& path() const { return m_path; }

    CFTypeRef value(const char* key) const {
        CFStringRef cfKey = createString(key);
        CFTypeRef found = CFDictionaryGetValue(m_dict, cfKey);
        CFRelease(cfKey);
        return found;
    }
    bool has(const char* key) const { return value(key) != nullptr; }

    CFTypeRef required(const char* key) const {
        CFTypeRef found = value(key);
        if (!found) {
            fail(pathOf(key), "missing");
        }
        return found;
    }

    std::string string(const char* key, bool needed) const {
        CFTypeRef found = needed ? required(key) : value(key);
        if (!found) {
            return {};
        }
        if (CFGetTypeID(found) != CFStringGetTypeID()) {
            fail(pathOf(key), "expected a string");
        }
        return stringText(static_cast<CFStringRef>(found));
    }

    bool boolean(const char* key, bool fallback) const {
        CFTypeRef found = value(key);
        if (!found) {
            return fallback;
        }
        if (CFGetTypeID(found) != CFBooleanGetTypeID()) {
            fail(pathOf(key), "expected <true/> or <false/>");
        }
        return CFBooleanGetValue(static_cast<CFBooleanRef>(found));
    }

    long integer(const char* key, long low, long high) const {
        CFTypeRef found = required(key);
        std::string range =
            "expected an integer from " + std::to_string(low) + " to " + std::to_string(high);
        if (CFGetTypeID(found) != CFNumberGetTypeID() ||
            CFNumberIsFloatType(static_cast<CFNumberRef>(found))) {
            fail(pathOf(key), range);
        }
        SInt64 number = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(found), kCFNumberSInt64Type, &number);
        if (number < low || number > high) {
            fail(pathOf(key), range);
        }
        return static_cast<long>(number);
    }

    FourCharCode code(const char* key, bool needed) const {
        CFTypeRef found = needed ? required(key) : value(key);
        if (!found) {
            return 0;
        }
        std::string text = string(key, true);
        std::optional<FourCharCode> code = fourCharCodeFromString(text);
        if (!code) {
            fail(pathOf(key), "expected four ASCII characters, got \"" + text + "\"");
        }
        return *code;
    }

    // Applies read(element, path) to each element of the array under key.
    template <typename Read> void forEach(const char* key, bool needed, Read read) const {
        CFTypeRef found = needed ? required(key) : value(key);
        if (!found) {
            return;
        }
        CFArrayRef array = asArray(found, pathOf(key));
        CFIndex count = CFArrayGetCount(array);
        for (CFIndex i = 0; i < count; ++i) {
            read(CFArrayGetValueAtIndex(array, i), pathOf(key) + "[" + std::to_string(i) + "]");
        }
    }

private:
    CFDictionaryRef m_dict;
    std::string m_path;
};

// The key equivalent: one character, stored upper case so that "q" and "Q" name the same key.
UInt16 keyFrom(const std::string& text, const std::string& where) {
    CFStringRef string = createString(text);
    CFIndex length = CFStringGetLength(string);
    UniChar unit = length == 1 ? CFStringGetCharacterAtIndex(string, 0) : 0;
    CFRelease(string);
    if (length != 1 || unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF) || unit == 0x7F) {
        fail(where, "expected one printable character");
    }
    if (unit >= 'a' && unit <= 'z') {
        unit = static_cast<UniChar>(unit - 'a' + 'A');
    }
    return unit;
}

UInt8 modifiersFrom(const Fields& item) {
    UInt8 modifiers = 0;
    item.forEach("Modifiers", false, [&](CFTypeRef value, const std::string& where) {
        if (!value || CFGetTypeID(value) != CFStringGetTypeID()) {
            fail(where, "expected a string");
        }
        const std::string& name = stringText(static_cast<CFStringRef>(value));
        if (name == "shift") {
            modifiers |= kNibShiftModifier;
        } else if (name == "option") {
            modifiers |= kNibOptionModifier;
        } else {
            fail(where, "unknown modifier \"" + name + "\" (shift or option)");
        }
    });
    return modifiers;
}

std::vector<NibMenuItem> itemsFrom(const Fields& menu, int depth);

NibMenuItem itemFrom(CFTypeRef value, const std::string& where, int depth) {
    Fields fields(value, where);
    NibMenuItem item;
    item.separator = fields.boolean("Separator", false);
    if (item.separator) {
        return item;
    }
    item.title = fields.string("Title", true);
    item.enabled = fields.boolean("Enabled", true);
    item.command = fields.code("Command", false);
    if (fields.has("Key")) {
        item.key = keyFrom(fields.string("Key", true), fields.pathOf("Key"));
        item.modifiers = modifiersFrom(fields);
    } else if (fields.has("Modifiers")) {
        fail(fields.pathOf("Modifiers"), "modifiers without a Key");
    }
    if (fields.has("Items")) {
        if (depth >= kMaxNesting) {
            fail(fields.pathOf("Items"), "submenus nested too deep");
        }
        item.hasSubmenu = true;
        item.submenu = itemsFrom(fields, depth + 1);
    }
    return item;
}

std::vector<NibMenuItem> itemsFrom(const Fields& menu, int depth) {
    std::vector<NibMenuItem> items;
    menu.forEach("Items", true, [&](CFTypeRef value, const std::string& where) {
        items.push_back(itemFrom(value, where, depth));
    });
    return items;
}

NibMenuBar menuBarFrom(const Fields& object) {
    NibMenuBar bar;
    object.forEach("Menus", true, [&](CFTypeRef value, const std::string& where) {
        Fields menu(value, where);
        bar.menus.push_back(NibMenu{menu.string("Title", true), itemsFrom(menu, 1)});
    });
    return bar;
}

HIRect frameFrom(const Fields& view) {
    Fields frame(view.required("Frame"), view.pathOf("Frame"));
    HIRect rect;
    rect.origin.x = static_cast<CGFloat>(frame.integer("X", -kMaxWindowSide, kMaxWindowSide));
    rect.origin.y = static_cast<CGFloat>(frame.integer("Y", -kMaxWindowSide, kMaxWindowSide));
    rect.size.width = static_cast<CGFloat>(frame.integer("Width", 0, kMaxWindowSide));
    rect.size.height = static_cast<CGFloat>(frame.integer("Height", 0, kMaxWindowSide));
    return rect;
}

std::vector<NibView> viewsFrom(const Fields& parent, int depth);

NibView viewFrom(CFTypeRef value, const std::string& where, int depth) {
    Fields fields(value, where);
    NibView view;
    std::string kind = fields.string("Class", true);
    if (kind == "ScrollView") {
        view.kind = NibViewKind::scrollView;
    } else if (kind == "TextView") {
        view.kind = NibViewKind::textView;
    } else if (kind == "PushButton") {
        view.kind = NibViewKind::pushButton;
    } else if (kind == "StaticText") {
        view.kind = NibViewKind::staticText;
    } else {
        fail(fields.pathOf("Class"),
             "unknown view class \"" + kind + "\" (ScrollView, TextView, PushButton, StaticText)");
    }
    view.frame = frameFrom(fields);
    if (fields.has("ControlID")) {
        Fields id(fields.value("ControlID"), fields.pathOf("ControlID"));
        view.controlID = NibControlID{id.code("Signature", true),
                                      static_cast<SInt32>(id.integer("ID", INT32_MIN, INT32_MAX))};
    }
    if (view.kind == NibViewKind::pushButton) {
        view.title = fields.string("Title", true);
        view.command = fields.code("Command", true);
        view.isDefault = fields.boolean("Default", false);
        view.isCancel = fields.boolean("Cancel", false);
    } else if (view.kind == NibViewKind::staticText) {
        view.title = fields.string("Title", false);
    }
    if (fields.has("Subviews")) {
        if (view.kind != NibViewKind::scrollView) {
            fail(fields.pathOf("Subviews"), "only a ScrollView holds subviews");
        }
        if (depth >= kMaxNesting) {
            fail(fields.pathOf("Subviews"), "views nested too deep");
        }
        view.subviews = viewsFrom(fields, depth + 1);
    }
    return view;
}

std::vector<NibView> viewsFrom(const Fields& parent, int depth) {
    std::vector<NibView> views;
    const char* key = depth == 0 ? "Views" : "Subviews";
    parent.forEach(key, false, [&](CFTypeRef value, const std::string& where) {
        views.push_back(viewFrom(value, where, depth));
    });
    return views;
}

UInt32 windowClassFrom(const Fields& object) {
    if (!object.has("WindowClass")) {
        return kNibDocumentWindow;
    }
    std::string name = object.string("WindowClass", true);
    if (name == "document") {
        return kNibDocumentWindow;
    }
    if (name == "movableModal") {
        return kNibMovableModalWindow;
    }
    if (name == "plain") {
        return kNibPlainWindow;
    }
    fail(object.pathOf("WindowClass"),
         "unknown window class \"" + name + "\" (document, movableModal, plain)");
}

UInt32 attributesFrom(const Fields& object) {
    static const std::map<std::string, UInt32, std::less<>> names = {
        {"closeBox", kNibWindowCloseBox},       {"fullZoom", kNibWindowFullZoom},
        {"collapseBox", kNibWindowCollapseBox}, {"resizable", kNibWindowResizable},
        {"compositing", kNibWindowCompositing}, {"standardHandler", kNibWindowStandardHandler},
        {"liveResize", kNibWindowLiveResize}};
    UInt32 attributes = 0;
    object.forEach("Attributes", false, [&](CFTypeRef value, const std::string& where) {
        if (!value || CFGetTypeID(value) != CFStringGetTypeID()) {
            fail(where, "expected a string");
        }
        const std::string& name = stringText(static_cast<CFStringRef>(value));
        auto found = names.find(name);
        if (found == names.end()) {
            fail(where, "unknown window attribute \"" + name + "\"");
        }
        attributes |= found->second;
    });
    return attributes;
}

NibWindowDescription windowFrom(const Fields& object) {
    NibWindowDescription window;
    window.title = object.string("Title", false);
    window.windowClass = windowClassFrom(object);
    window.attributes = attributesFrom(object);
    window.width = static_cast<int>(object.integer("Width", 1, kMaxWindowSide));
    window.height = static_cast<int>(object.integer("Height", 1, kMaxWindowSide));
    window.views = viewsFrom(object, 0);
    return window;
}

NibModel modelFrom(CFTypeRef root) {
    Fields top(root, "nib");
    long version = top.integer("NibFormat", 0, INT32_MAX);
    if (version != kNibFormatVersion) {
        fail(top.pathOf("NibFormat"), "format " + std::to_string(version) +
                                          " is not supported (expected " +
                                          std::to_string(kNibFormatVersion) + ")");
    }
    CFDictionaryRef objects = asDictionary(top.required("Objects"), top.pathOf("Objects"));
    CFIndex count = CFDictionaryGetCount(objects);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(objects, keys.data(), values.data());
    NibModel model;
    for (CFIndex i = 0; i < count; ++i) {
        std::string name = stringText(static_cast<CFStringRef>(keys[static_cast<size_t>(i)]));
        Fields object(values[static_cast<size_t>(i)], "Objects." + name);
        std::string kind = object.string("Class", true);
        if (kind == "MenuBar") {
            model.objects.emplace(name, menuBarFrom(object));
        } else if (kind == "Window") {
            model.objects.emplace(name, windowFrom(object));
        } else {
            fail(object.pathOf("Class"), "unknown object class \"" + kind + "\" (MenuBar, Window)");
        }
    }
    return model;
}

} // namespace

const NibMenuBar* NibModel::menuBar(std::string_view name) const {
    auto found = objects.find(name);
    return found == objects.end() ? nullptr : std::get_if<NibMenuBar>(&found->second);
}

const NibWindowDescription* NibModel::window(std::string_view name) const {
    auto found = objects.find(name);
    return found == objects.end() ? nullptr : std::get_if<NibWindowDescription>(&found->second);
}

std::optional<FourCharCode> fourCharCodeFromString(std::string_view text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    FourCharCode code = 0;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) {
            return std::nullopt;
        }
        code = (code << 8) | byte;
    }
    return code;
}

std::optional<NibModel> parseNib(std::string_view bytes, std::string& error) {
    if (bytes.size() > kMaxNibFileSize) {
        error = "nib: larger than " + std::to_string(kMaxNibFileSize) + " bytes";
        return std::nullopt;
    }
    // XML forbids NUL characters, and libplist's XML reader keeps them inside strings, which
    // its own string accessor then refuses with an assertion that ends the process.
    bool binary = bytes.starts_with("bplist");
    if (!binary && bytes.find('\0') != std::string_view::npos) {
        error = "nib: a NUL byte in an XML property list";
        return std::nullopt;
    }
    std::unique_ptr<const void, CFReleaser> root(createPropertyList(bytes, false));
    if (!root) {
        error = "nib: not a property list";
        return std::nullopt;
    }
    try {
        return modelFrom(root.get());
    } catch (const NibError& failure) {
        error = failure.message;
        return std::nullopt;
    }
}

} // namespace MacPlatform
