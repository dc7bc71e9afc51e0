#include "CoreFoundation/TextEncoding.h"
#include "Text/RTFReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace MacPlatform;
using namespace std::literals;

namespace {

constexpr TextStyle kPlain{};
constexpr TextStyle kBold{true, false, false};
constexpr TextStyle kItalic{false, true, false};
constexpr TextStyle kUnderline{false, false, true};
constexpr TextStyle kBoldItalic{true, true, false};

std::string textOf(std::string_view rtf) {
    RTFReadResult result = readRTF(rtf);
    EXPECT_EQ(result.status, RTFStatus::ok) << rtf;
    return result.document.text;
}

// The invariants every reading keeps, whatever the input.
void expectWellFormed(const StyledText& styled) {
    ASSERT_TRUE(isValidUTF8(styled.text));
    size_t at = 0;
    for (size_t k = 0; k < styled.runs.size(); ++k) {
        const StyleRun& run = styled.runs[k];
        ASSERT_EQ(run.start, at);
        ASSERT_LT(run.start, run.end);
        if (k > 0) {
            ASSERT_FALSE(run.style == styled.runs[k - 1].style);
        }
        at = run.end;
    }
    ASSERT_EQ(at, styled.text.size());
}

} // namespace

TEST(RTFReader, StyleRunsFollowTogglesAndGroups) {
    RTFReadResult r = readRTF("{\\rtf1\\ansi {\\b bold} plain \\i it\\i0  \\ul u\\ulnone  x\\b "
                              "b\\plain  p}");
    ASSERT_EQ(r.status, RTFStatus::ok);
    EXPECT_EQ(r.document.text, "bold plain it u xb p");
    std::vector<StyleRun> expected = {
        {0, 4, kBold},        {4, 11, kPlain},  {11, 13, kItalic}, {13, 14, kPlain},
        {14, 15, kUnderline}, {15, 17, kPlain}, {17, 18, kBold},   {18, 20, kPlain},
    };
    EXPECT_EQ(r.document.runs, expected);
    EXPECT_EQ(r.repairs, 0u);

    // Numbered forms, underline variants, and a group restoring its parent's style.
    r = readRTF("{\\rtf1 \\uldb a\\ul0 b\\b1 c\\b0 d\\b e{\\i f}g}");
    EXPECT_EQ(r.document.text, "abcdefg");
    expected = {{0, 1, kUnderline}, {1, 2, kPlain},      {2, 3, kBold}, {3, 4, kPlain},
                {4, 5, kBold},      {5, 6, kBoldItalic}, {6, 7, kBold}};
    EXPECT_EQ(r.document.runs, expected);

    // Hidden text is not shown; \plain ends it along with the character styles.
    EXPECT_EQ(textOf("{\\rtf1 a\\v secret\\v0 b\\v more\\plain c}"), "abc");
}

TEST(RTFReader, BreaksTabsAndSourceLineEnds) {
    EXPECT_EQ(textOf("{\\rtf1 one\\par two\\line three\\tab four\\par}"),
              "one\ntwo\u2028three\tfour\n");
    // Source line ends only wrap the file; a backslash before one is a paragraph mark.
    EXPECT_EQ(textOf("{\\rtf1 a\r\nb\rc\nd\\\ne\\\r\nf}"), "abcd\ne\nf");
    EXPECT_EQ(textOf("{\\rtf1 \\pard first\\par\\pard\\sect second\\page third}"),
              "first\n\nsecond\nthird");
    EXPECT_EQ(textOf("{\\rtf1 a\tb\\cell c\\row}"), "a\tb\tc\n");
}

