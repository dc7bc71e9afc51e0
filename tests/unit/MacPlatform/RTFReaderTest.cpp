#include "CoreFoundation/TextEncoding.h"
#include "TestSupport.h"
#include "Text/RTFReader.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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

// Text in a code page with every byte written as a \'hh escape.
std::string escapedIn(const char* codePage, const std::string& utf8) {
    gsize length = 0;
    gchar* bytes = g_convert(utf8.data(), static_cast<gssize>(utf8.size()), codePage, "UTF-8",
                             nullptr, &length, nullptr);
    EXPECT_NE(bytes, nullptr) << codePage << ": " << utf8;
    std::string rtf;
    for (unsigned char b : std::string(bytes ? bytes : "", length)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\'%02x", b);
        rtf += hex;
    }
    g_free(bytes);
    return rtf;
}

// The test document's bytes. They are beside this file, whose name the compiler may have been
// given relative to the build folder.
std::string document(const char* name) {
    std::filesystem::path file(__FILE__);
    if (file.is_relative()) {
        const char* build = std::getenv("GW_TEST_BINARY_DIR");
        file = std::filesystem::path(build ? build : ".") / file;
    }
    std::string bytes = TestSupport::readFile(file.parent_path() / "RTFDocuments" / name);
    EXPECT_FALSE(bytes.empty()) << "no test document " << name << " beside " << file;
    return bytes;
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

} // namespace

TEST(RTFReader, StyleRunsFollowTogglesAndGroupsBetweenBreaks) {
    RTFReadResult r = readRTF("{\\rtf1\\ansi {\\b bold} plain \\i it\\i0  \\ul u\\ulnone  x\\b "
                              "b\\plain  p}");
    EXPECT_EQ(r.document.text, "bold plain it u xb p");
    std::vector<StyleRun> expected = {
        {0, 4, kBold},        {4, 11, kPlain},  {11, 13, kItalic}, {13, 14, kPlain},
        {14, 15, kUnderline}, {15, 17, kPlain}, {17, 18, kBold},   {18, 20, kPlain},
    };
    EXPECT_EQ(r.document.runs, expected);

    // Numbered forms, underline variants, and a group restoring its parent's style.
    r = readRTF("{\\rtf1 \\uldb a\\ul0 b\\b1 c\\b0 d\\b e{\\i f}g}");
    EXPECT_EQ(r.document.text, "abcdefg");
    expected = {{0, 1, kUnderline}, {1, 2, kPlain},      {2, 3, kBold}, {3, 4, kPlain},
                {4, 5, kBold},      {5, 6, kBoldItalic}, {6, 7, kBold}};
    EXPECT_EQ(r.document.runs, expected);

    // Hidden text is not shown; \plain ends it along with the character styles.
    EXPECT_EQ(textOf("{\\rtf1 a\\v secret\\v0 b\\v more\\plain c}"), "abc");

    // Breaks and tabs.
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
    EXPECT_EQ(textOf("{\\rtf1\\mac\\ansicpg1252 \\'8e}"), "\u017d");
    // No code page at all, or one the reader does not have: Windows-1252.
    EXPECT_EQ(textOf("{\\rtf1 \\'80\\'93x\\'94}"), "\u20ac\u201cx\u201d");
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg4242 \\'80}"), "\u20ac");
    // Unassigned Windows-1252 bytes and control bytes are not text.
    EXPECT_EQ(textOf("{\\rtf1 \\'81\\'00\\'0d\\'09}"), "\ufffd\t");
    // 8-bit bytes written straight into the text use the code page too.
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
    // Control characters are not text here either.
    EXPECT_EQ(textOf("{\\rtf1 a\\u0 ?\\u13 ?\\u9 ?b}"), "a\tb");
}

