#include "GWData.h"

#include "GameWrapperTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using GameWrapperTest::ChildChecks;
using TestSupport::TempDir;

namespace {

struct Found {
    long result;
    std::string value;
};

Found search(const char* text, const char* key, long size = 1024) {
    // One byte more than the largest buffer asked for, so that a missing terminator shows as
    // a wrong value instead of a read past the array.
    char output[1025];
    std::memset(output, 'x', sizeof(output));
    output[1024] = '\0';
    long result = GWData::GetStringForLineStartingWith(output, size, text, key, '\n');
    return {result, std::string(output)};
}

// A bundle whose game information is the text; returns the bundle's path.
std::string bundleWithGameInfo(const TempDir& dir, const std::string& name,
                               const std::string& text) {
    std::string bundle = GameWrapperTest::makeBundle(dir.path(), name);
    TestSupport::writeFile(GameWrapperTest::resourcesOf(bundle) + "/RAW_002.wdt", text);
    return bundle;
}

// A GWData loaded from a bundle holding the text; the caller deletes it.
GWData* loadFrom(const std::string& bundle, ChildChecks& checks) {
    MacPlatformTestSetMainBundlePath(bundle.c_str());
    GWData* data = new GWData;
    checks.check(data->LoadGameInfoDataFromResource(), "the game information loads");
    return data;
}

} // namespace

TEST(GWDataLineSearch, LineEndsKeysAndValues) {
    // CR LF on the first line, no line feed after the last: the carriage return is dropped only
    // where a line feed follows it.
    const char* text = "Build X=100\r\nBuild Y=200";
    Found x = search(text, "Build X=");
    EXPECT_EQ(x.value, "100");
    EXPECT_EQ(x.result, 8 + 3);
    Found y = search(text, "Build Y=");
    EXPECT_EQ(y.value, "200");
    EXPECT_EQ(y.result, 1024) << "an unterminated last line answers the buffer size";
    EXPECT_EQ(search("A=1\nB=2\r", "B=").value, "2\r");

    // Keys are matched only at the start of a line, byte for byte.
    EXPECT_EQ(search("Note: Build X=5\n", "Build X=").result, 0);
    EXPECT_EQ(search("build x=5\n", "Build X=").result, 0);
    EXPECT_EQ(search("XBuild X=5\nBuild X=6\n", "Build X=").value, "6");

    // An empty value is found and empty; an absent line leaves the output empty too.
    Found empty = search("Font Color Build=\nOther=1\n", "Font Color Build=");
    EXPECT_GT(empty.result, 0);
    EXPECT_EQ(empty.value, "");
    Found emptyCRLF = search("Font Color Build=\r\n", "Font Color Build=");
    EXPECT_GT(emptyCRLF.result, 0);
    EXPECT_EQ(emptyCRLF.value, "");
    Found absent = search("Other=1\n", "Font Color Build=");
    EXPECT_EQ(absent.result, 0);
    EXPECT_EQ(absent.value, "");
    Found noText = search(nullptr, "Build X=");
    EXPECT_EQ(noText.result, 0);
    EXPECT_EQ(noText.value, "");

    // The first of two lines wins; spaces belong to the value.
    EXPECT_EQ(search("Application Name=A\nApplication Name=B\n", "Application Name=").value, "A");
    EXPECT_EQ(search("K= a b \nL=1", "K=").value, " a b ");
}

TEST(GWDataLineSearch, LongValuesAreCutToTheBuffer) {
    std::string longValue;
    for (int i = 0; i < 2000; ++i) {
        longValue += static_cast<char>('a' + i % 26);
    }
    for (const char* end : {"\n", "\r\n", ""}) {
        std::string text = "Name=" + longValue + end + (std::strlen(end) ? "Next=1\n" : "");
        Found found = search(text.c_str(), "Name=");
        EXPECT_EQ(found.value, longValue.substr(0, 1023)) << "line end " << std::strlen(end);
        EXPECT_GT(found.result, 0);
    }
    // A small buffer gets what fits, terminated.
    Found small = search("Key=abcdef\n", "Key=", 4);
    EXPECT_EQ(small.value, "abc");
    EXPECT_EQ(small.result, 4 + 3);
    Found smallLast = search("Key=abcdef", "Key=", 4);
    EXPECT_EQ(smallLast.value, "abc");
    EXPECT_EQ(smallLast.result, 4);
    // No room at all writes nothing and finds nothing.
    char untouched = 'u';
    EXPECT_EQ(GWData::GetStringForLineStartingWith(&untouched, 0, "Key=1", "Key=", '\n'), 0);
    EXPECT_EQ(untouched, 'u');
}

