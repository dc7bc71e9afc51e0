// A whole launcher bundle in a temporary folder, as a publisher ships it: the three required
// data files, the game information, the nib with the menu bar and both windows, the four
// pictures of the start page, an optional agreement and a storefront plug-in copied in as
// "Pellucid.dylib". Tests make it the main bundle and run the launcher's code against it.
#pragma once

#include "GameWrapperTestHelpers.h"

#include <string>
#include <vector>

namespace LauncherTest {

// The path of a test plug-in (plugins/testing) by file name.
std::string testPluginPath(const std::string& fileName);

// Game information with application ID 1234, the name and revision, channel 7, price 4.99, a
// game at ".Game/Game.app", a white build line at (20, 500) and the branding at (40, 60).
std::string defaultGameInformation(const std::string& name = "Test Game",
                                   const std::string& revision = "1.0.3");

struct BundleOptions {
    std::string name = "Test Game";
    std::string gameInformation = defaultGameInformation();
    // Empty: no EULA.rtf.
    std::string eulaRTF = {};
    // Empty: no EULA.txt.
    std::string eulaText = {};
    // The recording plug-in notes every call it receives in $KXTEST_RECORD_FILE; empty: no
    // plug-in in the resources.
    std::string pluginPath = testPluginPath(GW_TEST_RECORDING_PLUGIN);
    // Resource file names left out ("Channel.dat", "RAW_002.wdt", "main.nib", ...).
    std::vector<std::string> omit = {};
};

class LauncherTestBundle {
public:
    // Builds "<parent>/<options.name>.app"; failures to write are test failures.
    explicit LauncherTestBundle(const std::string& parent, const BundleOptions& options = {});

    // Puts the test game (tests/helpers/gw-test-game) at ".Game/Game.app" with the given
    // behaviour words (see gw-test-game.cpp); returns the game's resources folder, where it
    // writes its report.
    std::string installGame(const std::string& behaviour) const {
        return GameWrapperTest::installTestGame(path + "/.Game/Game.app", behaviour);
    }

    // The bundle's folder; the launcher's executable lies in its Contents/MacOS.
    const std::string path;
};

} // namespace LauncherTest
