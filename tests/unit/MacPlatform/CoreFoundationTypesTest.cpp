#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

CFStringRef string(const char* text) {
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

std::string bigEndian(uint64_t value, size_t width) {
    std::string out(width, '\0');
    for (size_t i = 0; i < width; ++i) {
        out[width - 1 - i] = static_cast<char>(value >> (8 * i));
    }
    return out;
}

// A binary property list of count arrays where array i holds refsPerArray references to array
// i + 1: one reference makes a chain count deep, two make a list that doubles at every level.
CFDataRef binaryNestedArrays(size_t count, size_t refsPerArray) {
    std::string bytes = "bplist00";
    std::string table;
    for (size_t i = 0; i < count; ++i) {
        table += bigEndian(bytes.size(), 4);
        if (i + 1 == count) {
            bytes += '\xA0';
            continue;
        }
        bytes += static_cast<char>(0xA0 | refsPerArray);
        for (size_t r = 0; r < refsPerArray; ++r) {
            bytes += bigEndian(i + 1, 4);
        }
    }
    size_t tableOffset = bytes.size();
    bytes += table;
    bytes += std::string(6, '\0') + '\x04' + '\x04' + bigEndian(count, 8) + bigEndian(0, 8) +
             bigEndian(tableOffset, 8);
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                        static_cast<CFIndex>(bytes.size()));
}

CFPropertyListRef parse(CFDataRef data, CFStringRef* error = nullptr) {
    return CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, error);
}

} // namespace

TEST(CFData, CopiesWrapsGrowsAndRefusesBadArguments) {
    const UInt8 bytes[] = {1, 2, 3, 4, 5};
    CFDataRef data = CFDataCreate(nullptr, bytes, sizeof bytes);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(CFGetTypeID(data), CFDataGetTypeID());
    EXPECT_EQ(CFDataGetLength(data), 5);
    EXPECT_NE(CFDataGetBytePtr(data), bytes);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data), bytes, 5), 0);
    // Only the part of the range inside the data is copied.
    UInt8 out[4] = {9, 9, 9, 9};
    CFDataGetBytes(data, CFRangeMake(3, 4), out);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[2], 9);
    CFDataGetBytes(data, CFRangeMake(-1, 2), out);
    EXPECT_EQ(out[0], 4);

    // The same bytes wrapped without copying compare equal and keep their address.
    CFDataRef wrapped = CFDataCreateWithBytesNoCopy(nullptr, bytes, 5, kCFAllocatorNull);
    EXPECT_EQ(CFDataGetBytePtr(wrapped), bytes);
    EXPECT_TRUE(CFEqual(data, wrapped));
    EXPECT_EQ(CFHash(data), CFHash(wrapped));
    CFRelease(wrapped);
    // Malloc'd bytes handed over are freed with the data (the leak checker watches this).
    auto* owned = static_cast<UInt8*>(std::malloc(3));
    std::memcpy(owned, bytes, 3);
    CFRelease(CFDataCreateWithBytesNoCopy(nullptr, owned, 3, kCFAllocatorMalloc));

    CFMutableDataRef grow = CFDataCreateMutableCopy(nullptr, 0, data);
    CFDataAppendBytes(grow, bytes, 2);
    // Appending the data to itself must survive the storage moving.
    CFDataAppendBytes(grow, CFDataGetBytePtr(grow), CFDataGetLength(grow));
    ASSERT_EQ(CFDataGetLength(grow), 14);
    const UInt8 expected[] = {1, 2, 3, 4, 5, 1, 2, 1, 2, 3, 4, 5, 1, 2};
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(grow), expected, 14), 0);
    CFDataSetLength(grow, 2);
    CFDataIncreaseLength(grow, 2);
    EXPECT_EQ(CFDataGetLength(grow), 4);
    EXPECT_EQ(CFDataGetBytePtr(grow)[3], 0);
    CFRelease(grow);

    // A capacity is a hard limit; immutable data does not change.
    CFMutableDataRef bounded = CFDataCreateMutable(nullptr, 4);
    CFDataAppendBytes(bounded, bytes, 5);
    EXPECT_EQ(CFDataGetLength(bounded), 0);
    CFDataAppendBytes(bounded, bytes, 4);
    EXPECT_EQ(CFDataGetLength(bounded), 4);
    CFRelease(bounded);
    CFDataAppendBytes(reinterpret_cast<CFMutableDataRef>(const_cast<__CFData*>(data)), bytes, 1);
    EXPECT_EQ(CFDataGetLength(data), 5);
    EXPECT_EQ(
        CFDataGetMutableBytePtr(reinterpret_cast<CFMutableDataRef>(const_cast<__CFData*>(data))),
        nullptr);

    EXPECT_EQ(CFDataCreate(nullptr, nullptr, 3), nullptr);
    EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
    EXPECT_EQ(CFDataGetLength(nullptr), 0);
    EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(CFSTR("not data"))), 0);
    CFStringRef description = CFCopyDescription(data);
    EXPECT_TRUE(CFEqual(description, CFSTR("<01020304 05>")));
    CFRelease(description);
    CFRelease(data);
}