TEST(GWData, LoadingNeedsTheResource) {
    TempDir dir;
    std::string without = GameWrapperTest::makeBundle(dir.path(), "Without");
    std::string folder = GameWrapperTest::makeBundle(dir.path(), "Folder");
    TestSupport::makeDirectories(GameWrapperTest::resourcesOf(folder) + "/RAW_002.wdt");
    std::string empty = bundleWithGameInfo(dir, "Empty", "");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            MacPlatformTestSetMainBundlePath(without.c_str());
            GWData absent;
            checks.check(!absent.LoadGameInfoDataFromResource(), "no resource: not loaded");
            MacPlatformTestSetMainBundlePath(folder.c_str());
            GWData unreadable;
            checks.check(!unreadable.LoadGameInfoDataFromResource(), "a folder: not loaded");
            // An object without text answers every default.
            checks.equal(std::string(unreadable.GetAppName()), "", "no name");
            checks.equal(unreadable.GetXPositionBuild(), 450, "default build x");
            checks.equal(unreadable.GetFontColorBuild(), 0xC3C3C3ul, "default build colour");
            MacPlatformTestSetMainBundlePath(empty.c_str());
            GWData emptyText;
            checks.check(emptyText.LoadGameInfoDataFromResource(), "an empty text loads");
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
            // Text getters hand out their own buffers, the same on every call.
            checks.check(data->GetAppName() == data->GetAppName(), "one name buffer");
            delete data;
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(GWData, AbsentLinesGiveTheDefaults) {
    TempDir dir;
    std::string bundle = bundleWithGameInfo(dir, "Sparse", "Unrelated=1\nNote: Build X=5\n");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* data = loadFrom(bundle, checks);
            checks.equal(std::string(data->GetGameFileRevisionString()), "", "revision");
            checks.equal(data->GetAppID(), 0, "app id");
            checks.equal(std::string(data->GetAppName()), "", "name");
            checks.equal(std::string(data->GetAppExecPath()), "", "exec path");
            checks.equal(data->GetChannelID(), 0, "channel");
            checks.equal(data->GetAppPrice(), 0.0f, "price");
            checks.equal(data->GetFontColorBuild(), 0xC3C3C3ul, "build colour");
            checks.equal(data->GetFontColorAppName(), 0ul, "name colour");
            checks.equal(data->GetXPositionBuild(), 450, "build x, only mid-line");
            checks.equal(data->GetYPositionBuild(), 510, "build y");
            checks.equal(data->GetXPositionBranding(), 9, "brand x");
            checks.equal(data->GetYPositionBranding(), 22, "brand y");
            checks.check(!data->TrackChildProcesses(), "tracking off");
            delete data;
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(GWData, ValuesThatDoNotParse) {
    struct Case {
        const char* text;
        unsigned long buildColor;
        unsigned long nameColor;
        bool track;
    };
    // An empty or non-hexadecimal colour is 0, not the default; signs and blanks as strtoul.
    const Case cases[] = {
        {"Font Color Build=\nFont Color App Name=0xFF0000\nTrack Child Processes=0\n", 0, 0xFF0000,
         false},
        {"Font Color Build=zz\r\nFont Color App Name= \tff0000\r\nTrack Child Processes=no\r\n", 0,
         0xFF0000, false},
        {"Font Color Build=C3C3C3x\nFont Color App Name=-1\nTrack Child Processes= 2\n", 0xC3C3C3,
         0xFFFFFFFF, true},
        {"Font Color Build=123456789\nFont Color App Name=+0X10\nTrack Child Processes=\n",
         0xFFFFFFFF, 0x10, false},
        {"Font Color Build=- 5\nFont Color App Name=--5\nTrack Child Processes=-3\n", 0, 0, true},
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
                delete data;
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << c.text;
    }
    std::string numbers = bundleWithGameInfo(dir, "Numbers",
                                             "Application ID=99999999999\n"
                                             "Developer Channel ID=-99999999999\n"
                                             "Application Price=1e300\n"
                                             "Build X=12abc\n"
                                             "Build Y=abc\n");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* data = loadFrom(numbers, checks);
            checks.equal(data->GetAppID(), 2147483647, "a huge id saturates");
            checks.equal(data->GetChannelID(), -2147483647 - 1, "a huge negative id saturates");
            checks.check(std::isinf(data->GetAppPrice()) && data->GetAppPrice() > 0,
                         "a price beyond float is infinite");
            checks.equal(data->GetXPositionBuild(), 12, "digits before junk");
            checks.equal(data->GetYPositionBuild(), 0, "no digits: 0, not the default");
            delete data;
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

// The caches belong to the getters: a later object answers what the first found, except where
// a getter is still waiting for a usable value.
TEST(GWData, CachesOutliveTheObjectAndFollowTheirRules) {
    TempDir dir;
    std::string first = bundleWithGameInfo(dir, "First",
                                           "Build X=-1\n"
                                           "Build Y=5\n"
                                           "Application ID=0\n"
                                           "Application Name=Alpha\n");
    std::string second = bundleWithGameInfo(dir, "Second",
                                            "Build X=300\n"
                                            "Build Y=7\n"
                                            "Brand X=70\n"
                                            "Application ID=42\n"
                                            "Developer Channel ID=8\n"
                                            "Application Price=2.5\n"
                                            "Application Name=Beta\n"
                                            "App Version String=v2\n"
                                            "Application Exec Path=Second\n"
                                            "Font Color Build=111111\n"
                                            "Font Color App Name=222222\n"
                                            "Track Child Processes=1\n");
    std::string third = bundleWithGameInfo(dir, "Third",
                                           "Build X=9\n"
                                           "Application ID=7\n"
                                           "Developer Channel ID=9\n"
                                           "Application Price=3.5\n"
                                           "App Version String=v3\n");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWData* a = loadFrom(first, checks);
            checks.equal(a->GetXPositionBuild(), -1, "-1 is answered");
            checks.equal(a->GetXPositionBuild(), -1, "-1 again");
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
            checks.equal(b->GetXPositionBranding(), 70, "first call of brand x");
            checks.equal(b->GetAppID(), 42, "id 0 was asked again");
            checks.equal(b->GetChannelID(), 8, "channel asked again");
            checks.equal(b->GetAppPrice(), 2.5f, "price asked again");
            checks.equal(std::string(b->GetAppName()), "Alpha", "a found name stays");
            checks.equal(std::string(b->GetGameFileRevisionString()), "v2",
                         "empty revision asked again");
            checks.equal(std::string(b->GetAppExecPath()), "Second", "first call of exec path");
            checks.equal(b->GetFontColorBuild(), 0xC3C3C3ul, "colour not asked again");
            checks.equal(b->GetFontColorAppName(), 0ul, "name colour not asked again");
            checks.check(!b->TrackChildProcesses(), "tracking not asked again");
            delete b;

            GWData* c = loadFrom(third, checks);
            checks.equal(c->GetXPositionBuild(), 300, "x now kept");
            checks.equal(c->GetXPositionBranding(), 70, "brand x kept");
            checks.equal(c->GetAppID(), 42, "id kept");
            checks.equal(c->GetChannelID(), 8, "channel kept");
            checks.equal(c->GetAppPrice(), 2.5f, "price kept");
            checks.equal(std::string(c->GetGameFileRevisionString()), "v2", "revision kept");
            checks.equal(std::string(c->GetAppExecPath()), "Second", "exec path kept");
            delete c;
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}
