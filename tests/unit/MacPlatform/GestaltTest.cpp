#include <CoreServices/CoreServices.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

TEST(Gestalt, ReportsTheSystemVersionAndItsPartsAndTestsCanPretend) {
    SInt32 response = 77;
    EXPECT_EQ(Gestalt(0x71717171, &response), gestaltUndefSelectorErr);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
    // A pretended version, then none: the one the system reports, whose bug-fix release no
    // longer fits in the code.
    const struct {
        SInt32 pretend, code, major, minor, bugFix;
    } kCases[] = {{0x102F, 0x102F, 10, 2, 15}, {0x1030, 0x1030, 10, 3, 0}, {0, 0x1049, 10, 4, 11}};
    for (const auto& c : kCases) {
        MacPlatformTestSetSystemVersion(c.pretend != 0, c.pretend);
        const std::pair<OSType, SInt32> expected[] = {{gestaltSystemVersion, c.code},
                                                      {gestaltSystemVersionMajor, c.major},
                                                      {gestaltSystemVersionMinor, c.minor},
                                                      {gestaltSystemVersionBugFix, c.bugFix}};
        for (const auto& [selector, value] : expected) {
            EXPECT_EQ(Gestalt(selector, &response), noErr);
            EXPECT_EQ(response, value) << "pretending " << c.pretend << ", selector " << selector;
        }
    }
}