TEST(RTFReader, DamagedInputIsRepairedAndSaysHow) {
    const std::string deep(100000, '{');
    const std::string limit(kRTFMaxGroupDepth - 1, '{');
    const struct {
        std::string rtf;
        std::string text;
        unsigned repairs;
    } kCases[] = {
        {"{\\rtf1 {\\b a}}} b}", "a b", kRTFRepairUnmatchedClose},
        {"{\\rtf1 x{\\b a", "xa", kRTFRepairUnclosedGroup},
        // What follows the closing brace that is only white space or NULs is no extra brace.
        {"{\\rtf1 ok}\r\n\0"s, "ok", 0},
        // Exactly at the depth limit nothing is flattened.
        {"{\\rtf1 " + limit + "x" + std::string(limit.size(), '}') + "}", "x", 0},
        {"{\\rtf1 " + deep + "x", "x", kRTFRepairTooDeep | kRTFRepairUnclosedGroup},
        {"{\\rtf1 a\\bin999 xyz}", "a", kRTFRepairTruncated | kRTFRepairUnclosedGroup},
        {"{\\rtf1 a\\bin-5 b\\bin0 c}", "abc", 0},
        {"{\\rtf1 a\\", "a", kRTFRepairTruncated | kRTFRepairUnclosedGroup},
        {"{\\rtf1 a\\'zzb\\'4x}", "azzbx", kRTFRepairBadEscape},
        // Exactly at the end of the input: the binary data fits, the escape's digits are bad.
        {"{\\rtf1 a\\bin3 xyz", "a", kRTFRepairUnclosedGroup},
        {"{\\rtf1 a\\'zz", "azz", kRTFRepairBadEscape | kRTFRepairUnclosedGroup},
        // Twenty-digit parameters saturate instead of overflowing.
        {"{\\rtf1 \\u99999999999999999999?z\\u-99999999999999999999?w}", "\ufffdz\ufffdw", 0},
        {"{\\rtf1 {\\uc99999999999999999999 \\u233 abc}d}", "\u00e9d", 0},
        {"{\\rtf1 \\uc-3 \\u233 x}", "\u00e9x", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.rtf.substr(0, 60));
        RTFReadResult r = readRTF(c.rtf);
        EXPECT_EQ(r.status, RTFStatus::ok);
        EXPECT_EQ(r.document.text, c.text);
        EXPECT_EQ(r.repairs, c.repairs);
    }

    // Styles survive the repairs: the open group's bold, and the bold of a group flattened
    // below the depth limit, end where the group ends.
    RTFReadResult r = readRTF("{\\rtf1 x{\\b a");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kPlain}, {1, 2, kBold}}));
    r = readRTF("{\\rtf1 " + deep + "\\b x" + std::string(deep.size(), '}') + "y}");
    EXPECT_EQ(r.document.text, "xy");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kBold}, {1, 2, kPlain}}));
    EXPECT_EQ(r.repairs, unsigned(kRTFRepairTooDeep));
    r = readRTF("{\\rtf1 \\b99999999999999999999 x\\b0 y}");
    EXPECT_EQ(r.document.runs, (std::vector<StyleRun>{{0, 1, kBold}, {1, 2, kPlain}}));
}

