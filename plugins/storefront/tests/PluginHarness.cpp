#include "PluginHarness.h"

#include "TestSupport.h"

#include <dlfcn.h>

#include <algorithm>

namespace StorefrontTest {

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
    bind(m_handle, "kxdll_GetDLLVersionAsString", GetDLLVersionAsString);
    bind(m_handle, "kxdll_GetDLLVersionAsInt", GetDLLVersionAsInt);
    bind(m_handle, "kxdll_Initialize", Initialize);
    bind(m_handle, "kxdll_ShutDown", ShutDown);
    bind(m_handle, "kxdll_EnterMenuSession", EnterMenuSession);
    bind(m_handle, "kxdll_IsTheMenuSessionComplete", IsTheMenuSessionComplete);
    bind(m_handle, "kxdll_DrawNextFrameIntoBuffer", DrawNextFrameIntoBuffer);
    bind(m_handle, "kxdll_GetNumberOfRectsToUpdate", GetNumberOfRectsToUpdate);
    bind(m_handle, "kxdll_GetUpdateRect", GetUpdateRect);
    bind(m_handle, "kxdll_SetMousePosition", SetMousePosition);
    bind(m_handle, "kxdll_HandleMacEvent", HandleMacEvent);
    bind(m_handle, "kxdll_SetPalette", SetPalette);
    bind(m_handle, "kxdll_GetValueAsString", GetValueAsString);
    bind(m_handle, "kxdll_GetValueAsInt", GetValueAsInt);
    bind(m_handle, "kxdll_GetValueAsFloat", GetValueAsFloat);
    bind(m_handle, "kxdll_IsASystemUpdateRequired", IsASystemUpdateRequired);
    bind(m_handle, "kxdll_GetLastErrorInformation", GetLastErrorInformation);
    bind(m_handle, "kxdll_EnableWindowsMouseCursor", EnableWindowsMouseCursor);
    bind(m_handle, "kxdll_SetTrackingMetadata", SetTrackingMetadata);
}

LoadedPlugin::~LoadedPlugin() {
    if (m_handle) {
        if (ShutDown) {
            ShutDown();
        }
        dlclose(m_handle);
    }
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
    plugin.DrawNextFrameIntoBuffer(frame.pixels.data(), Frame::kWidth * 4, 4, 1, suspendUpdates,
                                   notifyFailedUpdate);
}

void pressKey(LoadedPlugin& plugin, UInt32 keyCode, char character) {
    EventHolder down(kEventClassKeyboard, kEventRawKeyDown);
    SetEventParameter(down.event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
    SetEventParameter(down.event, kEventParamKeyMacCharCodes, typeChar, 1, &character);
    plugin.HandleMacEvent(down.event);
    // Key-ups reach the plug-in too; they must not act a second time.
    EventHolder up(kEventClassKeyboard, kEventRawKeyUp);
    SetEventParameter(up.event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
    EXPECT_FALSE(plugin.HandleMacEvent(up.event));
}

void clickAt(LoadedPlugin& plugin, int x, int y) {
    EventMouseButton button = kEventMouseButtonPrimary;
    plugin.SetMousePosition(x, y);
    EventHolder down(kEventClassMouse, kEventMouseDown);
    SetEventParameter(down.event, kEventParamMouseButton, typeMouseButton, sizeof button, &button);
    plugin.HandleMacEvent(down.event);
    EventHolder up(kEventClassMouse, kEventMouseUp);
    SetEventParameter(up.event, kEventParamMouseButton, typeMouseButton, sizeof button, &button);
    plugin.HandleMacEvent(up.event);
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

} // namespace StorefrontTest
