#include "GWData.h"

#include "GameWrapperTestHelpers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace GameWrapperTest;
using TestSupport::TempDir;

namespace {

// Every getter's answer of the game information that the bundle holds, "|" between them:
// revision, ID, name, exec path, channel, price, build and name colours (hexadecimal), build x
// and y, branding x and y, tracking; "not loaded|" first when it does not load.
std::string answers(const std::string& bundle) {
    MacPlatformTestSetMainBundlePath(bundle.c_str());
    GWData data;
    std::ostringstream out;
    if (!data.LoadGameInfoDataFromResource()) {
        out << "not loaded|";
    }
    out << data.GetGameFileRevisionString() << "|" << data.GetAppID() << "|" << data.GetAppName()
        << "|" << data.GetAppExecPath() << "|" << data.GetChannelID() << "|" << data.GetAppPrice()
        << std::hex << "|" << data.GetFontColorBuild() << "|" << data.GetFontColorAppName()
        << std::dec << "|" << data.GetXPositionBuild() << "|" << data.GetYPositionBuild() << "|"
        << data.GetXPositionBranding() << "|" << data.GetYPositionBranding() << "|"
        << data.TrackChildProcesses();
    return out.str();
}

} // namespace

// Each row in a process of its own, as the getters keep what they find for the process's life.
TEST(GWData, EveryGetterReadsItsLineOrGivesItsDefault) {
    std::string longName = std::string(1000, 'a') + std::string(1000, 'b');
    // Keys count only at a line's start, byte for byte, the first of two lines winning; a
    // value is cut to the getter's buffer.
    std::string keys = "Note: Build X=5\nbuild x=5\nXBuild X=1\nBuild X=6\nBuild X=7\n"
                       "Application Name=" +
                       longName + "\r\nFont Color Build=\r\n";
    const std::pair<const char*, std::string> cases[] = {
        {keys.c_str(), "|0|" + longName.substr(0, 1023) + "||0|0|0|0|6|510|9|22|0"},
        // No game information, or a folder where it should be: the defaults.
        {nullptr, "not loaded||0|||0|0|c3c3c3|0|450|510|9|22|0"},
        {"", "not loaded||0|||0|0|c3c3c3|0|450|510|9|22|0"},
        // The revision keeps its trailing space; colours read with 0x and in lower case.
        {"App Version String=Build 1.2.3 \r\nApplication ID=1234\r\nApplication Name=Demo Game\r\n"
         "Application Exec Path=Demo.app/Contents/MacOS/demo\r\nDeveloper Channel ID=77\r\n"
         "Application Price=19.95\r\nFont Color Build=0x00FF00\r\nFont Color App Name=ff0000\r\n"
         "Build X=12\r\nBuild Y=34\r\nBrand X=-5\r\nBrand Y=0\r\nTrack Child Processes=2",
         "Build 1.2.3 |1234|Demo Game|Demo.app/Contents/MacOS/demo|77|19.95|ff00|ff0000|12|34|-5|"
         "0|1"},
        // An empty or non-hexadecimal colour is 0, not the default; numbers too large for their
        // type saturate instead of overflowing.
        {"Font Color Build=\nFont Color App Name=0xFF0000\nTrack Child Processes=0\n"
         "Application ID=99999999999\nApplication Price=1e300\n",
         "|2147483647|||0|inf|0|ff0000|450|510|9|22|0"},
        {"Font Color Build=zz\r\nFont Color App Name= \t+0Xff\r\nTrack Child Processes=no\r\n"
         "Application ID=-99999999999\r\n",
         "|-2147483648|||0|0|0|ff|450|510|9|22|0"},
        {"Font Color Build=123456789\nFont Color App Name=-1\nTrack Child Processes= 2\n"
         "Application ID=12abc\n",
         "|12|||0|0|ffffffff|ffffffff|450|510|9|22|1"},
        {"Font Color Build=- 5\nFont Color App Name=--5\nTrack Child Processes=-3\n",
         "|0|||0|0|0|0|450|510|9|22|1"},
    };
    TempDir dir;
    int index = 0;
    for (const auto& [text, expected] : cases) {
        std::string bundle = makeBundle(dir.path(), std::to_string(index++));
        if (text && *text) {
            TestSupport::writeFile(bundle + "/Contents/Resources/RAW_002.wdt", text);
        } else if (text) {
            TestSupport::makeDirectories(bundle + "/Contents/Resources/RAW_002.wdt");
        }
        SCOPED_TRACE(text ? text : "(none)");
        inChild([&](ChildChecks& checks) { checks.equal(answers(bundle), expected, "getters"); });
    }
}
