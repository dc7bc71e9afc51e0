// The built plug-in, copied into a test's resources folder and opened with dlopen the way the
// launcher's host opens it, with its entry points bound by name.
#pragma once

#include "StoreLayout.h"

#include "TestSupport.h"

#include <kxdll.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
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

    // The entry points, each under its own name: plugin.kxdll_Initialize(...) and so on.
#define STOREFRONT_TEST_ENTRY_POINT(result, name, parameters) name##_fn name = nullptr;
    KXDLL_ENTRY_POINTS(STOREFRONT_TEST_ENTRY_POINT)
#undef STOREFRONT_TEST_ENTRY_POINT

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

// Presses the keys one after the other (raw key down with its Mac key code and character, then
// key up): L, R, U and D are the arrows, E is Return and X is Esc. Returns the game focused after
// each key, each followed by '|' ("" when the back button has the focus).
std::string press(LoadedPlugin& plugin, const std::string& keys);
// Clicks with the primary button: the pointer to the middle of `box`, down, to the middle of
// `release` (by default the same box), up.
void clickOn(LoadedPlugin& plugin, const Storefront::Box& box);
void clickOn(LoadedPlugin& plugin, const Storefront::Box& box, const Storefront::Box& release);

// A resources folder with a Storefront/catalogue.txt of the given text.
void writeCatalogue(const std::string& resourcesFolder, const std::string& text,
                    const std::string& subfolder = "Storefront");
// A catalogue text of `count` games named "Game 1" ... with the given version.
std::string catalogueText(int count, int version = 1);

// Every file under folder with its bytes, by relative path, leaving out the folders in skip.
std::map<std::string, std::string> filesUnder(const std::string& folder,
                                              const std::set<std::string>& skip = {});

// The storefront tests' fixture: a resources folder and the plug-in loaded from it.
class PluginTest : public ::testing::Test {
protected:
    // Loads the plug-in from the resources folder (closing any earlier load), initialises it as
    // the launcher does (application id, name, channel, price, debug mode 1, host version 6) and
    // opens the 720 x 540 session.
    LoadedPlugin& load(int applicationID = 1);
    // load() beside a catalogue of `games` games.
    LoadedPlugin& open(int games, int applicationID = 1) {
        writeCatalogue(resources.path(), catalogueText(games));
        return load(applicationID);
    }
    // Enough frames for every eased value to come to rest.
    static void settle(LoadedPlugin& plugin, Frame& frame);
    static std::vector<std::uint32_t> regionOf(const Frame& frame, const Storefront::Box& box);

    TestSupport::TempDir resources;
    std::unique_ptr<LoadedPlugin> loaded;
};

} // namespace StorefrontTest