TEST(RTFReader, NonRTFIsReportedAndGarbageKeepsTheModelWellFormed) {
    for (std::string_view bytes : {""sv, "hello"sv, "{\\rt"sv, "{\\rtfx 1}"sv, " \\rtf1"sv,
                                   "{{\\rtf1}"sv, "\0{\\rtf1 a}"sv}) {
        EXPECT_FALSE(isRTF(bytes)) << bytes;
        EXPECT_EQ(readRTF(bytes).status, RTFStatus::notRTF) << bytes;
    }
    EXPECT_TRUE(isRTF("{\\rtf"));
    EXPECT_EQ(textOf("\xEF\xBB\xBF \r\n{\\rtf1 ok}"), "ok");
    EXPECT_EQ(textOf("{\\rtf}"), "");

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

TEST(RTFReader, TranslatedTextDecodesInItsFontsCodePage) {
    // Fixed bytes first, independent of the converter that writes the cases below.
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83\\\\\r\n\\'82\r\n\\'a0}"),
              "\u3042\u30bd\u3042");
    EXPECT_EQ(textOf("{\\rtf1\\pc \\'82}"), "\u00e9");
    // Bytes of the double-byte font that \dbch names, in the run of a Western font.
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 Century;}{\\f11"
                     "\\fcharset128 Mincho;}}\\hich\\af0\\dbch\\af11\\loch\\f0 A\\'93\\'fa"
                     "\\'96\\{ {\\dbch\\f11 \\'82\\'a0}\\plain\\f0 \\'e9}"),
              "A\u65e5\u672c \u3042\u00e9");
    // A lead byte with no trail byte is no character; what follows it is read on its own.
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg932 \\'82}"), "\ufffd");
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg932 \\'82\\par x\\'82\\'0d!}"), "\ufffd\nx\ufffd!");

    const struct {
        int codePage;
        int characterSet;
        const char* iconvName;
        std::string text;
    } kCases[] = {
        {1251, 204, "CP1251", "\u041b\u0438\u0446\u0435\u043d\u0437\u0438\u044f: \u0401\u0451"},
        {1250, 238, "CP1250", "Licen\u010dn\u00ed smlouva, \u017c\u00f3\u0142\u0107 \u0144"},
        {932, 128, "CP932", "\u30bd\u30d5\u30c8\u30a6\u30a7\u30a2\u4f7f\u7528\u8a31\u8afe"},
        {936, 134, "CP936", "\u8f6f\u4ef6\u8bb8\u53ef\u534f\u8bae"},
        {949, 129, "CP949", "\uc18c\ud504\ud2b8\uc6e8\uc5b4 \uc0ac\uc6a9\uad8c"},
    };
    for (const auto& c : kCases) {
        std::string body = escapedIn(c.iconvName, c.text);
        std::string expected = c.text + " caf\u00e9\n";
        auto rtf = [&](int documentPage, const std::string& characterSet) {
            return "{\\rtf1\\ansi\\ansicpg" + std::to_string(documentPage) +
                   "\\deff0{\\fonttbl{\\f0\\fnil" + characterSet +
                   " Body;}{\\f1\\fswiss\\fcharset0 Arial;}}\\f0 " + body +
                   " {\\f1 caf\\'e9}\\par}";
        };
        std::string characterSet = "\\fcharset" + std::to_string(c.characterSet);
        // The font's character set decides, over the document's code page; a font without
        // one takes the document's.
        EXPECT_EQ(textOf(rtf(c.codePage, characterSet)), expected) << c.codePage;
        EXPECT_EQ(textOf(rtf(1252, characterSet)), expected) << c.codePage;
        EXPECT_EQ(textOf(rtf(c.codePage, "")), expected) << c.codePage;
    }
}

// A licence as a word processor writes it: font, colour and style tables, document
// information, a header, a picture, a field, list labels in picture fonts, Symbol's letters,
// a font named in its own code page, and nested tables. Picture fonts get no font name: their
// characters are Unicode now.
TEST(RTFReader, WordProcessorDocumentReadsAsItsText) {
    RTFReadResult r = readRTF(document("word-licence.rtf"));
    EXPECT_EQ(r.repairs, 0u);
    EXPECT_EQ(r.document.text, document("word-licence.txt"));
    EXPECT_EQ(r.document.fonts, (std::vector<std::string>{"Times New Roman", "Courier New",
                                                          "\uff2d\uff33 \u660e\u671d,MS Mincho"}));
}

// A licence written in Markdown and turned into RTF by pandoc reads back word for word.
TEST(RTFReader, PandocLicenceReadsWordForWord) {
    const std::string licence = document("licence.md");
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "licence.md", licence);
    // Smart punctuation off: the source's quotes and dashes stay what they are.
    std::string command = "HOME='" + dir.path() + "' pandoc -s -f markdown-smart -t rtf '" +
                          (dir / "licence.md") + "' -o '" + (dir / "licence.rtf") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "pandoc is installed by scripts/install-deps";

    // The source's words without Markdown's marks; pandoc writes list items with a bullet.
    std::vector<std::string> expected;
    for (std::string word : wordsOf(licence)) {
        if (word == "-") {
            word = "\u2022";
        } else if (word.find_first_not_of("#|-") == std::string::npos) {
            continue;
        }
        std::erase(word, '*');
        expected.push_back(word);
    }
    RTFReadResult read = readRTF(TestSupport::readFile(dir / "licence.rtf"));
    EXPECT_EQ(read.repairs, 0u);
    EXPECT_EQ(wordsOf(read.document.text), expected);
}
