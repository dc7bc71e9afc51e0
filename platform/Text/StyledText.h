// The text model that the text views lay out: UTF-8 text with character-style runs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace MacPlatform {

struct TextStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // All capitals, and small capitals, are applied when the text is shaped: the text keeps
    // the letters as written.
    bool caps = false;
    bool smallCaps = false;
    // An index into StyledText::fonts, or -1 for the view's own font.
    int font = -1;

    bool operator==(const TextStyle&) const = default;
};

// Offsets are byte indexes into StyledText::text, because Pango attributes index UTF-8 bytes;
// end is exclusive.
struct StyleRun {
    size_t start = 0;
    size_t end = 0;
    TextStyle style;

    bool operator==(const StyleRun&) const = default;
};

// Paragraphs end with "\n"; a forced line break inside a paragraph is U+2028, which Pango breaks
// at without starting a new paragraph. The runs cover the text from its first byte to its last
// without gaps, none is empty and no two neighbours have the same style.
struct StyledText {
    std::string text;
    std::vector<StyleRun> runs;
    // The font families that runs name, each a comma-separated list of family names in order
    // of preference, as the file named them; whether a face exists is decided when the text is
    // shaped.
    std::vector<std::string> fonts;

    // Appends UTF-8 text in the given style, extending the last run when the style matches.
    void append(std::string_view utf8, const TextStyle& style);
    void append(char32_t character, const TextStyle& style);
    // The index of the family list in fonts, added when it is not there yet.
    int fontIndex(std::string_view families);
    // Drops the text from the byte offset on, and the runs with it.
    void truncate(size_t size);
};

} // namespace MacPlatform
