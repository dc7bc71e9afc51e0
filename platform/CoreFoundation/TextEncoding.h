// Conversions between the 8-bit encodings the Mac API names and UTF-8, the storage of CFString.
#pragma once

#include <CoreFoundation/CFString.h>

#include <optional>
#include <string>
#include <string_view>

namespace MacPlatform {

bool isValidUTF8(std::string_view bytes);
// Decodes bytes in the given encoding to UTF-8; nothing when the bytes are not valid in it.
std::optional<std::string> decodeToUTF8(std::string_view bytes, CFStringEncoding encoding);
// Encodes UTF-8 text in the given encoding; nothing when a character has no representation.
std::optional<std::string> encodeFromUTF8(std::string_view utf8, CFStringEncoding encoding);

// Appends the UTF-8 form of one code point; values that are not Unicode scalar values
// (surrogates, beyond U+10FFFF) become U+FFFD.
void appendUTF8(std::string& out, char32_t character);

std::u16string utf8ToUTF16(std::string_view utf8);
std::string utf16ToUTF8(std::u16string_view utf16);

// MacRoman has a character for every byte value.
std::string macRomanToUTF8(std::string_view bytes);

} // namespace MacPlatform