TEST(RTFReader, EscapesFollowTheCodePage) {
    EXPECT_EQ(textOf("{\\rtf1\\ansi caf\\'e9}"), "caf\u00e9");
    EXPECT_EQ(textOf("{\\rtf1\\mac caf\\'8e}"), "caf\u00e9");
    EXPECT_EQ(textOf("{\\rtf1\\mac \\'e9}"), "\u00c8");
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg10000 \\'8E}"), "\u00e9");
    EXPECT_EQ(textOf("{\\rtf1\\mac\\ansicpg1252 \\'8e}"), "\u017d");
    // No code page at all, or one the reader does not have: Windows-1252.
    EXPECT_EQ(textOf("{\\rtf1 \\'80\\'93x\\'94}"), "\u20ac\u201cx\u201d");
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg1251 \\'80}"), "\u20ac");
    // Unassigned Windows-1252 bytes and control bytes are not text.
    EXPECT_EQ(textOf("{\\rtf1 \\'81\\'00\\'0d\\'09}"), "\ufffd\t");
    // 8-bit bytes written straight into the text use the code page too.
    EXPECT_EQ(textOf("{\\rtf1\\ansi caf\xe9}"), "caf\u00e9");
    EXPECT_EQ(textOf("{\\rtf1\\mac caf\x8e}"), "caf\u00e9");
    // The font table's own code pages do not change the document's.
    EXPECT_EQ(textOf("{\\rtf1\\ansi{\\fonttbl{\\f0\\mac Geneva;}}\\'e9}"), "\u00e9");

    EXPECT_EQ(textOf("{\\rtf1 \\\\ \\{x\\} a\\~b\\-c\\_d}"), "\\ {x} a\u00a0bc\u2011d");
    EXPECT_EQ(textOf("{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}"),
              "\u2014\u2013\u2018\u2019\u201c\u201d\u2022");
}

TEST(RTFReader, UnicodeAndFallbackCounts) {
    EXPECT_EQ(textOf("{\\rtf1 \\u8364?5}"), "\u20ac5");
    EXPECT_EQ(textOf("{\\rtf1\\uc0\\u8364?}"), "\u20ac?");
    EXPECT_EQ(textOf("{\\rtf1\\uc2 \\u8364 ab c}"), "\u20ac c");
    // An escape or a control word counts as one fallback character.
    EXPECT_EQ(textOf("{\\rtf1 \\u233\\'e9x\\u233\\emdash y}"), "\u00e9x\u00e9y");
    // \uc belongs to its group; a brace ends the fallback.
    EXPECT_EQ(textOf("{\\rtf1 {\\uc2\\u233 ab}\\u233 ab}"), "\u00e9\u00e9b");
    EXPECT_EQ(textOf("{\\rtf1\\uc3 \\u233{}ab}"), "\u00e9ab");
    // Negative parameters are unsigned 16-bit values.
    EXPECT_EQ(textOf("{\\rtf1 \\u-255?}"), "\uff01");
    // Characters beyond U+FFFF come as surrogate pairs.
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?\\u-8704?!}"), "\U0001F600!");
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?x\\u-8704?y}"), "\ufffdx\ufffdy");
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?}"), "\ufffd");
    // Control characters are not text here either.
    EXPECT_EQ(textOf("{\\rtf1 a\\u0 ?\\u13 ?\\u9 ?b}"), "a\tb");
}

TEST(RTFReader, DestinationsAreSkipped) {
    const char* rtf = "{\\rtf1\\ansi\\deff0"
                      "{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1 Times;}}"
                      "{\\colortbl;\\red255\\green0\\blue0;}"
                      "{\\stylesheet{\\s0 Normal;}}"
                      "{\\*\\generator Writer 1.0;}"
                      "{\\info{\\title Licence}{\\author Someone}}"
                      "{\\header page head\\par}"
                      "{\\*\\unknownthing with text}"
                      "\\f0\\fs24\\cf1 Body{\\pict\\macpict\\bin4 }{}}} text\\foobar42  end}";
    RTFReadResult r = readRTF(rtf);
    EXPECT_EQ(r.document.text, "Body text end");
    EXPECT_EQ(r.repairs, 0u);
    // A field shows its result, not its instruction; list numbers written for readers that
    // do not number lists stay.
    EXPECT_EQ(textOf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"
                     "{\\pntext 1.\\tab}item}"),
              "link1.\titem");
}

TEST(RTFReader, UnbalancedBracesAreTolerated) {
    RTFReadResult r = readRTF("{\\rtf1 {\\b a}}} b}");
    EXPECT_EQ(r.document.text, "a b");
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairUnmatchedClose));

    r = readRTF("{\\rtf1 x{\\b a");
    EXPECT_EQ(r.document.text, "xa");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kPlain}, {1, 2, kBold}}));
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairUnclosedGroup));

    // What follows the closing brace that is only white space or NULs is not an extra brace.
    r = readRTF("{\\rtf1 ok}\r\n\0"s);
    EXPECT_EQ(r.document.text, "ok");
    EXPECT_EQ(r.repairs, 0u);
    EXPECT_NE(describeRTFRepairs(kRTFRepairUnmatchedClose | kRTFRepairTooDeep).find("'}'"),
              std::string::npos);
    EXPECT_EQ(describeRTFRepairs(0), "");
}

