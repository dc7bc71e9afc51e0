#include "CorvaneCore/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

unsigned int estimate(char const* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    unsigned int result = GetSprintfResultLen(format, arguments);
    va_end(arguments);
    return result;
}

// The estimate must leave the caller's list usable, and must read each argument with the
// type it was passed as, or the conversions after it would see the wrong values.
unsigned int estimateThenFormat(char* output, std::size_t size, char const* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    unsigned int result = GetSprintfResultLen(format, arguments);
    std::vsnprintf(output, size, format, arguments);
    va_end(arguments);
    return result;
}

} // namespace

TEST(GetSprintfResultLen, CountsConversionsAsDocumented) {
    EXPECT_EQ(estimate("%s has been created", "abc"), 20u);
    EXPECT_EQ(estimate("%.2s", "abc"), 2u);
    EXPECT_EQ(estimate("%5d", 7), 32u);
    EXPECT_EQ(estimate("%40d", 7), 40u);
    EXPECT_EQ(estimate("%%"), 1u);
    EXPECT_EQ(estimate("%c", 'x'), 1u);
    EXPECT_EQ(estimate("%#8u", 3u), 34u);
    EXPECT_EQ(estimate("%*s", 12, "ab"), 12u);
    EXPECT_EQ(estimate("%.*s", 1, "abc"), 1u);
    EXPECT_EQ(estimate("%f|%g", 1.5, 2.5), 129u);
    EXPECT_EQ(estimate("%p", static_cast<void*>(nullptr)), 2u + 2 * sizeof(void*));
    EXPECT_EQ(estimate("%s", static_cast<char const*>(nullptr)), 6u);
    EXPECT_EQ(estimate(""), 0u);
    EXPECT_EQ(estimate(nullptr), 0u);
    // Unknown conversion letters are skipped and the conversion goes on to the next known one.
    EXPECT_EQ(estimate("%x-%d", 1), 1u + 1u);
    // The walk ends with the format, also inside a conversion.
    EXPECT_EQ(estimate("ab%#"), 4u);
}

TEST(GetSprintfResultLen, WideConversionsAreSizedFromTheirText) {
    EXPECT_GE(estimate("%S", L"four"), 4u);
    EXPECT_GE(estimate("%ls!", L"four"), 5u);
    EXPECT_GE(estimate("%C", static_cast<wint_t>(L'z')), 1u);
    EXPECT_EQ(estimate("%.2S", L"four"), 2u);
}

TEST(GetSprintfResultLen, ReadsEveryArgumentWithItsOwnType) {
    char text[256];
    unsigned int bound = estimateThenFormat(text, sizeof(text), "%ld %lld %zu %Lf %s %d",
                                            -123456789012L, 5LL, std::size_t{6}, 1.25L, "tail", 9);
    EXPECT_STREQ(text, "-123456789012 5 6 1.250000 tail 9");
    EXPECT_EQ(bound, 32u + 1 + 32 + 1 + 32 + 1 + 64 + 1 + 4 + 1 + 32);
}

TEST(AllocateDString, CopiesIntoANewArray) {
    char const original[] = "copy me";
    std::unique_ptr<char[]> copy(AllocateDString(original, __FILE__, __LINE__));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), original);
    EXPECT_STREQ(copy.get(), original);
    EXPECT_EQ(AllocateDString(nullptr, __FILE__, __LINE__), nullptr);
}

TEST(Cstrnicmp, ComparesAtMostNCharactersIgnoringCase) {
    EXPECT_EQ(Cstrnicmp("ABC", "abd", 2), 0);
    EXPECT_EQ(Cstrnicmp("ABC", "abd", 3), 'c' - 'd');
    EXPECT_EQ(Cstrnicmp("Same", "sAME", 100), 0);
    EXPECT_GT(Cstrnicmp("abc", "ab", 5), 0);
    EXPECT_LT(Cstrnicmp("ab", "abc", 5), 0);
    EXPECT_EQ(Cstrnicmp("x", "y", 0), 0);
    EXPECT_LT(Cstrnicmp(nullptr, "a", 1), 0);
}

TEST(HexStringToBin, DecodesPairsUpToTheLimit) {
    unsigned char bytes[8] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(HexStringToBin(bytes, "0aFf1", 8), 2u);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0x55);

    EXPECT_EQ(HexStringToBin(bytes, "1234567890", 3), 3u);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(bytes[2], 0x56);
    EXPECT_EQ(bytes[3], 0x55);
    EXPECT_EQ(HexStringToBin(bytes, nullptr, 3), 0u);
}

TEST(CWide, CopiesAndMeasuresSixteenBitText) {
    unsigned short const source[] = {'h', 0x263A, 0};
    unsigned short destination[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(CWide::Strlen(source), 2u);
    EXPECT_EQ(CWide::Strncpy(destination, source, 5), destination);
    unsigned short const padded[5] = {'h', 0x263A, 0, 0, 0};
    EXPECT_TRUE(std::equal(destination, destination + 5, padded));

    unsigned short truncated[3] = {9, 9, 9};
    CWide::Strncpy(truncated, source, 1);
    EXPECT_EQ(truncated[0], 'h');
    EXPECT_EQ(truncated[1], 9);
    CWide::Strncpy(truncated, source, 0);
    EXPECT_EQ(truncated[0], 'h');

    unsigned short whole[4] = {9, 9, 9, 9};
    EXPECT_EQ(CWide::Strcpy(whole, source), whole);
    EXPECT_EQ(whole[1], 0x263A);
    EXPECT_EQ(whole[2], 0);
    EXPECT_EQ(whole[3], 9);
}
