#include "CFTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace {

// The UTF-8 text of the formatted string, or "<null>" when there is none.
template <typename... Arguments> std::string format(const char* format, Arguments... arguments) {
    CFTest::Owned<CFStringRef> string = CFStringCreateWithFormat(
        nullptr, nullptr, CFTest::Owned<CFStringRef>(CFTest::cfString(format)), arguments...);
    char buffer[512];
    if (!string) {
        return "<null>";
    }
    return CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer
                                                                                    : "<too long>";
}

} // namespace

TEST(CFStringFormat, PrintfConversionsAndObjectDescriptions) {
    EXPECT_EQ(format("%d.eula_agreed", 1234), "1234.eula_agreed");
    EXPECT_EQ(format("[%5.2f|%-4d|%04x|%+lld]", 3.14159, 7, 255, -9000000000LL),
              "[ 3.14|7   |00ff|-9000000000]");
    EXPECT_EQ(format("%zu %td %c %%", size_t(42), std::ptrdiff_t(-3), 'Z'), "42 -3 Z %");
    // Widths and precisions from arguments; a negative width aligns left.
    EXPECT_EQ(format("<%*d|%*d|%.*s>", 4, 1, -3, 2, 2, "abcdef"), "<   1|2  |ab>");

    // %@ shows a string's text and other objects' descriptions; NULL is "(null)".
    int value = 5;
    CFTest::Owned<CFNumberRef> number = CFNumberCreate(nullptr, kCFNumberIntType, &value);
    EXPECT_EQ(format("%@ %@ %@ %@ %s", CFSTR("caf\xC3\xA9"), number.get(), kCFBooleanTrue, nullptr,
                     static_cast<const char*>(nullptr)),
              "caf\xC3\xA9 5 true (null) (null)");
    // C strings are UTF-8 when they can be, MacRoman otherwise; UniChar text is UTF-16, wide
    // text UTF-32 up to the last code point.
    const UniChar wide[] = {0x48, 0xE9, 0x20AC, 0};
    EXPECT_EQ(format("%s|%s|%C|%S|%ls", "caf\x8E", "\xC3\xA9", 0x00E9, wide, L"\U0010FFFF"),
              "caf\xC3\xA9|\xC3\xA9|\xC3\xA9|H\xC3\xA9\xE2\x82\xAC|\xF4\x8F\xBF\xBF");

    // Malformed or unsafe formats give no string at all.
    for (const char* malformed : {"%n", "%1$d", "%999999999d", "100%", "%k"}) {
        EXPECT_EQ(format(malformed, &value), "<null>") << malformed;
    }
    EXPECT_EQ(format("%*d", 1 << 30, 1), "<null>");
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr), nullptr);
}

TEST(CFURLAccess, ReadsWholeFilesAndTheirProperties) {
    TestSupport::TempDir dir;
    const std::string content("RAW\0data\xFF", 9);
    TestSupport::writeFile(dir / "RAW_002.wdt", content);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    CFDataRef data = nullptr;
    CFDictionaryRef properties = nullptr;
    SInt32 error = 99;
    // Reads the file into data and properties, or the properties alone when some are asked for
    // by name; the error code, or 0.
    auto read = [&](const std::string& path, CFArrayRef desired = nullptr) {
        CFTest::Owned<CFURLRef> url =
            path.empty() ? nullptr : CFTest::fileURL(path, path.ends_with('/'));
        // Garbage that a failure must clear.
        data = desired ? nullptr : reinterpret_cast<CFDataRef>(url.get());
        bool ok = CFURLCreateDataAndPropertiesFromResource(nullptr, url, desired ? nullptr : &data,
                                                           &properties, desired, &error);
        EXPECT_EQ(ok, error == 0) << path;
        return error;
    };
    auto number = [&](CFStringRef key) {
        long value = -1;
        CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(properties, key)),
                         kCFNumberLongType, &value);
        return value;
    };

    ASSERT_EQ(read(dir / "RAW_002.wdt"), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                          static_cast<size_t>(CFDataGetLength(data))),
              content);
    EXPECT_EQ(CFDictionaryGetValue(properties, kCFURLFileExists), kCFBooleanTrue);
    EXPECT_EQ(number(kCFURLFileLength), 9);
    CFRelease(properties);
    CFRelease(data);

    // Only the properties asked for; an unknown one is reported.
    const void* wanted[] = {kCFURLFileLength, CFSTR("NoSuchProperty")};
    CFArrayRef desired = CFArrayCreate(nullptr, wanted, 2, &kCFTypeArrayCallBacks);
    EXPECT_EQ(read(dir / "RAW_002.wdt", desired), kCFURLUnknownPropertyKeyError);
    EXPECT_EQ(CFDictionaryGetCount(properties), 1);
    CFRelease(properties);
    CFRelease(desired);

    EXPECT_EQ(read(dir / "missing"), kCFURLResourceNotFoundError);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(CFDictionaryGetValue(properties, kCFURLFileExists), kCFBooleanFalse);
    CFRelease(properties);

    // A FIFO would block a plain open and a device would never end: only regular files.
    for (const std::string& path :
         {dir / "fifo", std::string("/dev/zero"), dir / "", std::string()}) {
        EXPECT_EQ(read(path), kCFURLImproperArgumentsError) << path;
        EXPECT_EQ(data, nullptr);
        CFRelease(properties);
    }
}
