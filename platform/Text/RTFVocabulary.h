// The control words the rich-text reader acts on, and the code pages of its 8-bit text.
#pragma once

#include <string>
#include <string_view>

namespace MacPlatform::RTF {

enum class Action {
    character,     // produces WordInfo::character
    bold,          // \b, \b1, \b0
    italic,        // \i, \i0
    underline,     // \ul and its dotted, double, wavy... forms; \ul0 ends it
    underlineNone, // \ulnone
    hidden,        // \v, \v0
    plain,         // \plain
    unicode,       // \uN
    unicodeSkip,   // \ucN
    binary,        // \binN
    codePage,      // \ansi, \mac, \pc, \pca
    ansiCodePage,  // \ansicpgN
    destination,   // a group whose content is not document text
};

struct WordInfo {
    Action action;
    char32_t character = 0;
};

// Null for a word the reader ignores.
const WordInfo* findControlWord(std::string_view name);

enum class CodePage { windows1252, macRoman };

CodePage codePageNamed(std::string_view word);
CodePage codePageNumbered(int number);

// Appends the UTF-8 form of an 8-bit character in the code page.
void appendCodePageByte(std::string& out, unsigned char byte, CodePage page);

} // namespace MacPlatform::RTF
