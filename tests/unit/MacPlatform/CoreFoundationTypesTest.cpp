#include "CFTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace CFTest;

using namespace std::literals;

namespace {

std::string bigEndian(uint64_t value, size_t width) {
    std::string out(width, '\0');
    for (size_t i = 0; i < width; ++i) {
        out[width - 1 - i] = static_cast<char>(value >> (8 * i));
    }
    return out;
}

// The bytes of a binary property list of count arrays where array i holds refsPerArray references
// to array i + 1: one reference makes a chain count deep, two make a list that doubles at every
// level.
std::string binaryNestedArrays(size_t count, size_t refsPerArray) {
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
    return bytes + std::string(6, '\0') + '\x04' + '\x04' + bigEndian(count, 8) + bigEndian(0, 8) +
           bigEndian(tableOffset, 8);
}

CFPropertyListRef parse(const std::string& bytes) {
    return CFPropertyListCreateFromXMLData(nullptr, Owned<CFDataRef>(cfData(bytes)),
                                           kCFPropertyListImmutable, nullptr);
}

} // namespace

TEST(CFData, CopiesWrapsGrowsAndRefusesBadArguments) {
    const UInt8 bytes[] = {1, 2, 3, 4, 5};
    Owned<CFDataRef> data = CFDataCreate(nullptr, bytes, sizeof bytes);
    ASSERT_NE(data.get(), nullptr);
    EXPECT_NE(CFDataGetBytePtr(data), bytes);
    EXPECT_TRUE(CFEqual(Owned<CFStringRef>(CFCopyDescription(data)), CFSTR("<01020304 05>")));
    // Only the part of the range inside the data is copied.
    UInt8 out[4] = {9, 9, 9, 9};
    CFDataGetBytes(data, CFRangeMake(3, 4), out);
    CFDataGetBytes(data, CFRangeMake(-1, 2), out);
    EXPECT_EQ(std::vector<UInt8>(out, out + 4), (std::vector<UInt8>{4, 5, 9, 9}));

    // The same bytes wrapped without copying compare equal and keep their address.
    Owned<CFDataRef> wrapped = CFDataCreateWithBytesNoCopy(nullptr, bytes, 5, kCFAllocatorNull);
    EXPECT_EQ(CFDataGetBytePtr(wrapped), bytes);
    EXPECT_TRUE(CFEqual(data, wrapped));
    EXPECT_EQ(CFHash(data), CFHash(wrapped));
    // Malloc'd bytes handed over are freed with the data (the leak checker watches this).
    auto* owned = static_cast<UInt8*>(std::malloc(3));
    std::memcpy(owned, bytes, 3);
    CFRelease(CFDataCreateWithBytesNoCopy(nullptr, owned, 3, kCFAllocatorMalloc));

    Owned<CFMutableDataRef> grow = CFDataCreateMutableCopy(nullptr, 0, data);
    CFDataAppendBytes(grow, bytes, 2);
    // Appending the data to itself must survive the storage moving.
    CFDataAppendBytes(grow, CFDataGetBytePtr(grow), CFDataGetLength(grow));
    const UInt8* grown = CFDataGetBytePtr(grow);
    EXPECT_EQ(std::vector<UInt8>(grown, grown + CFDataGetLength(grow)),
              (std::vector<UInt8>{1, 2, 3, 4, 5, 1, 2, 1, 2, 3, 4, 5, 1, 2}));
    CFDataSetLength(grow, 2);
    CFDataIncreaseLength(grow, 2);
    EXPECT_EQ(CFDataGetLength(grow), 4);
    EXPECT_EQ(CFDataGetBytePtr(grow)[3], 0);

    // A capacity is a hard limit; immutable data does not change.
    Owned<CFMutableDataRef> bounded = CFDataCreateMutable(nullptr, 4);
    CFDataAppendBytes(bounded, bytes, 5);
    CFDataAppendBytes(bounded, bytes, 4);
    EXPECT_EQ(CFDataGetLength(bounded), 4);
    auto* immutable = reinterpret_cast<CFMutableDataRef>(const_cast<__CFData*>(data.get()));
    CFDataAppendBytes(immutable, bytes, 1);
    EXPECT_EQ(CFDataGetLength(data), 5);
    EXPECT_EQ(CFDataGetMutableBytePtr(immutable), nullptr);

    EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
    EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(CFSTR("not data"))), 0);
}

