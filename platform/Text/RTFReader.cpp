#include "RTFReader.h"

#include "CodePages.h"
#include "RTFVocabulary.h"
#include "CoreFoundation/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

namespace MacPlatform {

namespace {

using RTF::Action;

constexpr char32_t kReplacement = 0xFFFD;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

enum class Destination {
    text,
    fontTable,
    // {\*\falt name}: the font's other name.
    fontAlternative,
};

// Formatting that a group inherits from its parent and drops when it closes.
struct GroupState {
    // Character styles; the font of style is set from `font` as text is added.
    TextStyle style;
    // \fN, or -1 for the document's default font (\deffN).
    int32_t font = -1;
    // After \dbch, \fN and \afN name the font of double-byte text as well: word processors
    // write "\hich\af0\dbch\af11\loch\f0" and then the bytes of a double-byte font.
    bool doubleByteClass = false;
    int32_t doubleByteFont = -1;
    bool hidden = false;
    // Inside a destination that is not document text: nothing is shown until it closes.
    bool skipping = false;
    Destination destination = Destination::text;
    // \ucN: how many fallback characters follow each \uN.
    int32_t unicodeSkip = 1;
};

// A font of the font table.
struct FontEntry {
    int32_t characterSet = -1;
    // \cpgN, which wins over the character set.
    int32_t declaredCodePage = 0;
    // The name decoded so far, and the bytes of it not yet decoded (the font's code page
    // decides, and a double-byte name can end in the middle of a character until ';').
    std::string name;
    std::string nameBytes;
    bool nameEnded = false;
    std::string alternative;
    std::string alternativeBytes;
    // Worked out when text first uses the font: the code page of its text (0 for the
    // document's), and the index of its family list in the document's fonts (-1 for none).
    bool resolved = false;
    int codePage = 0;
    int documentFont = -1;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == ';')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == ';')) {
        s.remove_suffix(1);
    }
    return s;
}

struct ControlWord {
    std::string_view name;
    bool hasParameter = false;
    int32_t parameter = 0;
};

class Reader {
public:
    explicit Reader(std::string_view input) : m_in(input) {}

    RTFReadResult read(size_t start) {
        m_pos = start;
        while (m_pos < m_in.size() && !m_finished) {
            char c = m_in[m_pos++];
            switch (c) {
            case '{':
                m_fallbackLeft = 0;
                openGroup();
                break;
            case '}':
                m_fallbackLeft = 0;
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                // Line ends in the source only wrap it; breaks come from control words.
                break;
            default:
                if (!takeFallback()) {
                    byteCharacter(static_cast<unsigned char>(c));
                }
                break;
            }
        }
        if (!m_finished) {
            m_result.repairs |= kRTFRepairUnclosedGroup;
        }
        flushLeadByte();
        flushSurrogate();
        m_result.status = RTFStatus::ok;
        return std::move(m_result);
    }

private:
    GroupState& state() { return m_groups.back(); }

    void openGroup() {
        if (m_groups.empty()) {
            m_groups.emplace_back();
        } else if (m_groups.size() < kRTFMaxGroupDepth) {
            // Copy first: emplace_back may reallocate under a reference to back().
            GroupState inherited = m_groups.back();
            m_groups.push_back(inherited);
        } else {
            ++m_flattened;
            m_result.repairs |= kRTFRepairTooDeep;
        }
    }

    void closeGroup() {
        if (m_flattened > 0) {
            --m_flattened;
        } else if (m_groups.size() > 1) {
            if (m_listTextDepth == m_groups.size()) {
                finishListText();
            }
            m_groups.pop_back();
        } else if (restIsBlank()) {
            m_finished = true;
        } else {
            // Closing the document with text still to come: the brace is one too many.
            m_result.repairs |= kRTFRepairUnmatchedClose;
        }
    }

    bool restIsBlank() const {
        for (size_t k = m_pos; k < m_in.size(); ++k) {
            if (!isBlank(m_in[k])) {
                return false;
            }
        }
        return true;
    }

