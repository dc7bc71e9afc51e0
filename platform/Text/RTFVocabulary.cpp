#include "RTFVocabulary.h"

#include "CodePages.h"

#include <unordered_map>

namespace MacPlatform::RTF {

namespace {

const struct {
    std::string_view name;
    char32_t character;
} kCharacterWords[] = {
    // A forced line break inside a paragraph; see StyledText. Cells of nested tables end with a
    // tab as the outer table's do, and columns with a paragraph end as pages do.
    {"line", 0x2028},    {"par", '\n'},       {"sect", '\n'},        {"page", '\n'},
    {"row", '\n'},       {"tab", '\t'},       {"cell", '\t'},        {"emdash", 0x2014},
    {"endash", 0x2013},  {"emspace", 0x2003}, {"enspace", 0x2002},   {"qmspace", 0x2005},
    {"lquote", 0x2018},  {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    {"bullet", 0x2022},  {"zwj", 0x200D},     {"zwnj", 0x200C},      {"ltrmark", 0x200E},
    {"rtlmark", 0x200F}, {"nestcell", '\t'},  {"nestrow", '\n'},     {"column", '\n'}};

const std::string_view kUnderlineWords[] = {
    "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
    "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
    "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};

// Tables, document properties, pictures, page furniture and field instructions. The \pntext and
// \listtext groups are not here: they hold the list numbers for readers that, like this one, do
// not number lists themselves. Nor is \fldrslt: it is what a field shows. \nonesttables holds
// nested tables again, flattened for readers that do not know \nestcell. The font table is read.
const std::string_view kDestinations[] = {"nonesttables",
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
    w["caps"] = {Action::caps};
    w["scaps"] = {Action::smallCaps};
    w["fonttbl"] = {Action::fontTable};
    w["f"] = {Action::font};
    w["deff"] = {Action::defaultFont};
    w["fcharset"] = {Action::fontCharset};
    w["cpg"] = {Action::fontCodePage};
    w["falt"] = {Action::fontAlternative};
    w["listtext"] = {Action::listText};
    w["loch"] = {Action::characterClass};
    w["hich"] = {Action::characterClass};
    w["dbch"] = {Action::characterClass};
    w["af"] = {Action::associatedFont};
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

int codePageNamed(std::string_view word) {
    if (word == "mac") {
        return kCodePageMacRoman;
    }
    if (word == "pc") {
        return 437;
    }
    if (word == "pca") {
        return 850;
    }
    return kCodePageWindowsLatin1;
}

} // namespace MacPlatform::RTF