TEST(CFNumber, ConvertsExactlyOrSaysItLostSomething) {
    int64_t big = 5000000000;
    CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
    int32_t small = 0;
    EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &small));
    EXPECT_EQ(small, INT32_MAX);
    int64_t back = 0;
    EXPECT_TRUE(CFNumberGetValue(n, kCFNumberSInt64Type, &back));
    EXPECT_EQ(back, big);
    EXPECT_FALSE(CFNumberIsFloatType(n));

    double d = 2.5;
    CFNumberRef f = CFNumberCreate(nullptr, kCFNumberDoubleType, &d);
    int whole = 0;
    EXPECT_FALSE(CFNumberGetValue(f, kCFNumberIntType, &whole));
    EXPECT_EQ(whole, 2);
    float single = 0;
    EXPECT_TRUE(CFNumberGetValue(f, kCFNumberFloat32Type, &single));
    EXPECT_EQ(single, 2.5f);
    EXPECT_TRUE(CFNumberIsFloatType(f));
    EXPECT_EQ(CFNumberCompare(n, f, nullptr), kCFCompareGreaterThan);

    // Equal values are equal whatever their type, and hash alike.
    short three = 3;
    double threeD = 3.0;
    CFNumberRef a = CFNumberCreate(nullptr, kCFNumberShortType, &three);
    CFNumberRef b = CFNumberCreate(nullptr, kCFNumberFloat64Type, &threeD);
    EXPECT_TRUE(CFEqual(a, b));
    EXPECT_EQ(CFHash(a), CFHash(b));
    EXPECT_EQ(CFNumberGetType(a), kCFNumberShortType);
    EXPECT_EQ(CFNumberGetByteSize(a), 2);
    CFStringRef text = CFCopyDescription(f);
    EXPECT_TRUE(CFEqual(text, CFSTR("2.5")));
    CFRelease(text);

    EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, nullptr), nullptr);
    EXPECT_EQ(CFNumberCreate(nullptr, static_cast<CFNumberType>(99), &three), nullptr);
    EXPECT_FALSE(CFNumberGetValue(nullptr, kCFNumberIntType, &whole));
    for (CFNumberRef x : {n, f, a, b}) {
        CFRelease(x);
    }

    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
    EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
    EXPECT_EQ(CFGetTypeID(kCFBooleanTrue), CFBooleanGetTypeID());
    EXPECT_FALSE(CFEqual(kCFBooleanTrue, kCFBooleanFalse));
    CFRelease(kCFBooleanTrue); // the constants never go away
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
}