TEST(RTFReader, DeepNestingIsFlattenedNotRecursed) {
    const size_t depth = 100000;
    std::string rtf =
        "{\\rtf1 " + std::string(depth, '{') + "\\b x" + std::string(depth, '}') + "y}";
    RTFReadResult r = readRTF(rtf);
    EXPECT_EQ(r.document.text, "xy");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kBold}, {1, 2, kPlain}}));
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairTooDeep));

    // Exactly at the limit nothing is flattened.
    rtf = "{\\rtf1 " + std::string(kRTFMaxGroupDepth - 1, '{') + "x" +
          std::string(kRTFMaxGroupDepth - 1, '}') + "}";
    EXPECT_EQ(readRTF(rtf).repairs, 0u);

    r = readRTF("{\\rtf1 " + std::string(depth, '{') + "x");
    EXPECT_EQ(r.document.text, "x");
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairTooDeep | kRTFRepairUnclosedGroup));
}

TEST(RTFReader, TruncatedAndOversizedInput) {
    RTFReadResult r = readRTF("{\\rtf1 a\\bin999 xyz}");
    EXPECT_EQ(r.document.text, "a");
    EXPECT_TRUE(r.repairs & kRTFRepairTruncated);
    r = readRTF("{\\rtf1 a\\bin99999999999999999999 xyz}");
    EXPECT_EQ(r.document.text, "a");
    EXPECT_TRUE(r.repairs & kRTFRepairTruncated);
    EXPECT_EQ(textOf("{\\rtf1 a\\bin-5 b\\bin0 c}"), "abc");

    // Twenty-digit parameters saturate instead of overflowing.
    r = readRTF("{\\rtf1 \\b99999999999999999999 x\\b0 y}");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kBold}, {1, 2, kPlain}}));
    EXPECT_EQ(textOf("{\\rtf1 \\u99999999999999999999?z\\u-99999999999999999999?w}"),
              "\ufffdz\ufffdw");
    EXPECT_EQ(textOf("{\\rtf1 {\\uc99999999999999999999 \\u233 abc}d}"), "\u00e9d");
    EXPECT_EQ(textOf("{\\rtf1 \\uc-3 \\u233 x}"), "\u00e9x");

    r = readRTF("{\\rtf1 a\\");
    EXPECT_EQ(r.document.text, "a");
    EXPECT_TRUE(r.repairs & kRTFRepairTruncated);
    r = readRTF("{\\rtf1 a\\'e");
    EXPECT_EQ(r.document.text, "a");
    EXPECT_TRUE(r.repairs & kRTFRepairTruncated);
    r = readRTF("{\\rtf1 a\\'zzb\\'4x}");
    EXPECT_EQ(r.document.text, "azzbx");
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairBadEscape));
}

TEST(RTFReader, NonRTFIsReportedAsSuch) {
    for (std::string_view bytes : {""sv, "hello"sv, "{\\rt"sv, "{\\rtfx 1}"sv, " \\rtf1"sv,
                                   "{{\\rtf1}"sv, "\0{\\rtf1 a}"sv}) {
        EXPECT_FALSE(isRTF(bytes)) << bytes;
        EXPECT_EQ(readRTF(bytes).status, RTFStatus::notRTF) << bytes;
    }
    EXPECT_TRUE(isRTF("{\\rtf"));
    EXPECT_EQ(textOf("\xEF\xBB\xBF \r\n{\\rtf1 ok}"), "ok");
    EXPECT_EQ(textOf("{\\rtf}"), "");
}

TEST(RTFReader, GarbageKeepsTheModelWellFormed) {
    // Random bytes biased towards the characters that drive the reader.
    const std::string alphabet = "{}\\'*ub0123456789-? \r\nabcdefgv\x80\xe9\x8e";
    std::mt19937 random(20261206);
    for (int round = 0; round < 3000; ++round) {
        std::string rtf = "{\\rtf1";
        size_t length = random() % 200;
        for (size_t k = 0; k < length; ++k) {
            rtf += random() % 4 == 0 ? char(random() % 256) : alphabet[random() % alphabet.size()];
        }
        RTFReadResult r = readRTF(rtf);
        ASSERT_EQ(r.status, RTFStatus::ok);
        ASSERT_LE(r.document.text.size(), 3 * rtf.size());
        expectWellFormed(r.document);
    }
}
