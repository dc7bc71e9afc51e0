#include "RTFVocabulary.h"

#include "StyledText.h"
#include "CoreFoundation/TextEncoding.h"

#include <unordered_map>

namespace MacPlatform::RTF {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned bytes read as U+FFFD rather than as C1
// controls, which a text view would draw as boxes anyway.
const char16_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

const struct {
    std::string_view name;
    char32_t character;
} kCharacterWords[] = {
    // A forced line break inside a paragraph; see StyledText.
    {"line", 0x2028},   {"par", '\n'},       {"sect", '\n'},        {"page", '\n'},
    {"row", '\n'},      {"tab", '\t'},       {"cell", '\t'},        {"emdash", 0x2014},
    {"endash", 0x2013}, {"emspace", 0x2003}, {"enspace", 0x2002},   {"qmspace", 0x2005},
    {"lquote", 0x2018}, {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    {"bullet", 0x2022}, {"zwj", 0x200D},     {"zwnj", 0x200C},      {"ltrmark", 0x200E},
    {"rtlmark", 0x200F}};

const std::string_view kUnderlineWords[] = {
    "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
    "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
    "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};

// Tables, document properties, pictures, page furniture and field instructions. The \pntext and
// \listtext groups are not here: they hold the list numbers for readers that, like this one, do
// not number lists themselves. Nor is \fldrslt: it is what a field shows.
const std::string_view kDestinations[] = {"fonttbl",
                                          "colortbl",
                                          "stylesheet",
                                          "info",
                                          "pict",
                                          "header",
                                          "headerl",
                                          "headerr",
                                          "headerf",
                                          "footer",
                                          "footerl",
                                          "footerr",
                                          "footerf",
                                          "footnote",
                                          "ftnsep",
                                          "ftnsepc",
                                          "ftncn",
                                          "aftnsep",
                                          "aftnsepc",
                                          "aftncn",
                                          "listtable",
                                          "listoverridetable",
                                          "revtbl",
                                          "rsidtbl",
                                          "filetbl",
                                          "xmlnstbl",
                                          "fldinst",
                                          "object",
                                          "objdata",
                                          "themedata",
                                          "colorschememapping",
                                          "datastore",
                                          "latentstyles",
                                          "generator",
                                          "author",
                                          "operator",
                                          "title",
                                          "subject",
                                          "keywords",
                                          "comment",
                                          "doccomm",
                                          "company",
                                          "nonshppict",
                                          "pn",
                                          "xe",
                                          "tc",
                                          "txe",
                                          "rxe",
                                          "do",
                                          "private",
                                          "userprops",
                                          "pgdsctbl",
                                          "protusertbl"};

std::unordered_map<std::string_view, WordInfo> makeTable() {
    std::unordered_map<std::string_view, WordInfo> w;
    for (const auto& entry : kCharacterWords) {
        w[entry.name] = {Action::character, entry.character};
    }
    for (std::string_view name : kUnderlineWords) {
        w[name] = {Action::underline};
    }
    for (std::string_view name : kDestinations) {
        w[name] = {Action::destination};
    }
    w["b"] = {Action::bold};
    w["i"] = {Action::italic};
    w["ulnone"] = {Action::underlineNone};
    w["v"] = {Action::hidden};
    w["plain"] = {Action::plain};
    w["u"] = {Action::unicode};
    w["uc"] = {Action::unicodeSkip};
    w["bin"] = {Action::binary};
    w["ansi"] = {Action::codePage};
    w["mac"] = {Action::codePage};
    w["pc"] = {Action::codePage};
    w["pca"] = {Action::codePage};
    w["ansicpg"] = {Action::ansiCodePage};
    return w;
}

} // namespace

const WordInfo* findControlWord(std::string_view name) {
    static const std::unordered_map<std::string_view, WordInfo> table = makeTable();
    auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
}

// Only the two code pages that Western writers on the Mac and on Windows produce are known;
// the DOS code pages (\pc, \pca) and others read as Windows-1252, which shares their letters'
// 7-bit half and is the closest guess for the rest.
CodePage codePageNamed(std::string_view word) {
    return word == "mac" ? CodePage::macRoman : CodePage::windows1252;
}

CodePage codePageNumbered(int number) {
    return number == 10000 ? CodePage::macRoman : CodePage::windows1252;
}

void appendCodePageByte(std::string& out, unsigned char byte, CodePage page) {
    if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else if (page == CodePage::macRoman) {
        char raw = static_cast<char>(byte);
        out += macRomanToUTF8(std::string_view(&raw, 1));
    } else if (byte < 0xA0) {
        appendUTF8(out, kWindows1252High[byte - 0x80]);
    } else {
        // The upper half of Windows-1252 is Latin-1.
        appendUTF8(out, byte);
    }
}

} // namespace MacPlatform::RTF
