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

TEST(Gestalt, ReportsTheProvidedSystemVersionAndItsParts) {
    EXPECT_EQ(ask(gestaltSystemVersion), 0x1049);
    EXPECT_EQ(ask(gestaltSystemVersionMajor), 10);
    EXPECT_EQ(ask(gestaltSystemVersionMinor), 4);
    EXPECT_EQ(ask(gestaltSystemVersionBugFix), 11);

    SInt32 response = 77;
    EXPECT_EQ(Gestalt(0x71717171, &response), gestaltUndefSelectorErr);
    EXPECT_EQ(response, 77);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

TEST(Gestalt, TestsCanPretendToBeAnotherSystem) {
    SystemVersionReset reset;
    MacPlatformTestSetSystemVersion(true, 0x102F);
    EXPECT_EQ(ask(gestaltSystemVersion), 0x102F);
    EXPECT_EQ(ask(gestaltSystemVersionMajor), 10);
    EXPECT_EQ(ask(gestaltSystemVersionMinor), 2);
    EXPECT_EQ(ask(gestaltSystemVersionBugFix), 15);

    MacPlatformTestSetSystemVersion(true, 0x1030);
    EXPECT_EQ(ask(gestaltSystemVersionMinor), 3);
    EXPECT_EQ(ask(gestaltSystemVersionBugFix), 0);

    MacPlatformTestSetSystemVersion(false, 0);
    EXPECT_EQ(ask(gestaltSystemVersion), 0x1049);
}
