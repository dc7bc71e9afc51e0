#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string textOf(const Str255 pascal) {
    return std::string(reinterpret_cast<const char*>(pascal + 1), pascal[0]);
}

} // namespace

TEST(TextUtils, CopyCStringToPascalKeepsAtMost255BytesAndWorksInPlace) {
    // A length of 256 would wrap the length byte to 0.
    Str255 pascal;
    CopyCStringToPascal((std::string(255, 'a') + "b").c_str(), pascal);
    EXPECT_EQ(textOf(pascal), std::string(255, 'a'));

    // In place: a forward byte copy would smear the first character over the rest.
    std::strcpy(reinterpret_cast<char*>(pascal), "abcdef");
    CopyCStringToPascal(reinterpret_cast<const char*>(pascal), pascal);
    EXPECT_EQ(textOf(pascal), "abcdef");
    CopyCStringToPascal(nullptr, pascal);
    EXPECT_EQ(pascal[0], 0);
}
