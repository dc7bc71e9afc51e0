#include "CFTestHelpers.h"

#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace CFTest;

TEST(CFType, RetainReleaseCountsAndConstantsLiveForever) {
    CFStringRef s = cfString("abc");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(CFRetain(s), s);
    EXPECT_EQ(CFGetRetainCount(s), 2);
    CFRelease(s);
    EXPECT_EQ(CFGetRetainCount(s), 1);
    EXPECT_TRUE(CFEqual(s, CFSTR("abc")));
    CFRelease(s);

    // The same literal is one object, and releasing it more than it was retained keeps it.
    CFStringRef constant = CFSTR("constant");
    EXPECT_EQ(constant, CFSTR("constant"));
    CFRelease(constant);
    CFRelease(constant);
    EXPECT_EQ(CFStringGetLength(CFSTR("constant")), 8);

    // Every kind of object reports its own type.
    int one = 1;
    Owned<CFTypeRef> objects[] = {
        CFNumberCreate(nullptr, kCFNumberIntType, &one),
        CFDataCreate(nullptr, nullptr, 0),
        CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks),
        CFDictionaryCreate(nullptr, nullptr, nullptr, 0, nullptr, nullptr),
        CFDateCreate(nullptr, 0),
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/"), kCFURLPOSIXPathStyle, true),
    };
    const std::pair<CFTypeRef, CFTypeID> kTypes[] = {
        {CFSTR("s"), CFStringGetTypeID()},
        {objects[0], CFNumberGetTypeID()},
        {objects[1], CFDataGetTypeID()},
        {objects[2], CFArrayGetTypeID()},
        {objects[3], CFDictionaryGetTypeID()},
        {objects[4], CFDateGetTypeID()},
        {objects[5], CFURLGetTypeID()},
        {kCFBooleanTrue, CFBooleanGetTypeID()},
        {CFBundleGetMainBundle(), CFBundleGetTypeID()},
    };
    for (size_t k = 0; k < std::size(kTypes); ++k) {
        EXPECT_EQ(CFGetTypeID(kTypes[k].first), kTypes[k].second) << "object " << k;
        for (size_t other = 0; other < k; ++other) {
            EXPECT_NE(kTypes[k].second, kTypes[other].second) << k << " and " << other;
        }
    }
}

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
    char buffer[64];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(relative, false, reinterpret_cast<UInt8*>(buffer),
                                                 sizeof buffer));
    EXPECT_STREQ(buffer, "x/y");
    Owned<CFURLRef> absolute = CFURLCopyAbsoluteURL(relative);
    EXPECT_EQ(pathOf(absolute), "/a/c/x/y");
    EXPECT_TRUE(CFEqual(Owned<CFStringRef>(CFURLCopyFileSystemPath(absolute, kCFURLPOSIXPathStyle)),
                        CFSTR("/a/c/x/y")));
}

TEST(Microseconds, MonotonicAndOverridable) {
    UnsignedWide a, b;
    Microseconds(&a);
    usleep(2000);
    Microseconds(&b);
    EXPECT_GE(((UInt64(b.hi) << 32) | b.lo) - ((UInt64(a.hi) << 32) | a.lo), 2000u);
    MacPlatformTestSetMicroseconds(true, 0x123456789ULL);
    Microseconds(&a);
    MacPlatformTestSetMicroseconds(false, 0);
    EXPECT_EQ(a.hi, 0x1u);
    EXPECT_EQ(a.lo, 0x23456789u);
}