    // The characters after \uN that stand in for it in older readers; each text byte, \'hh
    // escape, control symbol or control word counts as one, and a brace ends them.
    bool takeFallback() {
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return true;
        }
        return false;
    }

    void controlSequence() {
        if (m_pos >= m_in.size()) {
            m_result.repairs |= kRTFRepairTruncated;
            return;
        }
        char c = m_in[m_pos];
        if (isLetter(c)) {
            ControlWord word = readControlWord();
            if (takeFallback()) {
                if (word.name == "bin") {
                    skipBinary(word);
                }
                return;
            }
            controlWord(word);
            return;
        }
        ++m_pos;
        if (c == '\'') {
            hexEscape();
            return;
        }
        if (takeFallback()) {
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            // Bytes like any other: in a Symbol font "\\" is the "therefore" sign, and in
            // Shift-JIS it can be the trail byte of a character.
            byteCharacter(static_cast<unsigned char>(c));
            break;
        case '~':
            emit(0x00A0);
            break;
        case '_':
            emit(0x2011);
            break;
        case '-':
            // An optional hyphen: only a line breaker that hyphenates would show it.
            break;
        case '*':
            // The one starred destination the reader keeps: a font's other name.
            if (state().destination != Destination::fontTable || !nextWordIs("falt")) {
                state().skipping = true;
            }
            break;
        case '\r':
        case '\n':
            // A backslash before a source line end is an old spelling of \par.
            emit('\n');
            break;
        default:
            // \| \: and the like are index and formula marks with no text.
            break;
        }
    }

    ControlWord readControlWord() {
        ControlWord word;
        size_t start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos])) {
            ++m_pos;
        }
        word.name = m_in.substr(start, m_pos - start);
        bool negative = m_pos + 1 < m_in.size() && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1]);
        if (negative) {
            ++m_pos;
        }
        if (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            // Writers stay within 16 bits; longer digit runs saturate instead of overflowing.
            int64_t value = 0;
            constexpr int64_t limit = std::numeric_limits<int32_t>::max();
            while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
                value = std::min(limit, value * 10 + (m_in[m_pos] - '0'));
                ++m_pos;
            }
            word.hasParameter = true;
            word.parameter = static_cast<int32_t>(negative ? -value : value);
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ') {
            ++m_pos;
        }
        return word;
    }

    // True when the next control word, after line ends, is the given one.
    bool nextWordIs(std::string_view name) const {
        size_t k = m_pos;
        while (k < m_in.size() && (m_in[k] == '\r' || m_in[k] == '\n' || m_in[k] == ' ')) {
            ++k;
        }
        if (k >= m_in.size() || m_in[k] != '\\' || m_in.substr(k + 1, name.size()) != name) {
            return false;
        }
        size_t after = k + 1 + name.size();
        return after >= m_in.size() || !isLetter(m_in[after]);
    }

    void controlWord(const ControlWord& word) {
        const RTF::WordInfo* info = RTF::findControlWord(word.name);
        if (!info) {
            return;
        }
        bool on = !word.hasParameter || word.parameter != 0;
        GroupState& s = state();
        if (info->action == Action::binary) {
            skipBinary(word);
            return;
        }
        if (s.skipping) {
            // Words inside a skipped destination (the styles of the style sheet, for one) do
            // not apply to the document.
            return;
        }
        if (s.destination != Destination::text) {
            fontTableWord(word, info->action);
            return;
        }
        switch (info->action) {
        case Action::character:
            emit(info->character);
            break;
        case Action::bold:
            s.style.bold = on;
            break;
        case Action::italic:
            s.style.italic = on;
            break;
        case Action::underline:
            s.style.underline = on;
            break;
        case Action::underlineNone:
            s.style.underline = false;
            break;
        case Action::caps:
            s.style.caps = on;
            break;
        case Action::smallCaps:
            s.style.smallCaps = on;
            break;
        case Action::hidden:
            s.hidden = on;
            break;
        case Action::plain:
            s.style = TextStyle{};
            s.font = -1;
            s.doubleByteClass = false;
            s.doubleByteFont = -1;
            s.hidden = false;
            break;
        case Action::characterClass:
            s.doubleByteClass = word.name == "dbch";
            break;
        case Action::associatedFont:
            if (word.hasParameter && s.doubleByteClass) {
                s.doubleByteFont = word.parameter;
            }
            break;
        case Action::unicode:
            if (word.hasParameter) {
                unicodeCharacter(word.parameter);
                m_fallbackLeft = s.unicodeSkip;
            }
            break;
        case Action::unicodeSkip:
            if (word.hasParameter) {
                s.unicodeSkip = std::max<int32_t>(0, word.parameter);
            }
            break;
        case Action::codePage:
            m_codePage = RTF::codePageNamed(word.name);
            break;
        case Action::ansiCodePage:
            if (word.hasParameter) {
                m_codePage = word.parameter;
            }
            break;
        case Action::destination:
            s.skipping = true;
            break;
        case Action::fontTable:
            s.destination = Destination::fontTable;
            m_fontBeingDescribed = nullptr;
            break;
        case Action::font:
            if (word.hasParameter) {
                s.font = word.parameter;
                if (s.doubleByteClass) {
                    s.doubleByteFont = word.parameter;
                }
            }
            break;
        case Action::defaultFont:
            if (word.hasParameter) {
                m_defaultFont = word.parameter;
            }
            break;
        case Action::listText:
            if (m_flattened == 0 && m_listTextDepth == 0) {
                flushLeadByte();
                m_listTextDepth = m_groups.size();
                m_listTextStart = m_result.document.text.size();
            }
            break;
        case Action::fontCharset:
        case Action::fontCodePage:
        case Action::fontAlternative:
        case Action::binary:
            break;
        }
    }

    // The words of the font table: which font is described, its character set and code page,
    // and its other name. Character formatting there describes no text.
    void fontTableWord(const ControlWord& word, Action action) {
        GroupState& s = state();
        FontEntry* entry = m_fontBeingDescribed;
        if (entry) {
            entry->resolved = false;
        }
        switch (action) {
        case Action::font:
            if (word.hasParameter && s.destination == Destination::fontTable) {
                // A font described twice is described anew.
                m_fontBeingDescribed = &(m_fonts[word.parameter] = FontEntry{});
            }
            break;
        case Action::fontCharset:
            if (entry && word.hasParameter) {
                entry->characterSet = word.parameter;
            }
            break;
        case Action::fontCodePage:
            if (entry && word.hasParameter) {
                entry->declaredCodePage = word.parameter;
            }
            break;
        case Action::fontAlternative:
            s.destination = Destination::fontAlternative;
            break;
        case Action::unicode:
            if (word.hasParameter) {
                if (entry) {
                    std::string utf8;
                    appendUTF8(utf8, static_cast<char32_t>(word.parameter & 0xFFFF));
                    fontNameText(*entry, {}, utf8);
                }
                m_fallbackLeft = s.unicodeSkip;
            }
            break;
        case Action::unicodeSkip:
            if (word.hasParameter) {
                s.unicodeSkip = std::max<int32_t>(0, word.parameter);
            }
            break;
        case Action::destination:
            s.skipping = true;
            break;
        default:
            break;
        }
    }

    // Adds bytes (decoded when the name is complete) or decoded text to the name being read.
    void fontNameText(FontEntry& entry, std::string_view bytes, std::string_view utf8) {
        bool alternative = state().destination == Destination::fontAlternative;
        if (!alternative && entry.nameEnded) {
            return;
        }
        std::string& decoded = alternative ? entry.alternative : entry.name;
        std::string& pending = alternative ? entry.alternativeBytes : entry.nameBytes;
        if (!utf8.empty()) {
            decoded += m_decoder.decodeToUTF8(nameCodePage(entry), pending);
            pending.clear();
            decoded += utf8;
        }
        pending += bytes;
    }

    void fontTableByte(unsigned char b) {
        FontEntry* entry = m_fontBeingDescribed;
        if (!entry || b < 0x20) {
            return;
        }
        entry->resolved = false;
        if (b == ';' && state().destination == Destination::fontTable) {
            entry->nameEnded = true;
            return;
        }
        char byte = static_cast<char>(b);
        fontNameText(*entry, std::string_view(&byte, 1), {});
    }

    // The code page of a font's name: its own, but never a picture font's.
    int nameCodePage(const FontEntry& entry) const {
        int page = entry.declaredCodePage > 0 ? entry.declaredCodePage
                                              : codePageOfCharacterSet(entry.characterSet);
        return page > 0 ? page : m_codePage;
    }

    FontEntry* currentFont() {
        int32_t number = state().font < 0 ? m_defaultFont : state().font;
        auto found = m_fonts.find(number);
        return found == m_fonts.end() ? nullptr : &found->second;
    }

    // The code page of the font's text and its family list. Symbol and Wingdings go by their
    // names, as word processors choose them whatever character set they declare, and draw in
    // the view's font: their characters are Unicode now. Then the font's code page, its
    // character set's, and the document's.
    void resolve(FontEntry& entry) {
        if (entry.resolved) {
            return;
        }
        entry.resolved = true;
        int page = nameCodePage(entry);
        std::string name(trimmed(entry.name + m_decoder.decodeToUTF8(page, entry.nameBytes)));
        std::string alternative(
            trimmed(entry.alternative + m_decoder.decodeToUTF8(page, entry.alternativeBytes)));
        entry.documentFont = -1;
        if (equalsIgnoringCase(name.substr(0, 9), "wingdings")) {
            entry.codePage = kCodePageWingdingsFont;
            return;
        }
        if (equalsIgnoringCase(name, "symbol")) {
            entry.codePage = kCodePageSymbolFont;
            return;
        }
        entry.codePage = entry.declaredCodePage > 0 ? entry.declaredCodePage
                                                    : codePageOfCharacterSet(entry.characterSet);
        if (entry.codePage == kCodePageSymbolFont) {
            return;
        }
        // A family list is one name after another: a name with a comma in it is left out.
        std::string families;
        for (const std::string& family : {name, alternative}) {
            if (!family.empty() && family.find(',') == std::string::npos && family != families) {
                families += (families.empty() ? "" : ",") + family;
            }
        }
        if (!families.empty()) {
            auto [found, added] = m_documentFonts.try_emplace(
                families, static_cast<int>(m_result.document.fonts.size()));
            if (added) {
                m_result.document.fonts.push_back(families);
            }
            entry.documentFont = found->second;
        }
    }

    static bool isPictureFont(int codePage) {
        return codePage == kCodePageSymbolFont || codePage == kCodePageWingdingsFont;
    }

    int textCodePage() {
        FontEntry* entry = currentFont();
        if (!entry) {
            return m_codePage;
        }
        resolve(*entry);
        return entry->codePage != 0 ? entry->codePage : m_codePage;
    }

    // The page of the double-byte font, when one is set and it has two-byte characters.
    int doubleBytePage() {
        auto found = m_fonts.find(state().doubleByteFont);
        if (state().doubleByteFont < 0 || found == m_fonts.end()) {
            return 0;
        }
        resolve(found->second);
        int page = found->second.codePage != 0 ? found->second.codePage : m_codePage;
        return !isPictureFont(page) && m_decoder.isDoubleByte(page) ? page : 0;
    }

    TextStyle textStyle() {
        TextStyle style = state().style;
        if (FontEntry* entry = currentFont()) {
            resolve(*entry);
            style.font = entry->documentFont;
        }
        return style;
    }

    // A word processor's list label for the second level of a bulleted list is the letter
    // "o" in a monospaced font, standing for a white bullet: show the bullet.
    void finishListText() {
        m_listTextDepth = 0;
        flushLeadByte();
        StyledText& document = m_result.document;
        std::string_view label = std::string_view(document.text).substr(m_listTextStart);
        if (label != "o" && label != "o\t") {
            return;
        }
        // The label is at the end of the text, and so are its runs.
        auto styleAt = [&document](size_t offset) {
            for (auto run = document.runs.rbegin(); run != document.runs.rend(); ++run) {
                if (run->start <= offset) {
                    return run->style;
                }
            }
            return TextStyle{};
        };
        TextStyle bullet = styleAt(m_listTextStart);
        TextStyle tab = styleAt(m_listTextStart + 1);
        bool hasTab = label.size() == 2;
        document.truncate(m_listTextStart);
        document.append(char32_t(0x25E6), bullet);
        if (hasTab) {
            document.append(char32_t('\t'), tab);
        }
    }

    void skipBinary(const ControlWord& word) {
        if (!word.hasParameter || word.parameter <= 0) {
            return;
        }
        size_t length = static_cast<size_t>(word.parameter);
        if (length > m_in.size() - m_pos) {
            m_result.repairs |= kRTFRepairTruncated;
            m_pos = m_in.size();
        } else {
            m_pos += length;
        }
    }

    void hexEscape() {
        int high = m_pos < m_in.size() ? hexValue(m_in[m_pos]) : -1;
        int low = m_pos + 1 < m_in.size() ? hexValue(m_in[m_pos + 1]) : -1;
        bool fallback = takeFallback();
        if (high < 0 || low < 0) {
            // Half an escape says nothing reliable; drop it and read on from the next byte
            // that is not one of its digits.
            m_result.repairs |= m_pos + 2 > m_in.size() ? kRTFRepairTruncated : kRTFRepairBadEscape;
            if (high >= 0) {
                ++m_pos;
            }
            return;
        }
        m_pos += 2;
        if (!fallback) {
            byteCharacter(static_cast<unsigned char>(high * 16 + low));
        }
    }

    void byteCharacter(unsigned char b) {
        const GroupState& s = state();
        if (s.skipping) {
            return;
        }
        if (s.destination != Destination::text) {
            fontTableByte(b);
            return;
        }
        if (s.hidden) {
            return;
        }
        flushSurrogate();
        if (m_leadByte >= 0) {
            int lead = m_leadByte;
            m_leadByte = -1;
            char32_t c = m_decoder.decode(m_leadPage, static_cast<unsigned char>(lead), b);
            if (c != 0) {
                append(c);
                return;
            }
            // Not a pair: the lead byte alone is no character, and the other byte is read on
            // its own.
            append(kReplacement);
        }
        if (b == '\t') {
            append('\t');
            return;
        }
        if (b < 0x20) {
            // Control bytes carry no text; the structure comes from control words.
            return;
        }
        int page = b >= 0x80 ? doubleBytePage() : 0;
        page = page != 0 ? page : textCodePage();
        if (m_decoder.isLeadByte(page, b)) {
            m_leadByte = b;
            m_leadPage = page;
            return;
        }
        append(m_decoder.decode(page, b));
    }

    void unicodeCharacter(int32_t parameter) {
        // The parameter is a signed 16-bit number: -4064 means U+F020.
        int64_t value = parameter < 0 ? int64_t(parameter) + 0x10000 : int64_t(parameter);
        if (value < 0) {
            emit(kReplacement);
        } else if (value >= 0xD800 && value <= 0xDBFF) {
            if (visible()) {
                flushLeadByte();
                flushSurrogate();
                m_highSurrogate = static_cast<char16_t>(value);
            }
        } else if (value >= 0xDC00 && value <= 0xDFFF) {
            if (m_highSurrogate != 0) {
                char32_t c = 0x10000 + ((char32_t(m_highSurrogate) - 0xD800) << 10) +
                             (char32_t(value) - 0xDC00);
                m_highSurrogate = 0;
                emit(c);
            } else {
                emit(kReplacement);
            }
        } else if (value < 0x20 && value != '\t') {
            // As with bytes: control characters are not text.
        } else if (value >= 0xF020 && value <= 0xF0FF && isPictureFont(textCodePage())) {
            // Picture fonts' characters as their own private-use code points: U+F0B7 is
            // Symbol's bullet.
            emit(m_decoder.decode(textCodePage(), static_cast<unsigned char>(value - 0xF000)));
        } else {
            // Beyond U+10FFFF becomes U+FFFD on output.
            emit(static_cast<char32_t>(std::min<int64_t>(value, 0x110000)));
        }
    }

    bool visible() {
        const GroupState& s = state();
        return !s.skipping && !s.hidden && s.destination == Destination::text;
    }

    void flushSurrogate() {
        if (m_highSurrogate != 0) {
            m_highSurrogate = 0;
            m_result.document.append(kReplacement, m_groups.empty() ? TextStyle{} : textStyle());
        }
    }

    // A lead byte whose trail never came.
    void flushLeadByte() {
        if (m_leadByte >= 0) {
            m_leadByte = -1;
            m_result.document.append(kReplacement, m_groups.empty() ? TextStyle{} : textStyle());
        }
    }

    void emit(char32_t c) {
        if (!visible()) {
            return;
        }
        flushLeadByte();
        flushSurrogate();
        append(c);
    }

    void append(char32_t c) { m_result.document.append(c, textStyle()); }

    std::string_view m_in;
    size_t m_pos = 0;
    std::vector<GroupState> m_groups;
    // '{' beyond the depth limit whose '}' has not come yet.
    size_t m_flattened = 0;
    bool m_finished = false;
    int m_codePage = kCodePageWindowsLatin1;
    int32_t m_defaultFont = -1;
    std::unordered_map<int32_t, FontEntry> m_fonts;
    // Where the font table's words and name go; entries of m_fonts stay where they are.
    FontEntry* m_fontBeingDescribed = nullptr;
    // Family lists already in the document's fonts, and their indexes there.
    std::unordered_map<std::string, int> m_documentFonts;
    CodePageDecoder m_decoder;
    // The first byte of a double-byte character, waiting for the second, and its code page.
    int m_leadByte = -1;
    int m_leadPage = 0;
    // The group depth of the \listtext group being read (0 for none) and where its text began.
    size_t m_listTextDepth = 0;
    size_t m_listTextStart = 0;
    int64_t m_fallbackLeft = 0;
    // The first half of a character beyond U+FFFF, waiting for its second \uN.
    char16_t m_highSurrogate = 0;
    RTFReadResult m_result;
};

