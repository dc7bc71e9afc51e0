#include "CorvaneCore/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

// Cstrnicmp, HexStringToBin and CWide are exercised by the zip lookups, the stream handle names
// and CJString's wide text.
TEST(TextHelpers, CopiesAndDecodesUpToTheLimit) {
    char const original[] = "copy me";
    std::unique_ptr<char[]> copy(AllocateDString(original, __FILE__, __LINE__));
    EXPECT_STREQ(copy.get(), original);
    EXPECT_EQ(AllocateDString(nullptr, __FILE__, __LINE__), nullptr);
    unsigned char bytes[4] = {0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(HexStringToBin(bytes, "0aFf1", 4), 2u);
    EXPECT_EQ(HexStringToBin(bytes + 2, "1234", 1), 1u);
    EXPECT_EQ(std::vector<unsigned>(bytes, bytes + 4),
              (std::vector<unsigned>{0x0A, 0xFF, 0x12, 0x55}));
    EXPECT_LT(Cstrnicmp(nullptr, "a", 1), 0);
}
