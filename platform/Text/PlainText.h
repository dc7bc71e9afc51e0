// Reads the plain-text files that games ship as their agreement text.
#pragma once

#include <string>
#include <string_view>

namespace MacPlatform {

// Decodes a text file to UTF-8 with "\n" line ends (CR LF and lone CR become "\n").
//   - A UTF-8 byte-order mark is dropped; after one the text is UTF-8 even where it is
//     damaged, each malformed byte becoming U+FFFD, since the writer said what it meant.
//   - A UTF-16 byte-order mark (either byte order) makes the text UTF-16; when it does not
//     decode (odd length, unpaired surrogates) the bytes are read as 8-bit text below.
//   - Otherwise text that is valid UTF-8 is taken as UTF-8, anything else as MacRoman, in
//     which every byte is a character, so the function cannot fail.
std::string decodePlainText(std::string_view bytes);

} // namespace MacPlatform