// Where the outermost '{' of an RTF file is, or npos.
size_t headerStart(std::string_view bytes) {
    size_t pos = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3;
    }
    while (pos < bytes.size() && isBlank(bytes[pos]) && bytes[pos] != '\0') {
        ++pos;
    }
    std::string_view rest = bytes.substr(pos);
    if (rest.substr(0, 5) != "{\\rtf" || (rest.size() > 5 && isLetter(rest[5]))) {
        return std::string_view::npos;
    }
    return pos;
}

} // namespace

bool isRTF(std::string_view bytes) {
    return headerStart(bytes) != std::string_view::npos;
}

RTFReadResult readRTF(std::string_view bytes) {
    size_t start = headerStart(bytes);
    if (start == std::string_view::npos) {
        return {};
    }
    return Reader(bytes).read(start);
}

std::string describeRTFRepairs(unsigned repairs) {
    static const struct {
        unsigned bit;
        const char* text;
    } kTexts[] = {
        {kRTFRepairUnmatchedClose, "unmatched '}' ignored"},
        {kRTFRepairUnclosedGroup, "groups left open at the end"},
        {kRTFRepairTooDeep, "groups nested too deeply were flattened"},
        {kRTFRepairTruncated, "input ends inside a control word, escape or binary data"},
        {kRTFRepairBadEscape, "malformed \\'hh escape dropped"},
    };
    std::string out;
    for (const auto& entry : kTexts) {
        if (repairs & entry.bit) {
            if (!out.empty()) {
                out += "; ";
            }
            out += entry.text;
        }
    }
    return out;
}

} // namespace MacPlatform
