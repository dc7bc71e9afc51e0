#include "StyledText.h"
#include "CoreFoundation/TextEncoding.h"

namespace MacPlatform {

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
