#include "Text/PlainText.h"

#include <gtest/gtest.h>

#include <string>

using namespace MacPlatform;
using namespace std::literals;

TEST(PlainText, UTF8OrMacRomanOrMarkedUTF16WithNewlines) {
    EXPECT_EQ(decodePlainText("caf\xC3\xA9 \xE2\x82\xAC"), "caf\u00e9 \u20ac");
    // Not valid UTF-8 as a whole: every byte is MacRoman, including ones that would have
    // been valid UTF-8 on their own.
    EXPECT_EQ(decodePlainText("caf\x8E \xC3\xA9"), "caf\u00e9 \u221a\u00a9");
    EXPECT_EQ(decodePlainText("\xDB\x80 \xA5"), "\u20ac\u00c4 \u2022");
    // Two MacRoman bytes that happen to form valid UTF-8 are read as UTF-8.
    EXPECT_EQ(decodePlainText("\xDB\xA5"), "\u06e5");
    EXPECT_EQ(decodePlainText("truncated \xE2\x82"), "truncated \u201a\u00c7");

    // Byte order marks.
    EXPECT_EQ(decodePlainText("\xEF\xBB\xBFhi \xC3\xA9"), "hi \u00e9");
    // After a UTF-8 mark the text stays UTF-8 even where it is damaged.
    EXPECT_EQ(decodePlainText("\xEF\xBB\xBF\xC3\xA9\x8E!"), "\u00e9\ufffd!");
    EXPECT_EQ(decodePlainText("\xFF\xFEH\0i\0\r\0\n\0"sv), "Hi\n");
    EXPECT_EQ(decodePlainText("\xFE\xFF\0H\0\xE9"sv), "H\u00e9");
    // An odd length is no UTF-16: the bytes are MacRoman.
    EXPECT_EQ(decodePlainText("\xFF\xFE"
                              "A"),
              "\u02c7\u02dbA");

    // Line ends become newlines.
    EXPECT_EQ(decodePlainText("a\r\nb\rc\nd\r\r\ne\n\r"), "a\nb\nc\nd\n\ne\n\n");
    EXPECT_EQ(decodePlainText("caf\x8E\r\n"), "caf\u00e9\n");
}
