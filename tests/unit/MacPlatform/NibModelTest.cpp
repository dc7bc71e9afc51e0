#include "HIToolbox/NibModel.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace MacPlatform;

namespace {

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "\n</plist>\n";
}

std::string nibWithObjects(const std::string& objects) {
    return plist("<dict><key>NibFormat</key><integer>1</integer><key>Objects</key><dict>" +
                 objects + "</dict></dict>");
}

std::string frame(int x, int y, int w, int h) {
    return "<key>Frame</key><dict><key>X</key><integer>" + std::to_string(x) +
           "</integer><key>Y</key><integer>" + std::to_string(y) +
           "</integer><key>Width</key><integer>" + std::to_string(w) +
           "</integer><key>Height</key><integer>" + std::to_string(h) + "</integer></dict>";
}

std::string window(const std::string& name, const std::string& extra) {
    return "<key>" + name +
           "</key><dict><key>Class</key><string>Window</string><key>Width</key><integer>720</"
           "integer><key>Height</key><integer>540</integer>" +
           extra + "</dict>";
}

std::string menuBar(const std::string& items) {
    return "<key>MenuBar</key><dict><key>Class</key><string>MenuBar</string><key>Menus</key>"
           "<array><dict><key>Title</key><string>File</string><key>Items</key><array>" +
           items + "</array></dict></array></dict>";
}

// The error of a nib that must not parse.
std::string errorOf(const std::string& bytes) {
    std::string error;
    std::optional<NibModel> model = parseNib(bytes, error);
    EXPECT_FALSE(model.has_value()) << "parsed although damaged";
    EXPECT_FALSE(error.empty());
    return error;
}

constexpr FourCharCode code(const char (&text)[5]) {
    return (FourCharCode(static_cast<unsigned char>(text[0])) << 24) |
           (FourCharCode(static_cast<unsigned char>(text[1])) << 16) |
           (FourCharCode(static_cast<unsigned char>(text[2])) << 8) |
           FourCharCode(static_cast<unsigned char>(text[3]));
}

} // namespace

TEST(NibModel, ReadsMenuBarWithCommandsKeysSeparatorsAndSubmenus) {
    std::string bytes = nibWithObjects(menuBar(
        "<dict><key>Title</key><string>About</string><key>Command</key><string>abou</string>"
        "</dict>"
        "<dict><key>Separator</key><true/></dict>"
        "<dict><key>Title</key><string>Save As</string><key>Command</key><string>svas</string>"
        "<key>Key</key><string>s</string><key>Modifiers</key><array><string>shift</string>"
        "</array><key>Enabled</key><false/></dict>"
        "<dict><key>Title</key><string>More</string><key>Items</key><array>"
        "<dict><key>Title</key><string>Quit</string><key>Command</key><string>quit</string>"
        "<key>Key</key><string>Q</string><key>Modifiers</key><array><string>option</string>"
        "<string>shift</string></array></dict></array></dict>"));
    std::string error;
    std::optional<NibModel> model = parseNib(bytes, error);
    ASSERT_TRUE(model) << error;
    const NibMenuBar* bar = model->menuBar("MenuBar");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->menus.size(), 1u);
    EXPECT_EQ(bar->menus[0].title, "File");
    const auto& items = bar->menus[0].items;
    ASSERT_EQ(items.size(), 4u);

    EXPECT_EQ(items[0].command, code("abou"));
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].key, 'S') << "letters are kept upper case";
    EXPECT_EQ(items[2].modifiers, kNibShiftModifier);
    EXPECT_FALSE(items[2].enabled);

    ASSERT_TRUE(items[3].hasSubmenu);
    ASSERT_EQ(items[3].submenu.size(), 1u);
    EXPECT_EQ(items[3].submenu[0].command, code("quit"));
    EXPECT_EQ(items[3].submenu[0].modifiers, kNibShiftModifier | kNibOptionModifier);
}

