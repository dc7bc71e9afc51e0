#include "GWData.h"

#include "GameWrapperTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using GameWrapperTest::ChildChecks;
using TestSupport::TempDir;

namespace {

// A bundle whose game information is the text; returns the bundle's path.
std::string bundleWithGameInfo(const TempDir& dir, const std::string& name,
                               const std::string& text) {
    std::string bundle = GameWrapperTest::makeBundle(dir.path(), name);
    TestSupport::writeFile(GameWrapperTest::resourcesOf(bundle) + "/RAW_002.wdt", text);
    return bundle;
}

// A GWData loaded from the bundle; the caller deletes it.
GWData* loadFrom(const std::string& bundle, ChildChecks& checks) {
    MacPlatformTestSetMainBundlePath(bundle.c_str());
    GWData* data = new GWData;
    checks.check(data->LoadGameInfoDataFromResource(), "the game information loads");
    return data;
}

// Every getter's answer, "|" between them: revision, ID, name, exec path, channel, price,
// build and name colours (hexadecimal), build x and y, branding x and y, tracking.
std::string answers(GWData& data) {
    std::ostringstream out;
    out << data.GetGameFileRevisionString() << "|" << data.GetAppID() << "|" << data.GetAppName()
        << "|" << data.GetAppExecPath() << "|" << data.GetChannelID() << "|" << data.GetAppPrice()
        << std::hex << "|" << data.GetFontColorBuild() << "|" << data.GetFontColorAppName()
        << std::dec << "|" << data.GetXPositionBuild() << "|" << data.GetYPositionBuild() << "|"
        << data.GetXPositionBranding() << "|" << data.GetYPositionBranding() << "|"
        << data.TrackChildProcesses();
    return out.str();
}

} // namespace

TEST(GWDataLineSearch, LineEndsKeysValuesAndBufferSize) {
    std::string longValue;
    for (int i = 0; i < 2000; ++i) {
        longValue += static_cast<char>('a' + i % 26);
    }
    std::string longText = "Name=" + longValue + "\r\nNext=1";
    struct Case {
        const char* text;
        const char* key;
        long size;
        long result; // -1: any number greater than 0
        std::string value;
    } const cases[] = {
        // The carriage return goes only where a line feed follows; an unterminated last line
        // answers the buffer size.
        {"Build X=100\r\nBuild Y=200", "Build X=", 1024, 11, "100"},
        {"Build X=100\r\nBuild Y=200", "Build Y=", 1024, 1024, "200"},
        {"A=1\nB=2\r", "B=", 1024, 1024, "2\r"},
        // Keys count only at a line start, byte for byte; the first of two lines wins.
        {"Note: Build X=5\n", "Build X=", 1024, 0, ""},
        {"build x=5\n", "Build X=", 1024, 0, ""},
        {"XBuild X=5\nBuild X=6\n", "Build X=", 1024, -1, "6"},
        {"Application Name=A\nApplication Name=B\n", "Application Name=", 1024, -1, "A"},
        // An empty value is found; spaces belong to the value.
        {"Font Color Build=\r\nOther=1\n", "Font Color Build=", 1024, -1, ""},
        {"K= a b \nL=1", "K=", 1024, -1, " a b "},
        {nullptr, "K=", 1024, 0, ""},
        // Values are cut to the buffer, always terminated.
        {longText.c_str(), "Name=", 1024, 5 + 1023, longValue.substr(0, 1023)},
        {longText.c_str(), "Next=", 1024, 1024, "1"},
        {"Key=abcdef\n", "Key=", 4, 7, "abc"},
        {"Key=abcdef", "Key=", 4, 4, "abc"},
    };
    for (const Case& c : cases) {
        // One byte beyond the largest buffer, so a missing terminator shows as a wrong value.
        char output[1025];
        std::memset(output, 'x', sizeof(output));
        output[1024] = '\0';
        long result = GWData::GetStringForLineStartingWith(output, c.size, c.text, c.key, '\n');
        std::string label = std::string(c.key) + " in " + (c.text ? c.text : "(null)");
        if (c.result == -1) {
            EXPECT_GT(result, 0) << label;
        } else {
            EXPECT_EQ(result, c.result) << label;
        }
        EXPECT_EQ(std::string(output), c.value) << label;
    }
    char untouched = 'u';
    EXPECT_EQ(GWData::GetStringForLineStartingWith(&untouched, 0, "Key=1", "Key=", '\n'), 0);
    EXPECT_EQ(untouched, 'u');
}

// Each row in a process of its own, as the getters keep what they find for the process's life.
TEST(GWData, EveryGetterReadsItsLineOrGivesItsDefault) {
    struct Case {
        const char* text; // null: a folder where the resource should be
        std::string answers;
    } const cases[] = {
        {nullptr, "|0|||0|0|c3c3c3|0|450|510|9|22|0"},
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
    std::string without = GameWrapperTest::makeBundle(dir.path(), "Without");
    int index = 0;
    for (const Case& c : cases) {
        std::string name = "Case" + std::to_string(index++);
        std::string bundle = c.text ? bundleWithGameInfo(dir, name, c.text)
                                    : GameWrapperTest::makeBundle(dir.path(), name);
        if (!c.text) {
            TestSupport::makeDirectories(GameWrapperTest::resourcesOf(bundle) + "/RAW_002.wdt");
        }
        EXPECT_EXIT(
            {
                ChildChecks checks;
                MacPlatformTestSetMainBundlePath(without.c_str());
                GWData* absent = new GWData;
                checks.check(!absent->LoadGameInfoDataFromResource(), "no resource: not loaded");
                delete absent;
                MacPlatformTestSetMainBundlePath(bundle.c_str());
                GWData data;
                checks.equal(data.LoadGameInfoDataFromResource(), c.text != nullptr, "loaded");
                checks.equal(answers(data), c.answers, "the getters");
                checks.checkNoLeaks();
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << (c.text ? c.text : "(a folder)");
    }
}

// The caches belong to the getters: a later object answers what the first found, except where
// a getter is still waiting for a usable value.
TEST(GWData, CachesOutliveTheObjectAndFollowTheirRules) {
    // Colours and tracking are decided once and a name once found; the other getters ask again
    // while they hold 0, -1 or an empty text.
    const std::pair<const char*, std::string> rounds[] = {
        {"Build X=-1\nBuild Y=5\nApplication ID=0\nApplication Name=Alpha\n",
         "|0|Alpha||0|0|c3c3c3|0|-1|5|9|22|0"},
        {"Build X=300\nBuild Y=7\nApplication ID=42\nDeveloper Channel ID=8\n"
         "Application Price=2.5\nApplication Name=Beta\nApp Version String=v2\n"
         "Font Color Build=111111\nFont Color App Name=222222\nTrack Child Processes=1\n",
         "v2|42|Alpha||8|2.5|c3c3c3|0|300|5|9|22|0"},
        {"Build X=9\nApplication ID=7\nDeveloper Channel ID=9\nApplication Price=3.5\n"
         "App Version String=v3\n",
         "v2|42|Alpha||8|2.5|c3c3c3|0|300|5|9|22|0"},
    };
    TempDir dir;
    std::vector<std::string> bundles;
    for (const auto& round : rounds) {
        bundles.push_back(bundleWithGameInfo(dir, std::to_string(bundles.size()), round.first));
    }
    EXPECT_EXIT(
        {
            ChildChecks checks;
            for (std::size_t i = 0; i < bundles.size(); ++i) {
                GWData* data = loadFrom(bundles[i], checks);
                checks.equal(answers(*data), rounds[i].second,
                             ("round " + std::to_string(i + 1)).c_str());
                delete data;
            }
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}
