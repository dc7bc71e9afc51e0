#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>
#include <MacPlatformTesting.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using TestSupport::TempDir;

namespace {

std::string pathOf(CFURLRef url) {
    char buffer[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                          sizeof buffer)) {
        return "<no path>";
    }
    return buffer;
}

std::string resourcesPath() {
    CFURLRef url = CFBundleCopyResourcesDirectoryURL(CFBundleGetMainBundle());
    std::string path = pathOf(url);
    CFRelease(url);
    return path;
}

struct MainBundleReset {
    ~MainBundleReset() { MacPlatformTestSetMainBundlePath(nullptr); }
};

} // namespace

TEST(CFType, RetainReleaseCountsAndConstantsLiveForever) {
    CFStringRef s = CFStringCreateWithCString(nullptr, "abc", kCFStringEncodingUTF8);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(CFGetRetainCount(s), 1);
    EXPECT_EQ(CFRetain(s), s);
    EXPECT_EQ(CFGetRetainCount(s), 2);
    CFRelease(s);
    EXPECT_EQ(CFGetRetainCount(s), 1);
    EXPECT_TRUE(CFEqual(s, CFSTR("abc")));
    EXPECT_EQ(CFGetTypeID(s), CFStringGetTypeID());
    CFRelease(s);

    CFStringRef constant = CFSTR("constant");
    EXPECT_EQ(constant, CFSTR("constant"));
    CFRelease(constant);
    CFRelease(constant);
    EXPECT_EQ(CFStringGetLength(CFSTR("constant")), 8);
}

TEST(CFString, EncodingsRoundTripAndRefuseWhatTheyCannotHold) {
    // "é" is 0x8E in MacRoman, and the string stores it as UTF-8.
    CFStringRef roman = CFStringCreateWithCString(nullptr, "caf\x8E", kCFStringEncodingMacRoman);
    ASSERT_NE(roman, nullptr);
    EXPECT_EQ(CFStringGetLength(roman), 4);
    char buffer[16];
    ASSERT_TRUE(CFStringGetCString(roman, buffer, sizeof buffer, kCFStringEncodingUTF8));
    EXPECT_STREQ(buffer, "caf\xC3\xA9");
    ASSERT_TRUE(CFStringGetCString(roman, buffer, sizeof buffer, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buffer, "caf\x8E");
    EXPECT_FALSE(CFStringGetCString(roman, buffer, sizeof buffer, kCFStringEncodingASCII));
    // Exactly the text and its terminator fit; one byte less does not.
    EXPECT_TRUE(CFStringGetCString(roman, buffer, 5, kCFStringEncodingMacRoman));
    EXPECT_FALSE(CFStringGetCString(roman, buffer, 4, kCFStringEncodingMacRoman));
    CFRelease(roman);

    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC3(", kCFStringEncodingUTF8), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\x80", kCFStringEncodingASCII), nullptr);

    // A character outside the Basic Multilingual Plane counts two UTF-16 units.
    CFStringRef wide =
        CFStringCreateWithCString(nullptr, "a\xF0\x9F\x8E\xAE", kCFStringEncodingUTF8);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(CFStringGetLength(wide), 3);
    EXPECT_EQ(CFStringGetCharacterAtIndex(wide, 1), 0xD83C);
    EXPECT_FALSE(CFStringGetCString(wide, buffer, sizeof buffer, kCFStringEncodingMacRoman));
    CFRelease(wide);
}

TEST(CFURL, FilePathsResolveAgainstTheirBase) {
    CFURLRef url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/a/b/../c/"), kCFURLPOSIXPathStyle, true);
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(pathOf(url), "/a/c");
    EXPECT_TRUE(CFURLHasDirectoryPath(url));
    char small[4];
    EXPECT_FALSE(
        CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(small), sizeof small));

    CFURLRef child = CFURLCreateCopyAppendingPathComponent(nullptr, url, CFSTR("d.txt"), false);
    EXPECT_EQ(pathOf(child), "/a/c/d.txt");
    CFStringRef last = CFURLCopyLastPathComponent(child);
    EXPECT_TRUE(CFEqual(last, CFSTR("d.txt")));
    CFRelease(last);
    CFRelease(child);

    CFURLRef relative = CFURLCreateWithFileSystemPathRelativeToBase(
        nullptr, CFSTR("x/y"), kCFURLPOSIXPathStyle, false, url);
    char buffer[64];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(relative, false, reinterpret_cast<UInt8*>(buffer),
                                                 sizeof buffer));
    EXPECT_STREQ(buffer, "x/y");
    CFURLRef absolute = CFURLCopyAbsoluteURL(relative);
    EXPECT_EQ(pathOf(absolute), "/a/c/x/y");
    CFStringRef path = CFURLCopyFileSystemPath(absolute, kCFURLPOSIXPathStyle);
    EXPECT_TRUE(CFEqual(path, CFSTR("/a/c/x/y")));
    CFRelease(path);
    CFRelease(absolute);
    CFRelease(relative);
    CFRelease(url);
}

TEST(CFBundle, MainBundleOfTheTestProgramIsItsFolder) {
    MainBundleReset reset;
    MacPlatformTestSetMainBundlePath(nullptr);
    CFURLRef url = CFBundleCopyBundleURL(CFBundleGetMainBundle());
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string folder(exe);
    folder = folder.substr(0, folder.find_last_of('/'));
    EXPECT_EQ(pathOf(url), folder);
    CFRelease(url);
}

TEST(CFBundle, ResourcesFolderFollowsTheBundleLayout) {
    MainBundleReset reset;
    TempDir dir;
    TestSupport::makeDirectories(dir / "Game.app/Contents/Resources");
    MacPlatformTestSetMainBundlePath((dir / "Game.app").c_str());
    EXPECT_EQ(resourcesPath(), dir / "Game.app/Contents/Resources");

    TestSupport::makeDirectories(dir / "Old/Resources");
    MacPlatformTestSetMainBundlePath((dir / "Old").c_str());
    EXPECT_EQ(resourcesPath(), dir / "Old/Resources");

    TestSupport::makeDirectories(dir / "Flat");
    MacPlatformTestSetMainBundlePath((dir / "Flat").c_str());
    EXPECT_EQ(resourcesPath(), dir / "Flat");
}

TEST(Microseconds, MonotonicAndOverridable) {
    UnsignedWide a, b;
    Microseconds(&a);
    usleep(2000);
    Microseconds(&b);
    UInt64 first = (UInt64(a.hi) << 32) | a.lo;
    UInt64 second = (UInt64(b.hi) << 32) | b.lo;
    EXPECT_GE(second - first, 2000u);

    MacPlatformTestSetMicroseconds(true, 0x123456789ULL);
    Microseconds(&a);
    EXPECT_EQ(a.hi, 0x1u);
    EXPECT_EQ(a.lo, 0x23456789u);
    MacPlatformTestSetMicroseconds(false, 0);
}