TEST(CFNumber, ConvertsExactlyOrSaysItLostSomething) {
    int64_t big = 5000000000;
    Owned<CFNumberRef> n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
    int32_t small = 0;
    EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &small));
    EXPECT_EQ(small, INT32_MAX);

    double d = 2.5;
    Owned<CFNumberRef> f = CFNumberCreate(nullptr, kCFNumberDoubleType, &d);
    int whole = 0;
    EXPECT_FALSE(CFNumberGetValue(f, kCFNumberIntType, &whole));
    EXPECT_EQ(whole, 2);
    float single = 0;
    EXPECT_TRUE(CFNumberGetValue(f, kCFNumberFloat32Type, &single));
    EXPECT_EQ(single, 2.5f);
    EXPECT_TRUE(CFNumberIsFloatType(f));

    // Equal values are equal whatever their type, and hash alike.
    short three = 3;
    double threeD = 3.0;
    Owned<CFNumberRef> a = CFNumberCreate(nullptr, kCFNumberShortType, &three);
    Owned<CFNumberRef> b = CFNumberCreate(nullptr, kCFNumberFloat64Type, &threeD);
    EXPECT_TRUE(CFEqual(a, b));
    EXPECT_EQ(CFHash(a), CFHash(b));
    EXPECT_EQ(CFNumberCreate(nullptr, static_cast<CFNumberType>(99), &three), nullptr);

    // Every type takes a value that fits and gives it back as every other type; its size and
    // kind follow the type it was made with.
    const CFNumberType types[] = {kCFNumberSInt8Type,  kCFNumberSInt16Type,   kCFNumberSInt32Type,
                                  kCFNumberSInt64Type, kCFNumberFloat32Type,  kCFNumberFloat64Type,
                                  kCFNumberCharType,   kCFNumberShortType,    kCFNumberIntType,
                                  kCFNumberLongType,   kCFNumberLongLongType, kCFNumberFloatType,
                                  kCFNumberDoubleType, kCFNumberCFIndexType};
    const CFIndex sizes[] = {1, 2, 4, 8, 4, 8, 1, 2, 4, 8, 8, 4, 8, 8};
    for (size_t i = 0; i < std::size(types); ++i) {
        alignas(8) unsigned char in[8] = {}, out[8] = {};
        double hundred = 100;
        Owned<CFNumberRef> made = CFNumberCreate(nullptr, kCFNumberFloat64Type, &hundred);
        ASSERT_TRUE(CFNumberGetValue(made, types[i], in)) << "type " << types[i];
        Owned<CFNumberRef> number = CFNumberCreate(nullptr, types[i], in);
        EXPECT_EQ(CFNumberGetByteSize(number), sizes[i]) << "type " << types[i];
        EXPECT_EQ(CFNumberIsFloatType(number),
                  types[i] == kCFNumberFloat32Type || types[i] == kCFNumberFloat64Type ||
                      types[i] == kCFNumberFloatType || types[i] == kCFNumberDoubleType);
        for (CFNumberType other : types) {
            EXPECT_TRUE(CFNumberGetValue(number, other, out) &&
                        CFEqual(number, Owned<CFNumberRef>(CFNumberCreate(nullptr, other, out))))
                << "type " << types[i] << " as " << other;
        }
    }

    EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
    CFRelease(kCFBooleanTrue); // the constants never go away
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
}

TEST(CFCollections, RetainWhatTheyHoldAndReleaseItOnce) {
    CFStringRef key = cfString("key");
    CFStringRef value = cfString("value");
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
    const void* pointers[] = {&raw[0], &raw[1]};
    Owned<CFDictionaryRef> plain =
        CFDictionaryCreate(nullptr, pointers, pointers + 1, 1, nullptr, nullptr);
    EXPECT_EQ(CFDictionaryGetValue(plain, &raw[0]), &raw[1]);

    CFRelease(dict);
    CFRelease(key);
    CFRelease(value);
}

// Python's plistlib as the reference: it writes a random property list (fixed seed) in both
// formats; what this side reads from each and writes back as XML must read the same there.
const char kPlistlibScript[] = R"(
import datetime, plistlib, random, sys
r = random.Random(1234)
def text():
    return "".join(chr(r.choice([r.randrange(32, 127), r.randrange(0xA0, 0xD800),
                                 r.randrange(0x10000, 0x20000)])) for _ in range(r.randrange(12)))
