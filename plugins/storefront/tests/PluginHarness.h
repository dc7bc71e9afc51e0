// The built plug-in, copied into a test's resources folder and opened with dlopen the way the
// launcher's host opens it, with its nineteen entry points bound by name.
#pragma once

#include <kxdll.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace StorefrontTest {

class LoadedPlugin {
public:
    // Copies the plug-in to <resourcesFolder>/Pellucid.dylib and opens that copy, so the
    // plug-in finds its data beside itself as it does in a bundle.
    explicit LoadedPlugin(const std::string& resourcesFolder);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool loaded() const { return m_handle != nullptr; }

    kxdll_GetDLLVersionAsString_fn GetDLLVersionAsString = nullptr;
    kxdll_GetDLLVersionAsInt_fn GetDLLVersionAsInt = nullptr;
    kxdll_Initialize_fn Initialize = nullptr;
    kxdll_ShutDown_fn ShutDown = nullptr;
    kxdll_EnterMenuSession_fn EnterMenuSession = nullptr;
    kxdll_IsTheMenuSessionComplete_fn IsTheMenuSessionComplete = nullptr;
    kxdll_DrawNextFrameIntoBuffer_fn DrawNextFrameIntoBuffer = nullptr;
    kxdll_GetNumberOfRectsToUpdate_fn GetNumberOfRectsToUpdate = nullptr;
    kxdll_GetUpdateRect_fn GetUpdateRect = nullptr;
    kxdll_SetMousePosition_fn SetMousePosition = nullptr;
    kxdll_HandleMacEvent_fn HandleMacEvent = nullptr;
    kxdll_SetPalette_fn SetPalette = nullptr;
    kxdll_GetValueAsString_fn GetValueAsString = nullptr;
    kxdll_GetValueAsInt_fn GetValueAsInt = nullptr;
    kxdll_GetValueAsFloat_fn GetValueAsFloat = nullptr;
    kxdll_IsASystemUpdateRequired_fn IsASystemUpdateRequired = nullptr;
    kxdll_GetLastErrorInformation_fn GetLastErrorInformation = nullptr;
    kxdll_EnableWindowsMouseCursor_fn EnableWindowsMouseCursor = nullptr;
    kxdll_SetTrackingMetadata_fn SetTrackingMetadata = nullptr;

private:
    void* m_handle = nullptr;
};

// The launcher's frame buffer: 720 x 540 words of 0xXXRRGGBB.
struct Frame {
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 540;
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kWidth * kHeight, 0);

    std::uint32_t at(int x, int y) const { return pixels[y * kWidth + x] & 0xFFFFFF; }
    // The pixels of a rectangle, to compare parts of two frames.
    std::vector<std::uint32_t> region(int x, int y, int width, int height) const;
    bool allOneColour() const;
};

// Draws one frame as the launcher does: rowBytes 2880, 4 and 1, no update flags.
void drawFrame(LoadedPlugin& plugin, Frame& frame, bool suspendUpdates = false,
               bool notifyFailedUpdate = false);

// Sends a key press (raw key down with its Mac key code and character) to the plug-in.
void pressKey(LoadedPlugin& plugin, UInt32 keyCode, char character);
// Moves the pointer to (x, y) and clicks there with the primary button: position, down, up.
void clickAt(LoadedPlugin& plugin, int x, int y);

// A resources folder with a Storefront/catalogue.txt of the given text.
void writeCatalogue(const std::string& resourcesFolder, const std::string& text,
                    const std::string& subfolder = "Storefront");
// A catalogue text of `count` games named "Game 1" ... with the given version.
std::string catalogueText(int count, int version = 1);

} // namespace StorefrontTest
