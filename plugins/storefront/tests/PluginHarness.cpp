#include "PluginHarness.h"

#include "StoreInput.h"
#include "TestSupport.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>

namespace StorefrontTest {

namespace MacKey = Storefront::MacKey;

namespace {

template <typename Function> void bind(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    EXPECT_NE(function, nullptr) << name << " is not exported";
}

struct EventHolder {
    EventRef event = nullptr;
    EventHolder(UInt32 eventClass, UInt32 kind) {
        EXPECT_EQ(CreateEvent(nullptr, eventClass, kind, 0, kEventAttributeNone, &event), noErr);
    }
    ~EventHolder() { ReleaseEvent(event); }
    EventHolder(const EventHolder&) = delete;
    EventHolder& operator=(const EventHolder&) = delete;
};

} // namespace

LoadedPlugin::LoadedPlugin(const std::string& resourcesFolder) {
    std::string path = resourcesFolder + "/Pellucid.dylib";
    TestSupport::writeFile(path, TestSupport::readFile(STOREFRONT_PLUGIN_PATH));
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        ADD_FAILURE() << "dlopen " << path << ": " << dlerror();
        return;
    }
#define STOREFRONT_TEST_BIND(result, name, parameters) bind(m_handle, #name, name);
    KXDLL_ENTRY_POINTS(STOREFRONT_TEST_BIND)
#undef STOREFRONT_TEST_BIND
}

LoadedPlugin::~LoadedPlugin() {
    if (m_handle) {
        if (kxdll_ShutDown) {
            kxdll_ShutDown();
        }
        dlclose(m_handle);
    }
}

LoadedPlugin& PluginTest::load(int applicationID) {
    loaded.reset();
    loaded = std::make_unique<LoadedPlugin>(resources.path());
    LoadedPlugin& plugin = *loaded;
    EXPECT_EQ(plugin.kxdll_Initialize(applicationID, "Demo Game", 7, 9.99f, 1, KXDLL_HOST_VERSION),
              0)
        << plugin.kxdll_GetLastErrorInformation();
    plugin.kxdll_EnableWindowsMouseCursor(true);
    EXPECT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0)
        << plugin.kxdll_GetLastErrorInformation();
    return plugin;
}

void PluginTest::settle(LoadedPlugin& plugin, Frame& frame) {
    for (int i = 0; i < 20; ++i) {
        drawFrame(plugin, frame);
    }
}

std::vector<std::uint32_t> PluginTest::regionOf(const Frame& frame, const Storefront::Box& box) {
    return frame.region(static_cast<int>(box.x), static_cast<int>(box.y),
                        static_cast<int>(box.width), static_cast<int>(box.height));
}

std::vector<std::uint32_t> Frame::region(int x, int y, int width, int height) const {
    std::vector<std::uint32_t> out;
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) {
            out.push_back(at(column, row));
        }
    }
    return out;
}

bool Frame::allOneColour() const {
    std::uint32_t first = at(0, 0);
    return std::all_of(pixels.begin(), pixels.end(),
                       [first](std::uint32_t pixel) { return (pixel & 0xFFFFFF) == first; });
}

void drawFrame(LoadedPlugin& plugin, Frame& frame, bool suspendUpdates, bool notifyFailedUpdate) {
    plugin.kxdll_DrawNextFrameIntoBuffer(frame.pixels.data(), Frame::kWidth * 4, 4, 1,
                                         suspendUpdates, notifyFailedUpdate);
}

std::string press(LoadedPlugin& plugin, const std::string& keys) {
    const std::map<char, std::pair<UInt32, char>> codes = {
        {'L', {MacKey::kLeftArrow, 0x1C}}, {'R', {MacKey::kRightArrow, 0x1D}},
        {'D', {MacKey::kDownArrow, 0x1F}}, {'U', {MacKey::kUpArrow, 0x1E}},
        {'E', {MacKey::kReturn, '\r'}},    {'X', {MacKey::kEscape, 0x1B}}};
    std::string focus;
    for (char key : keys) {
        auto [keyCode, character] = codes.at(key);
        EventHolder down(kEventClassKeyboard, kEventRawKeyDown);
        SetEventParameter(down.event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
        SetEventParameter(down.event, kEventParamKeyMacCharCodes, typeChar, 1, &character);
        plugin.kxdll_HandleMacEvent(down.event);
        // Key-ups reach the plug-in too; they must not act a second time.
        EventHolder up(kEventClassKeyboard, kEventRawKeyUp);
        SetEventParameter(up.event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
        EXPECT_FALSE(plugin.kxdll_HandleMacEvent(up.event));
        focus += plugin.kxdll_GetValueAsString("FocusedGame") + std::string("|");
    }
    return focus;
}

void clickOn(LoadedPlugin& plugin, const Storefront::Box& box) {
    clickOn(plugin, box, box);
}

void clickOn(LoadedPlugin& plugin, const Storefront::Box& box, const Storefront::Box& release) {
    EventMouseButton button = kEventMouseButtonPrimary;
    plugin.kxdll_SetMousePosition(static_cast<int>(box.x + box.width / 2),
                                  static_cast<int>(box.y + box.height / 2));
    EventHolder down(kEventClassMouse, kEventMouseDown);
    SetEventParameter(down.event, kEventParamMouseButton, typeMouseButton, sizeof button, &button);
    plugin.kxdll_HandleMacEvent(down.event);
    plugin.kxdll_SetMousePosition(static_cast<int>(release.x + release.width / 2),
                                  static_cast<int>(release.y + release.height / 2));
    EventHolder up(kEventClassMouse, kEventMouseUp);
    SetEventParameter(up.event, kEventParamMouseButton, typeMouseButton, sizeof button, &button);
    plugin.kxdll_HandleMacEvent(up.event);
}

void writeCatalogue(const std::string& resourcesFolder, const std::string& text,
                    const std::string& subfolder) {
    TestSupport::writeFile(resourcesFolder + "/" + subfolder + "/catalogue.txt", text);
}

std::string catalogueText(int count, int version) {
    std::string text = "catalogue-version = " + std::to_string(version) + "\n";
    for (int index = 1; index <= count; ++index) {
        text += "[game]\nid = " + std::to_string(100 + index) + "\ntitle = Game " +
                std::to_string(index) + "\nprice = " + std::to_string(index) +
                ".99\ndescription = The game number " + std::to_string(index) + ".\n";
    }
    return text;
}

std::map<std::string, std::string> filesUnder(const std::string& folder,
                                              const std::set<std::string>& skip) {
    std::map<std::string, std::string> files;
    std::error_code error; // a missing folder holds no files
    for (auto entry = std::filesystem::recursive_directory_iterator(folder, error);
         entry != std::filesystem::recursive_directory_iterator(); ++entry) {
        std::string name = std::filesystem::relative(entry->path(), folder).string();
        if (skip.contains(name)) {
            entry.disable_recursion_pending();
        } else if (!entry->is_directory()) {
            files[name] = TestSupport::readFile(entry->path());
        }
    }
    return files;
}

} // namespace StorefrontTest
