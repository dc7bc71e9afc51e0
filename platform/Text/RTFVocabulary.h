// The control words the rich-text reader acts on.
#pragma once

#include <string_view>

namespace MacPlatform::RTF {

enum class Action {
    character,       // produces WordInfo::character
    bold,            // \b, \b1, \b0
    italic,          // \i, \i0
    underline,       // \ul and its dotted, double, wavy... forms; \ul0 ends it
    underlineNone,   // \ulnone
    caps,            // \caps, \caps0
    smallCaps,       // \scaps, \scaps0
    hidden,          // \v, \v0
    plain,           // \plain
    unicode,         // \uN
    unicodeSkip,     // \ucN
    binary,          // \binN
    codePage,        // \ansi, \mac, \pc, \pca
    ansiCodePage,    // \ansicpgN
    destination,     // a group whose content is not document text
    fontTable,       // \fonttbl
    font,            // \fN: a font of the table, in the table and in text
    defaultFont,     // \deffN
    fontCharset,     // \fcharsetN, in the font table
    fontCodePage,    // \cpgN, in the font table
    fontAlternative, // \falt, in the font table: the name to use when the first is missing
    listText,        // \listtext: the number or bullet of a list item, written for readers
    characterClass,  // \loch, \hich, \dbch: which kind of character the text after it is
    associatedFont,  // \afN: the font of the current kind of character
};

struct WordInfo {
    Action action;
    char32_t character = 0;
};

// Null for a word the reader ignores.
const WordInfo* findControlWord(std::string_view name);

// The code page of \ansi, \mac, \pc or \pca.
int codePageNamed(std::string_view word);

} // namespace MacPlatform::RTF
