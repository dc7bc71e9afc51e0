// The 8-bit and double-byte code pages that rich-text files write their text in, and the two
// picture fonts whose byte positions hold symbols rather than letters.
//
// Code pages are numbered as Windows numbers them, which is how \ansicpgN and \cpgN name them.
// Windows-1252 and MacRoman are decoded by tables of ours (the same as the rest of the library
// uses); the other Windows, DOS, ISO and Mac pages go through the C library's iconv. A code
// page that is not in the list reads as Windows-1252.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace MacPlatform {

inline constexpr int kCodePageWindowsLatin1 = 1252;
inline constexpr int kCodePageMacRoman = 10000;
// Not code pages but the layouts of two fonts that word processors draw bullets with.
inline constexpr int kCodePageSymbolFont = -2;
inline constexpr int kCodePageWingdingsFont = -3;

// The code page that text in a font of the character set is written in (\fcharsetN of a font
// table): 0 for the default character set (1), which means "the document's code page", and
// for character sets that have no code page here. Symbol (2) gives kCodePageSymbolFont.
int codePageOfCharacterSet(int characterSet);

// Decodes the bytes of text, one character at a time, keeping the converters it opened until
// it is destroyed. Not thread-safe: each reader has its own.
class CodePageDecoder {
public:
    CodePageDecoder() = default;
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // True when the byte starts a two-byte character of the page (932, 936, 949, 950, 1361).
    bool isLeadByte(int codePage, unsigned char byte);
    // True for the pages that have two-byte characters.
    bool isDoubleByte(int codePage);
    // The character of a single byte; U+FFFD where the page has none (or for a lead byte).
    char32_t decode(int codePage, unsigned char byte);
    // The character of a lead and a trail byte, or 0 when the pair is not a character (the
    // caller then reads the trail byte on its own).
    char32_t decode(int codePage, unsigned char lead, unsigned char trail);
    // A whole byte string, pairs and all, as UTF-8.
    std::string decodeToUTF8(int codePage, std::string_view bytes);

private:
    static constexpr char32_t kLead = 0xFFFFFFFF;
    struct Page {
        void* converter = nullptr; // iconv_t; null for our own tables and unknown pages
        std::array<char32_t, 128> high{};
        bool doubleByte = false;
    };
    Page& page(int codePage);
    char32_t convert(Page& page, const unsigned char* bytes, size_t count);

    std::unordered_map<int, Page> m_pages;
};

} // namespace MacPlatform
