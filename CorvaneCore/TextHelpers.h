// Small text helpers: the length estimate behind CJString::Format, a text duplicator, a
// case-insensitive bounded comparison, a hexadecimal decoder and 16-bit string functions.
#pragma once

#include <cstdarg>
#include <cstddef>

// An upper bound of the characters that vsprintf(format, arguments) writes, for formats built
// from the conversions %% c d i u p e E f g G s S C, with flags, width, precision and "*".
// The caller's list is not consumed (the walk reads a copy).
unsigned int GetSprintfResultLen(char const* format, va_list arguments);

// A copy of text in a new array (free it with delete[]); null for null. file and line name
// the caller's source position and are not used.
char* AllocateDString(char const* text, char const* file, int line);

// Compares at most n characters of a and b ignoring case: 0 when equal, otherwise the
// difference of the first lower-cased characters that differ.
int Cstrnicmp(char const* a, char const* b, std::size_t n);

// Decodes pairs of hexadecimal digits of hexText into output, at most maxBytes bytes (an odd
// last digit is ignored; digits are not validated). Returns the number of bytes written.
std::size_t HexStringToBin(unsigned char* output, char const* hexText, std::size_t maxBytes);

// Functions on NUL-terminated texts of 16-bit units (the library's "unicode" text).
class CWide {
public:
    static unsigned short* Strcpy(unsigned short* destination, unsigned short const* source);
    static unsigned int Strlen(unsigned short const* text);
    // Copies at most n units; a shorter source is padded with 0 units up to n.
    static unsigned short* Strncpy(unsigned short* destination, unsigned short const* source,
                                   unsigned int n);
};
