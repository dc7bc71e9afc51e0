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

int StyledText::fontIndex(std::string_view families) {
    for (size_t k = 0; k < fonts.size(); ++k) {
        if (fonts[k] == families) {
            return static_cast<int>(k);
        }
    }
    fonts.emplace_back(families);
    return static_cast<int>(fonts.size() - 1);
}

void StyledText::truncate(size_t size) {
    if (size >= text.size()) {
        return;
    }
    text.resize(size);
    while (!runs.empty() && runs.back().start >= size) {
        runs.pop_back();
    }
    if (!runs.empty()) {
        runs.back().end = size;
    }
}

} // namespace MacPlatform
