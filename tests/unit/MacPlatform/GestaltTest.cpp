#include <CoreServices/CoreServices.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

namespace {

struct SystemVersionReset {
    ~SystemVersionReset() { MacPlatformTestSetSystemVersion(false, 0); }
};

SInt32 ask(OSType selector) {
    SInt32 response = -1;
    EXPECT_EQ(Gestalt(selector, &response), noErr);
    return response;
}

} // namespace

TEST(Gestalt, ReportsTheSystemVersionAndItsPartsAndTestsCanPretend) {
    SystemVersionReset reset;
    EXPECT_EQ(ask(gestaltSystemVersion), 0x1049);
    EXPECT_EQ(ask(gestaltSystemVersionMajor), 10);
    EXPECT_EQ(ask(gestaltSystemVersionMinor), 4);
    EXPECT_EQ(ask(gestaltSystemVersionBugFix), 11);
    SInt32 response = 77;
    EXPECT_EQ(Gestalt(0x71717171, &response), gestaltUndefSelectorErr);
    EXPECT_EQ(response, 77);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
    struct Case {
        SInt32 code, major, minor, bugFix;
    } const cases[] = {{0x102F, 10, 2, 15}, {0x1030, 10, 3, 0}};
    for (const Case& c : cases) {
        MacPlatformTestSetSystemVersion(true, c.code);
        EXPECT_EQ(ask(gestaltSystemVersion), c.code);
        EXPECT_EQ(ask(gestaltSystemVersionMajor), c.major) << c.code;
        EXPECT_EQ(ask(gestaltSystemVersionMinor), c.minor) << c.code;
        EXPECT_EQ(ask(gestaltSystemVersionBugFix), c.bugFix) << c.code;
    }
    MacPlatformTestSetSystemVersion(false, 0);
    EXPECT_EQ(ask(gestaltSystemVersion), 0x1049);
}