def value(depth):
    kind = r.randrange(8 if depth < 4 else 6)
    if kind == 0: return r.randrange(-2**63, 2**63) >> r.randrange(64)
    if kind == 1: return r.uniform(-1e6, 1e6)
    if kind == 2: return r.random() < 0.5
    if kind == 3: return text()
    if kind == 4: return r.randbytes(r.randrange(40))
    if kind == 5: return datetime.datetime(2001, 1, 1) + datetime.timedelta(seconds=r.randrange(10**9))
    if kind == 6: return [value(depth + 1) for _ in range(r.randrange(6))]
    return {text(): value(depth + 1) for _ in range(r.randrange(6))}
top = {"k%d" % i: value(0) for i in range(300)}
folder = sys.argv[2]
if sys.argv[1] == "write":
    for name, form in (("list.xml", plistlib.FMT_XML), ("list.bin", plistlib.FMT_BINARY)):
        open(folder + "/" + name, "wb").write(plistlib.dumps(top, fmt=form))
for name in sys.argv[3:]:
    back = plistlib.load(open(folder + "/" + name, "rb"))
    for key in top:
        if back.get(key) != top[key]:
            sys.exit("%s: %s is %r, expected %r" % (name, key, back.get(key), top[key]))
)";

TEST(CFPropertyList, ReadsAndWritesWhatPlistlibDoes) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "plist.py", kPlistlibScript);
    auto python = [&](const std::string& arguments) {
        return std::system(("python3 '" + (dir / "plist.py") + "' " + arguments).c_str());
    };
    ASSERT_EQ(python("write '" + dir.path() + "'"), 0);
    for (const char* name : {"list.xml", "list.bin"}) {
        Owned<CFPropertyListRef> list = parse(TestSupport::readFile(dir / name));
        ASSERT_NE(list.get(), nullptr) << name;
        Owned<CFDataRef> xml = CFPropertyListCreateXMLData(nullptr, list);
        ASSERT_NE(xml.get(), nullptr) << name;
        TestSupport::writeFile(dir / (name + std::string(".back")),
                               std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(xml)),
                                           static_cast<size_t>(CFDataGetLength(xml))));
    }
    EXPECT_EQ(python("check '" + dir.path() + "' list.xml.back list.bin.back"), 0);
    // A deep copy with mutable containers is equal.
    Owned<CFPropertyListRef> list = parse(TestSupport::readFile(dir / "list.bin"));
    EXPECT_TRUE(CFEqual(Owned<CFPropertyListRef>(CFPropertyListCreateDeepCopy(
                            nullptr, list, kCFPropertyListMutableContainers)),
                        list));

    // A URL is not a property-list type.
    Owned<CFURLRef> url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
    const void* urlItems[] = {url};
    Owned<CFArrayRef> withURL = CFArrayCreate(nullptr, urlItems, 1, &kCFTypeArrayCallBacks);
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, withURL), nullptr);
    EXPECT_FALSE(CFPropertyListIsValid(withURL, kCFPropertyListXMLFormat_v1_0));
}

TEST(CFPropertyList, DamagedAndHostileInputIsRefusedQuickly) {
    EXPECT_EQ(parse("<plist><dict><key>a</key><string>x</dict></plist>"s), nullptr);

    // A NUL inside an XML string is refused rather than handed to the parser, which aborts on
    // it; nesting that would exhaust the parser's stack is refused too.
    EXPECT_EQ(parse("<plist><dict><key>a</key><string>x\0y</string></dict></plist>"s), nullptr);
    std::string open;
    std::string close;
    for (int i = 0; i < 100000; ++i) {
        open += "<array>";
        close += "</array>";
    }
    EXPECT_EQ(parse("<plist>" + open + close + "</plist>"), nullptr);

    // Binary lists: a modest chain parses; a deep chain, a list that expands to 2^40 objects
    // through shared references, and a cycle are refused (and quickly: the test would time out).
    Owned<CFPropertyListRef> chain = parse(binaryNestedArrays(100, 1));
    ASSERT_NE(chain.get(), nullptr);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(chain.get())), 1);
    EXPECT_EQ(parse(binaryNestedArrays(100000, 1)), nullptr);
    EXPECT_EQ(parse(binaryNestedArrays(41, 2)), nullptr);
    std::string cycle = "bplist00\xA1" + bigEndian(0, 1) + bigEndian(8, 1) + std::string(6, '\0') +
                        '\x01' + '\x01' + bigEndian(1, 8) + bigEndian(0, 8) + bigEndian(10, 8);
    EXPECT_EQ(parse(cycle), nullptr);
}
