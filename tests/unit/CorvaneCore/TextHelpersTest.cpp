#include "CorvaneCore/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The estimate, after which the caller's list must still be usable (when there is an output to
// format into): the estimate must read each argument with the type it was passed as, or the
// conversions after it would see the wrong values.
unsigned int estimateThenFormat(char* output, std::size_t size, char const* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    unsigned int result = GetSprintfResultLen(format, arguments);
    if (output) {
        std::vsnprintf(output, size, format, arguments);
    }
    va_end(arguments);
    return result;
}

} // namespace

// What CJString::Format makes of the estimates is in CJString.FormatSizesTheBlock...
TEST(GetSprintfResultLen, CountsConversionsAndReadsEachArgumentWithItsOwnType) {
    char text[256];
    unsigned int bound = estimateThenFormat(text, sizeof(text), "%ld %lld %zu %Lf %s %d",
                                            -123456789012L, 5LL, std::size_t{6}, 1.25L, "tail", 9);
    EXPECT_STREQ(text, "-123456789012 5 6 1.250000 tail 9");
    EXPECT_EQ(bound, 32u + 1 + 32 + 1 + 32 + 1 + 64 + 1 + 4 + 1 + 32);
    EXPECT_EQ(estimateThenFormat(nullptr, 0, "%.2S|ab%#", L"four"), 2u + 1 + 4);
    EXPECT_EQ(estimateThenFormat(nullptr, 0, nullptr), 0u);
}

TEST(TextHelpers, CopiesComparesAndDecodes) {
    char const original[] = "copy me";
    std::unique_ptr<char[]> copy(AllocateDString(original, __FILE__, __LINE__));
    EXPECT_STREQ(copy.get(), original);
    EXPECT_EQ(AllocateDString(nullptr, __FILE__, __LINE__), nullptr);

    EXPECT_EQ(Cstrnicmp("ABC", "abd", 2), 0);
    EXPECT_EQ(Cstrnicmp("ABC", "abd", 3), 'c' - 'd');
    EXPECT_GT(Cstrnicmp("abc", "ab", 5), 0);
    EXPECT_LT(Cstrnicmp(nullptr, "a", 1), 0);

    unsigned char bytes[4] = {0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(HexStringToBin(bytes, "0aFf1", 4), 2u);
    EXPECT_EQ(HexStringToBin(bytes + 2, "1234", 1), 1u);
    EXPECT_EQ(std::vector<unsigned>(bytes, bytes + 4),
              (std::vector<unsigned>{0x0A, 0xFF, 0x12, 0x55}));

    unsigned short const source[] = {'h', 0x263A, 0};
    unsigned short destination[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(CWide::Strlen(source), 2u);
    CWide::Strncpy(destination, source, 4);
    EXPECT_EQ(std::vector<unsigned>(destination, destination + 5),
              (std::vector<unsigned>{'h', 0x263A, 0, 0, 9}));
    CWide::Strncpy(destination, source, 1);
    EXPECT_EQ(destination[1], 0x263A);
}
