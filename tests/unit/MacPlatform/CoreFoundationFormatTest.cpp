#include <CoreFoundation/CoreFoundation.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace {

// The UTF-8 text of a string that the test owns; releases it. "<null>" for no string.
std::string take(CFStringRef string) {
    if (!string) {
        return "<null>";
    }
    char buffer[512];
    std::string text = CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8)
                           ? buffer
                           : "<too long>";
    CFRelease(string);
    return text;
}

} // namespace

TEST(CFStringFormat, PrintfConversionsAndObjectDescriptions) {
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%d.eula_agreed"), 1234)),
              "1234.eula_agreed");
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("[%5.2f|%-4d|%04x|%+lld]"),
                                            3.14159, 7, 255, -9000000000LL)),
              "[ 3.14|7   |00ff|-9000000000]");
    size_t size = 42;
    std::ptrdiff_t diff = -3;
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%zu %td %hhd %ho %c %%"), size,
                                            diff, 300, 65537, 'Z')),
              "42 -3 44 1 Z %");
    // Widths and precisions from arguments; a negative width aligns left.
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("<%*d|%*d|%.*s>"), 4, 1, -3, 2,
                                            2, "abcdef")),
              "<   1|2  |ab>");

    // %@ shows a string's text and other objects' descriptions; NULL is "(null)".
    int value = 5;
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberIntType, &value);
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@ %@ %@ %@ %s"),
                                            CFSTR("caf\xC3\xA9"), number, kCFBooleanTrue, nullptr,
                                            static_cast<const char*>(nullptr))),
              "caf\xC3\xA9 5 true (null) (null)");
    CFRelease(number);
    // C strings are UTF-8 when they can be, MacRoman otherwise; UniChar text is UTF-16.
    const UniChar wide[] = {0x48, 0xE9, 0x20AC, 0};
    EXPECT_EQ(take(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%s|%s|%C|%S"), "caf\x8E",
                                            "\xC3\xA9", 0x00E9, wide)),
              "caf\xC3\xA9|\xC3\xA9|\xC3\xA9|H\xC3\xA9\xE2\x82\xAC");

    // Malformed or unsafe formats give no string at all.
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%n"), &value), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%1$d"), 1), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%999999999d"), 1), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%*d"), 1 << 30, 1), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("100%")), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%k"), 1), nullptr);
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr), nullptr);
}

TEST(CFURLAccess, ReadsWholeFilesAndTheirProperties) {
    TestSupport::TempDir dir;
    const std::string content("RAW\0data\xFF", 9);
    TestSupport::writeFile(dir / "RAW_002.wdt", content);
    ASSERT_EQ(chmod((dir / "RAW_002.wdt").c_str(), 0640), 0);
    TestSupport::writeFile(dir / "empty", "");
    auto urlFor = [&](const std::string& name, bool directory = false) {
        std::string path = dir / name;
        return CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(path.c_str()),
            static_cast<CFIndex>(path.size()), directory);
    };

    CFURLRef url = urlFor("RAW_002.wdt");
    CFDataRef data = nullptr;
    CFDictionaryRef properties = nullptr;
    SInt32 error = 99;
    ASSERT_TRUE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, &properties, nullptr,
                                                         &error));
    EXPECT_EQ(error, 0);
    ASSERT_EQ(CFDataGetLength(data), 9);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), 9), content);
    EXPECT_EQ(CFDictionaryGetValue(properties, kCFURLFileExists), kCFBooleanTrue);
    long length = 0;
    long mode = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(properties, kCFURLFileLength)),
                     kCFNumberLongType, &length);
    CFNumberGetValue(
        static_cast<CFNumberRef>(CFDictionaryGetValue(properties, kCFURLFilePOSIXMode)),
        kCFNumberLongType, &mode);
    EXPECT_EQ(length, 9);
    EXPECT_EQ(mode, 0640);
    EXPECT_GT(CFDateGetAbsoluteTime(static_cast<CFDateRef>(
                  CFDictionaryGetValue(properties, kCFURLFileLastModificationTime))),
              0);
    CFRelease(properties);
    CFRelease(data);

    // Only the properties asked for; an unknown one is reported.
    const void* wanted[] = {kCFURLFileLength, CFSTR("NoSuchProperty")};
    CFArrayRef desired = CFArrayCreate(nullptr, wanted, 2, &kCFTypeArrayCallBacks);
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, nullptr, &properties,
                                                          desired, &error));
    EXPECT_EQ(error, kCFURLUnknownPropertyKeyError);
    EXPECT_EQ(CFDictionaryGetCount(properties), 1);
    CFRelease(properties);
    CFRelease(desired);
    CFRelease(url);

    url = urlFor("empty");
    EXPECT_TRUE(
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr, &error));
    EXPECT_EQ(CFDataGetLength(data), 0);
    CFRelease(data);
    CFRelease(url);

    url = urlFor("missing");
    data = reinterpret_cast<CFDataRef>(url); // must be cleared on failure
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, &properties, nullptr,
                                                          &error));
    EXPECT_EQ(error, kCFURLResourceNotFoundError);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(CFDictionaryGetValue(properties, kCFURLFileExists), kCFBooleanFalse);
    EXPECT_EQ(CFDictionaryGetCount(properties), 1);
    CFRelease(properties);
    CFRelease(url);

    // A FIFO would block a plain open and a device would never end: only regular files.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const char* special : {"fifo", "/dev/zero"}) {
        std::string path = special[0] == '/' ? special : dir / special;
        url = CFURLCreateFromFileSystemRepresentation(nullptr,
                                                      reinterpret_cast<const UInt8*>(path.c_str()),
                                                      static_cast<CFIndex>(path.size()), false);
        EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr,
                                                              &error));
        EXPECT_EQ(error, kCFURLImproperArgumentsError) << special;
        CFRelease(url);
    }
    url = urlFor("", true);
    EXPECT_FALSE(
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr, &error));
    EXPECT_EQ(error, kCFURLImproperArgumentsError);
    CFRelease(url);
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, nullptr, &data, nullptr, nullptr,
                                                          &error));
    EXPECT_EQ(error, kCFURLImproperArgumentsError);
}