TEST(CFCollections, RetainWhatTheyHoldAndReleaseItOnce) {
    CFStringRef key = string("key");
    CFStringRef value = string("value");
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(dict, key, value);
    EXPECT_EQ(CFGetRetainCount(value), 2);
    // Looking up by an equal key of another object finds it.
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("key")), value);
    CFDictionaryAddValue(dict, CFSTR("key"), CFSTR("ignored"));
    EXPECT_EQ(CFDictionaryGetValue(dict, key), value);
    CFDictionaryReplaceValue(dict, CFSTR("absent"), value);
    EXPECT_FALSE(CFDictionaryContainsKey(dict, CFSTR("absent")));
    // Setting the value it already holds must not free it on the way.
    CFDictionarySetValue(dict, key, value);
    EXPECT_EQ(CFGetRetainCount(value), 2);

    CFDictionaryRef frozen = CFDictionaryCreateCopy(nullptr, dict);
    EXPECT_TRUE(CFEqual(frozen, dict));
    CFDictionarySetValue(
        reinterpret_cast<CFMutableDictionaryRef>(const_cast<__CFDictionary*>(frozen)),
        CFSTR("other"), value);
    EXPECT_EQ(CFDictionaryGetCount(frozen), 1);
    CFDictionaryRemoveValue(dict, CFSTR("key"));
    EXPECT_FALSE(CFEqual(frozen, dict));
    EXPECT_EQ(CFGetRetainCount(value), 2); // held by the copy only, and by us
    CFRelease(frozen);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_EQ(CFGetRetainCount(key), 1);

    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 2, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(array, value);
    CFArrayInsertValueAtIndex(array, 0, key);
    CFArrayAppendValue(array, key); // over capacity
    ASSERT_EQ(CFArrayGetCount(array), 2);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), key);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 2), nullptr);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, -1), nullptr);
    EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, CFRangeMake(0, 2), CFSTR("value")), 1);
    EXPECT_FALSE(CFArrayContainsValue(array, CFRangeMake(0, 1), CFSTR("value")));
    CFArraySetValueAtIndex(array, 1, key);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_EQ(CFGetRetainCount(key), 3);
    CFArrayRemoveValueAtIndex(array, 0);
    CFArrayRemoveAllValues(array);
    EXPECT_EQ(CFGetRetainCount(key), 1);
    CFRelease(array);

    // Without callbacks, values are plain pointers.
    static int raw[2];
    const void* keys[] = {&raw[0], &raw[1]};
    const void* values[] = {&raw[1], &raw[0]};
    CFDictionaryRef plain = CFDictionaryCreate(nullptr, keys, values, 2, nullptr, nullptr);
    EXPECT_EQ(CFDictionaryGetValue(plain, &raw[0]), &raw[1]);
    int visits = 0;
    CFDictionaryApplyFunction(
        plain, [](const void*, const void*, void* n) { ++*static_cast<int*>(n); }, &visits);
    EXPECT_EQ(visits, 2);
    CFRelease(plain);
    EXPECT_EQ(CFDictionaryCreate(nullptr, nullptr, values, 2, nullptr, nullptr), nullptr);

    CFRelease(dict);
    CFRelease(key);
    CFRelease(value);
}

