#include "StyledText.h"

namespace MacPlatform {

void appendUTF8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void StyledText::append(std::string_view utf8, const TextStyle& style) {
    if (utf8.empty()) {
        return;
    }
    size_t start = text.size();
    text += utf8;
    if (!runs.empty() && runs.back().style == style) {
        runs.back().end = text.size();
    } else {
        runs.push_back({start, text.size(), style});
    }
}

void StyledText::append(char32_t character, const TextStyle& style) {
    std::string encoded;
    appendUTF8(encoded, character);
    append(encoded, style);
}

} // namespace MacPlatform