// The agreement window's views, their IDs, commands and default and cancel buttons are checked
// where the window is built from this nib (WindowFromNibTest).
TEST(NibModel, ReadsWindowsWithAttributesAndNestedViews) {
    std::string error;
    std::optional<NibModel> model = parseNib(TestSupport::launcherNib("Demo \xC3\xA9"), error);
    ASSERT_TRUE(model) << error;
    const NibWindowDescription* main = model->window("MainWindow");
    const NibWindowDescription* eula = model->window("EULAWindow");
    ASSERT_TRUE(main && eula);
    EXPECT_EQ(main->title, "Demo \xC3\xA9");
    EXPECT_EQ(main->windowClass, kNibDocumentWindow);
    EXPECT_EQ(main->attributes, kNibWindowCloseBox | kNibWindowCompositing);
    EXPECT_EQ(eula->attributes, kNibWindowStandardHandler | kNibWindowCompositing);
    ASSERT_EQ(eula->views.size(), 4u);
    EXPECT_EQ(eula->views[0].frame.size.height, 330);
}

TEST(NibModel, DamagedNibsSayWhereAndWhy) {
    auto entry = [](const std::string& key, const std::string& type, const std::string& value) {
        return "<key>" + key + "</key><" + type + ">" + value + "</" + type + ">";
    };
    auto bareWindow = [](const std::string& body) {
        return nibWithObjects("<key>W</key><dict><key>Class</key><string>Window</string>" + body +
                              "</dict>");
    };
    auto views = [](const std::string& body) {
        return nibWithObjects(window("W", "<key>Views</key><array>" + body + "</array>"));
    };
    auto item = [](const std::string& body) {
        return nibWithObjects(
            menuBar("<dict><key>Title</key><string>Q</string>" + body + "</dict>"));
    };
    const std::string button = "<dict><key>Class</key><string>PushButton</string>" +
                               frame(0, 0, 10, 10) + entry("Title", "string", "OK");
    const std::string objectsW = "Objects.W.", items = "Objects.MenuBar.Menus[0].Items[0]";
    const struct {
        std::string bytes;
        std::string error;
    } damaged[] = {
        {"not a property list", "nib: not a property list"},
        {plist("<dict><key>Objects</key><dict/></dict>"), "nib.NibFormat: missing"},
        {plist("<dict>" + entry("NibFormat", "integer", "2") + "<key>Objects</key><dict/></dict>"),
         "nib.NibFormat: format 2 is not supported (expected 1)"},
        {nibWithObjects("<key>Main</key><dict>" + entry("Class", "string", "Panel") + "</dict>"),
         "Objects.Main.Class: unknown object class \"Panel\" (MenuBar, Window)"},
        {bareWindow(entry("Width", "integer", "720")), objectsW + "Height: missing"},
        {bareWindow(entry("Width", "integer", "0") + entry("Height", "integer", "1")),
         objectsW + "Width: expected an integer from 1 to 16384"},
        {nibWithObjects(window("W", entry("WindowClass", "string", "sheet"))),
         objectsW + "WindowClass: unknown window class \"sheet\" (document, movableModal, plain)"},
        {views(button + entry("Command", "string", "ok ") + "</dict>"),
         objectsW + "Views[0].Command: expected four ASCII characters, got \"ok \""},
        {item(entry("Key", "string", "qq")), items + ".Key: expected one printable character"},
        {item(entry("Key", "string", "q") +
              entry("Modifiers", "array", "<string>control</string>")),
         items + ".Modifiers[0]: unknown modifier \"control\" (shift or option)"},
    };
    for (const auto& [bytes, error] : damaged) {
        SCOPED_TRACE(error);
        EXPECT_EQ(errorOf(bytes), error);
    }
}

TEST(NibModel, RefusesSubmenusNestedBeyondTheLimit) {
    std::string items = "<dict><key>Title</key><string>Leaf</string></dict>";
    for (int level = 0; level < 20; ++level) {
        items = "<dict><key>Title</key><string>Sub</string><key>Items</key><array>" + items +
                "</array></dict>";
    }
    std::string error = errorOf(nibWithObjects(menuBar(items)));
    EXPECT_NE(error.find("submenus nested too deep"), std::string::npos) << error;
}