TEST(CFPropertyList, RoundTripsEveryTypeAndRefusesOthers) {
    const UInt8 bytes[] = {0, 1, 0xFF};
    int64_t negative = -42;
    double real = 0.125;
    CFDataRef data = CFDataCreate(nullptr, bytes, 3);
    CFNumberRef integer = CFNumberCreate(nullptr, kCFNumberSInt64Type, &negative);
    CFNumberRef fraction = CFNumberCreate(nullptr, kCFNumberDoubleType, &real);
    CFDateRef date = CFDateCreate(nullptr, 600000000.0);
    const void* items[] = {CFSTR("x <&> \xC3\xA9"), kCFBooleanFalse};
    CFArrayRef array = CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks);
    const void* keys[] = {CFSTR("data"), CFSTR("int"),   CFSTR("real"),
                          CFSTR("date"), CFSTR("array"), CFSTR("yes")};
    const void* values[] = {data, integer, fraction, date, array, kCFBooleanTrue};
    CFDictionaryRef dict = CFDictionaryCreate(
        nullptr, keys, values, 6, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, dict);
    ASSERT_NE(xml, nullptr);
    CFPropertyListRef back = parse(xml);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(CFEqual(back, dict));
    CFPropertyListRef copy =
        CFPropertyListCreateDeepCopy(nullptr, dict, kCFPropertyListMutableContainers);
    EXPECT_TRUE(CFEqual(copy, dict));
    CFDictionarySetValue(reinterpret_cast<CFMutableDictionaryRef>(const_cast<void*>(copy)),
                         CFSTR("new"), date);
    EXPECT_EQ(CFDictionaryGetCount(static_cast<CFDictionaryRef>(copy)), 7);
    EXPECT_TRUE(CFPropertyListIsValid(dict, kCFPropertyListXMLFormat_v1_0));
    for (CFTypeRef cf :
         {CFTypeRef(xml), back, copy, CFTypeRef(dict), CFTypeRef(array), CFTypeRef(date),
          CFTypeRef(fraction), CFTypeRef(integer), CFTypeRef(data)}) {
        CFRelease(cf);
    }

    // A URL is not a property-list type, nor is a dictionary with a number as key.
    CFURLRef url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
    const void* urlItems[] = {url};
    CFArrayRef withURL = CFArrayCreate(nullptr, urlItems, 1, &kCFTypeArrayCallBacks);
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, withURL), nullptr);
    EXPECT_FALSE(CFPropertyListIsValid(withURL, kCFPropertyListXMLFormat_v1_0));
    const void* numberKey[] = {kCFBooleanTrue};
    CFDictionaryRef badKey =
        CFDictionaryCreate(nullptr, numberKey, numberKey, 1, &kCFTypeDictionaryKeyCallBacks,
                           &kCFTypeDictionaryValueCallBacks);
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, badKey), nullptr);
    CFRelease(badKey);
    CFRelease(withURL);
    CFRelease(url);
}

TEST(CFPropertyList, DamagedAndHostileInputIsRefusedQuickly) {
    const char* damaged = "<plist><dict><key>a</key><string>x</dict></plist>";
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(damaged),
                                  static_cast<CFIndex>(std::strlen(damaged)));
    CFStringRef error = nullptr;
    EXPECT_EQ(parse(data, &error), nullptr);
    EXPECT_NE(error, nullptr);
    CFRelease(error);
    CFRelease(data);
    EXPECT_EQ(parse(nullptr, &error), nullptr);
    CFRelease(error);

    // A NUL inside an XML string is refused rather than handed to the parser, which aborts on it.
    std::string withNul = "<plist><dict><key>a</key><string>x";
    withNul += '\0';
    withNul += "y</string></dict></plist>";
    data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(withNul.data()),
                        static_cast<CFIndex>(withNul.size()));
    EXPECT_EQ(parse(data), nullptr);
    CFRelease(data);

    // Nesting that would exhaust the parser's stack.
    std::string deep = "<plist>";
    for (int i = 0; i < 100000; ++i) {
        deep += "<array>";
    }
    for (int i = 0; i < 100000; ++i) {
        deep += "</array>";
    }
    deep += "</plist>";
    data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(deep.data()),
                        static_cast<CFIndex>(deep.size()));
    EXPECT_EQ(parse(data), nullptr);
    CFRelease(data);

    // Binary lists: a modest chain parses; a deep chain, a list that expands to 2^40 objects
    // through shared references, and a cycle are refused without running out of time.
    data = binaryNestedArrays(100, 1);
    CFPropertyListRef chain = parse(data);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(chain)), 1);
    CFRelease(chain);
    CFRelease(data);
    auto start = std::chrono::steady_clock::now();
    for (auto [count, refs] : {std::pair{100000, 1}, std::pair{41, 2}}) {
        data = binaryNestedArrays(static_cast<size_t>(count), static_cast<size_t>(refs));
        EXPECT_EQ(parse(data), nullptr) << count;
        CFRelease(data);
    }
    std::string cycle = "bplist00";
    cycle += "\xA1";
    cycle += bigEndian(0, 1);
    cycle += bigEndian(8, 1);
    cycle += std::string(6, '\0') + '\x01' + '\x01' + bigEndian(1, 8) + bigEndian(0, 8) +
             bigEndian(10, 8);
    data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(cycle.data()),
                        static_cast<CFIndex>(cycle.size()));
    EXPECT_EQ(parse(data), nullptr);
    CFRelease(data);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
