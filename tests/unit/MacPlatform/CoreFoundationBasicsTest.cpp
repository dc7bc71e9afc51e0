#include "CFTestHelpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace CFTest;

TEST(CFString, EncodingsRoundTripAndRefuseWhatTheyCannotHold) {
    // "é" is 0x8E in MacRoman, and the string stores it as UTF-8.
    Owned<CFStringRef> roman =
        CFStringCreateWithCString(nullptr, "caf\x8E", kCFStringEncodingMacRoman);
    ASSERT_NE(roman.get(), nullptr);
    EXPECT_EQ(CFStringGetLength(roman), 4);
    char buffer[16];
    ASSERT_TRUE(CFStringGetCString(roman, buffer, sizeof buffer, kCFStringEncodingUTF8));
    EXPECT_STREQ(buffer, "caf\xC3\xA9");
    EXPECT_FALSE(CFStringGetCString(roman, buffer, sizeof buffer, kCFStringEncodingASCII));
    // Exactly the text and its terminator fit; one byte less does not.
    EXPECT_TRUE(CFStringGetCString(roman, buffer, 5, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buffer, "caf\x8E");
    EXPECT_FALSE(CFStringGetCString(roman, buffer, 4, kCFStringEncodingMacRoman));

    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC3(", kCFStringEncodingUTF8), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\x80", kCFStringEncodingASCII), nullptr);

    // A character outside the Basic Multilingual Plane counts two UTF-16 units.
    Owned<CFStringRef> wide = cfString("a\xF0\x9F\x8E\xAE");
    ASSERT_NE(wide.get(), nullptr);
    EXPECT_EQ(CFStringGetLength(wide), 3);
    EXPECT_EQ(CFStringGetCharacterAtIndex(wide, 1), 0xD83C);
    EXPECT_FALSE(CFStringGetCString(wide, buffer, sizeof buffer, kCFStringEncodingMacRoman));

    // The same literal is one object, and releasing it more than it was retained keeps it.
    CFStringRef constant = CFSTR("constant");
    EXPECT_EQ(constant, CFSTR("constant"));
    CFRelease(constant);
    CFRelease(constant);
    EXPECT_EQ(CFStringGetLength(CFSTR("constant")), 8);
}

TEST(CFURL, FilePathsResolveAgainstTheirBase) {
    Owned<CFURLRef> url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/a/b/../c/"), kCFURLPOSIXPathStyle, true);
    ASSERT_NE(url.get(), nullptr);
    EXPECT_EQ(pathOf(url), "/a/c");
    EXPECT_TRUE(CFURLHasDirectoryPath(url));
    char small[4];
    EXPECT_FALSE(
        CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(small), sizeof small));

    Owned<CFURLRef> child =
        CFURLCreateCopyAppendingPathComponent(nullptr, url, CFSTR("d.txt"), false);
    EXPECT_EQ(pathOf(child), "/a/c/d.txt");
    EXPECT_TRUE(CFEqual(Owned<CFStringRef>(CFURLCopyLastPathComponent(child)), CFSTR("d.txt")));

    Owned<CFURLRef> relative = CFURLCreateWithFileSystemPathRelativeToBase(
        nullptr, CFSTR("x/y"), kCFURLPOSIXPathStyle, false, url);
    EXPECT_TRUE(CFEqual(Owned<CFStringRef>(CFURLCopyFileSystemPath(relative, kCFURLPOSIXPathStyle)),
                        CFSTR("x/y")));
    EXPECT_EQ(pathOf(Owned<CFURLRef>(CFURLCopyAbsoluteURL(relative))), "/a/c/x/y");
}
