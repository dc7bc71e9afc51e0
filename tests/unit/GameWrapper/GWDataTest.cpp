#include "GWData.h"

#include "GameWrapperTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

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

TEST(GWData, WithoutTheResourceEveryGetterGivesItsDefault) {
    TempDir dir;
    std::string without = GameWrapperTest::makeBundle(dir.path(), "Without");
    std::string folder = GameWrapperTest::makeBundle(dir.path(), "Folder");
    TestSupport::makeDirectories(GameWrapperTest::resourcesOf(folder) + "/RAW_002.wdt");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            MacPlatformTestSetMainBundlePath(without.c_str());
            GWData* absent = new GWData;
            checks.check(!absent->LoadGameInfoDataFromResource(), "no resource: not loaded");
            delete absent;
            MacPlatformTestSetMainBundlePath(folder.c_str());
            GWData data;
            checks.check(!data.LoadGameInfoDataFromResource(), "a folder: not loaded");
            checks.equal(std::string(data.GetGameFileRevisionString()), "", "revision");
            checks.equal(data.GetAppID(), 0, "app id");
            checks.equal(std::string(data.GetAppName()), "", "name");
            checks.equal(std::string(data.GetAppExecPath()), "", "exec path");
            checks.equal(data.GetChannelID(), 0, "channel");
            checks.equal(data.GetAppPrice(), 0.0f, "price");
            checks.equal(data.GetFontColorBuild(), 0xC3C3C3ul, "build colour");
            checks.equal(data.GetFontColorAppName(), 0ul, "name colour");
            checks.equal(data.GetXPositionBuild(), 450, "build x");
            checks.equal(data.GetYPositionBuild(), 510, "build y");
            checks.equal(data.GetXPositionBranding(), 9, "brand x");
            checks.equal(data.GetYPositionBranding(), 22, "brand y");
            checks.check(!data.TrackChildProcesses(), "tracking off");
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(GWData, EveryGetterReadsItsLine) {
    TempDir dir;
    std::string bundle = bundleWithGameInfo(dir, "Full",
                                            "App Version String=Build 1.2.3 \r\n"
                                            "Application ID=1234\r\n"
                                            "Application Name=Demo Game\r\n"
                                            "Application Exec Path=Demo.app/Contents/MacOS/demo\r\n"
                                            "Developer Channel ID=77\r\n"
                                            "Application Price=19.95\r\n"
                                            "Font Color Build=0x00FF00\r\n"
                                            "Font Color App Name=ff0000\r\n"
                                            "Build X=12\r\n"
                                            "Build Y=34\r\n"
                                            "Brand X=-5\r\n"
                                            "Brand Y=0\r\n"
                                            "Track Child Processes=2");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* data = loadFrom(bundle, checks);
            checks.equal(std::string(data->GetGameFileRevisionString()), "Build 1.2.3 ",
                         "revision keeps its trailing space");
            checks.equal(data->GetAppID(), 1234, "app id");
            checks.equal(std::string(data->GetAppName()), "Demo Game", "name");
            checks.equal(std::string(data->GetAppExecPath()), "Demo.app/Contents/MacOS/demo",
                         "exec path");
            checks.equal(data->GetChannelID(), 77, "channel");
            checks.equal(data->GetAppPrice(), 19.95f, "price");
            checks.equal(data->GetFontColorBuild(), 0x00FF00ul, "build colour with 0x");
            checks.equal(data->GetFontColorAppName(), 0xFF0000ul, "name colour in lower case");
            checks.equal(data->GetXPositionBuild(), 12, "build x");
            checks.equal(data->GetYPositionBuild(), 34, "build y");
            checks.equal(data->GetXPositionBranding(), -5, "brand x");
            checks.equal(data->GetYPositionBranding(), 0, "brand y");
            checks.check(data->TrackChildProcesses(), "tracking 2 is on");
            delete data;
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(GWData, ValuesThatDoNotParse) {
    // An empty or non-hexadecimal colour is 0, not the default; numbers too large for their
    // type saturate instead of overflowing.
    struct Case {
        const char* text;
        unsigned long buildColor;
        unsigned long nameColor;
        bool track;
        int appID;
    } const cases[] = {
        {"Font Color Build=\nFont Color App Name=0xFF0000\nTrack Child Processes=0\n"
         "Application ID=99999999999\n",
         0, 0xFF0000, false, 2147483647},
        {"Font Color Build=zz\r\nFont Color App Name= \t+0Xff\r\nTrack Child Processes=no\r\n"
         "Application ID=-99999999999\r\n",
         0, 0xFF, false, -2147483647 - 1},
        {"Font Color Build=123456789\nFont Color App Name=-1\nTrack Child Processes= 2\n"
         "Application ID=12abc\n",
         0xFFFFFFFF, 0xFFFFFFFF, true, 12},
        {"Font Color Build=- 5\nFont Color App Name=--5\nTrack Child Processes=-3\n", 0, 0, true,
         0},
    };
    TempDir dir;
    int index = 0;
    for (const Case& c : cases) {
        std::string bundle = bundleWithGameInfo(dir, "Case" + std::to_string(index++), c.text);
        EXPECT_EXIT(
            {
                ChildChecks checks;
                GWData* data = loadFrom(bundle, checks);
                checks.equal(data->GetFontColorBuild(), c.buildColor, "build colour");
                checks.equal(data->GetFontColorAppName(), c.nameColor, "name colour");
                checks.equal(data->TrackChildProcesses(), c.track, "tracking");
                checks.equal(data->GetAppID(), c.appID, "app id");
                delete data;
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << c.text;
    }
    std::string price = bundleWithGameInfo(dir, "Price", "Application Price=1e300\n");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* data = loadFrom(price, checks);
            checks.check(std::isinf(data->GetAppPrice()) && data->GetAppPrice() > 0,
                         "a price beyond float is infinite");
            delete data;
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

// The caches belong to the getters: a later object answers what the first found, except where
// a getter is still waiting for a usable value.
TEST(GWData, CachesOutliveTheObjectAndFollowTheirRules) {
    TempDir dir;
    std::string first = bundleWithGameInfo(
        dir, "First", "Build X=-1\nBuild Y=5\nApplication ID=0\nApplication Name=Alpha\n");
    std::string second = bundleWithGameInfo(dir, "Second",
                                            "Build X=300\n"
                                            "Build Y=7\n"
                                            "Application ID=42\n"
                                            "Developer Channel ID=8\n"
                                            "Application Price=2.5\n"
                                            "Application Name=Beta\n"
                                            "App Version String=v2\n"
                                            "Font Color Build=111111\n"
                                            "Font Color App Name=222222\n"
                                            "Track Child Processes=1\n");
    std::string third = bundleWithGameInfo(
        dir, "Third",
        "Build X=9\nApplication ID=7\nDeveloper Channel ID=9\nApplication Price=3.5\n"
        "App Version String=v3\n");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* a = loadFrom(first, checks);
            checks.equal(a->GetXPositionBuild(), -1, "-1 is answered");
            checks.equal(a->GetYPositionBuild(), 5, "y");
            checks.equal(a->GetAppID(), 0, "id 0");
            checks.equal(a->GetChannelID(), 0, "no channel");
            checks.equal(a->GetAppPrice(), 0.0f, "no price");
            checks.equal(std::string(a->GetAppName()), "Alpha", "name");
            checks.equal(std::string(a->GetGameFileRevisionString()), "", "no revision");
            checks.equal(a->GetFontColorBuild(), 0xC3C3C3ul, "colour computed once, default");
            checks.equal(a->GetFontColorAppName(), 0ul, "name colour computed once");
            checks.check(!a->TrackChildProcesses(), "tracking decided once");
            delete a;

            GWData* b = loadFrom(second, checks);
            checks.equal(b->GetXPositionBuild(), 300, "-1 was parsed again");
            checks.equal(b->GetYPositionBuild(), 5, "a real position stays");
            checks.equal(b->GetAppID(), 42, "id 0 was asked again");
            checks.equal(b->GetChannelID(), 8, "channel asked again");
            checks.equal(b->GetAppPrice(), 2.5f, "price asked again");
            checks.equal(std::string(b->GetAppName()), "Alpha", "a found name stays");
            checks.equal(std::string(b->GetGameFileRevisionString()), "v2",
                         "an empty revision is asked again");
            checks.equal(b->GetFontColorBuild(), 0xC3C3C3ul, "colour not asked again");
            checks.equal(b->GetFontColorAppName(), 0ul, "name colour not asked again");
            checks.check(!b->TrackChildProcesses(), "tracking not asked again");
            delete b;

            GWData* c = loadFrom(third, checks);
            checks.equal(c->GetXPositionBuild(), 300, "x now kept");
            checks.equal(c->GetAppID(), 42, "id kept");
            checks.equal(c->GetChannelID(), 8, "channel kept");
            checks.equal(c->GetAppPrice(), 2.5f, "price kept");
            checks.equal(std::string(c->GetGameFileRevisionString()), "v2", "revision kept");
            delete c;
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}
