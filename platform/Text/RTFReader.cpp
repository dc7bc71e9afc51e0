#include "RTFReader.h"

#include "RTFVocabulary.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace MacPlatform {

namespace {

using RTF::Action;
using RTF::CodePage;

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

// Formatting that a group inherits from its parent and drops when it closes.
struct GroupState {
    TextStyle style;
    bool hidden = false;
    // Inside a destination that is not document text: nothing is shown until it closes.
    bool skipping = false;
    // \ucN: how many fallback characters follow each \uN.
    int32_t unicodeSkip = 1;
};

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
            emit(static_cast<char32_t>(c));
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
            state().skipping = true;
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
            // Words inside a skipped destination (the code pages of the font table's fonts,
            // for one) do not apply to the document.
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
        case Action::hidden:
            s.hidden = on;
            break;
        case Action::plain:
            s.style = TextStyle{};
            s.hidden = false;
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
                m_codePage = RTF::codePageNumbered(word.parameter);
            }
            break;
        case Action::destination:
            s.skipping = true;
            break;
        case Action::binary:
            break;
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
        if (b == '\t') {
            emit('\t');
        } else if (b < 0x20) {
            // Control bytes carry no text; the structure comes from control words.
        } else {
            std::string utf8;
            RTF::appendCodePageByte(utf8, b, m_codePage);
            emitUTF8(utf8);
        }
    }

    void unicodeCharacter(int32_t parameter) {
        // The parameter is a signed 16-bit number: -4064 means U+F020.
        int64_t value = parameter < 0 ? int64_t(parameter) + 0x10000 : int64_t(parameter);
        if (value < 0) {
            emit(kReplacement);
        } else if (value >= 0xD800 && value <= 0xDBFF) {
            if (visible()) {
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
        } else {
            // Beyond U+10FFFF becomes U+FFFD on output.
            emit(static_cast<char32_t>(std::min<int64_t>(value, 0x110000)));
        }
    }

    bool visible() {
        const GroupState& s = state();
        return !s.skipping && !s.hidden;
    }

    void flushSurrogate() {
        if (m_highSurrogate != 0) {
            m_highSurrogate = 0;
            m_result.document.append(kReplacement, m_groups.empty() ? TextStyle{} : state().style);
        }
    }

    void emit(char32_t c) {
        if (!visible()) {
            return;
        }
        flushSurrogate();
        m_result.document.append(c, state().style);
    }

    void emitUTF8(std::string_view utf8) {
        if (!visible()) {
            return;
        }
        flushSurrogate();
        m_result.document.append(utf8, state().style);
    }

    std::string_view m_in;
    size_t m_pos = 0;
    std::vector<GroupState> m_groups;
    // '{' beyond the depth limit whose '}' has not come yet.
    size_t m_flattened = 0;
    bool m_finished = false;
    CodePage m_codePage = CodePage::windows1252;
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
