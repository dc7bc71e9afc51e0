#include "CodePages.h"

#include "CoreFoundation/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace MacPlatform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t X = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned bytes read as U+FFFD rather than as C1
// controls, which a text view would draw as boxes anyway. The rest of the upper half is Latin-1.
const char16_t kWindows1252High[32] = {
    0x20AC, X,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, X,      0x017D, X,      X,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, X,      0x017E, 0x0178,
};

// The Symbol font from 0x20: Greek letters where Latin ones would be, mathematical signs and
// the bullet (0xB7) that word processors put before list items. Delta, Omega and mu are the
// Greek letters, not the increment, ohm and micro signs, since text uses them as letters.
const char16_t kSymbolFont[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, // 0x20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F, //
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, //
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 0x40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, //
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 0x50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F, //
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 0x60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, //
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 0x70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, X,      //
    X,      X,      X,      X,      X,      X,      X,      X,      // 0x80
    X,      X,      X,      X,      X,      X,      X,      X,      //
    X,      X,      X,      X,      X,      X,      X,      X,      // 0x90
    X,      X,      X,      X,      X,      X,      X,      X,      //
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // 0xA0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193, //
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // 0xB0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, //
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // 0xC0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, //
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // 0xD0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3, //
    0x25CA, 0x27E8, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, // 0xE0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, //
    X,      0x27E9, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, // 0xF0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, X,      //
};

// The Wingdings font from 0x20, where Unicode has the picture in its first plane: bullets
// (0x6C to 0x77, 0x9E to 0xA8), arrowheads (0xD8), check marks and boxes (0xFB to 0xFE).
// Pictures that Unicode lacks or keeps beyond U+FFFF read as U+FFFD, which keeps every byte
// of text within three bytes of UTF-8.
const char16_t kWingdingsFont[224] = {
    0x0020, 0x270F, 0x2702, 0x2701, X,      X,      X,      X,      // 0x20
    0x260E, 0x2706, 0x2709, X,      X,      X,      X,      X,      //
    X,      X,      X,      X,      X,      X,      0x231B, 0x2328, // 0x30
    X,      X,      X,      X,      X,      X,      0x2707, 0x270D, //
    X,      0x270C, X,      X,      X,      0x261C, 0x261E, 0x261D, // 0x40
    0x261F, 0x270B, 0x263A, X,      0x2639, X,      0x2620, 0x2690, //
    X,      0x2708, 0x263C, X,      0x2744, X,      0x271E, X,      // 0x50
    0x2720, 0x2721, 0x262A, 0x262F, 0x0950, 0x2638, 0x2648, 0x2649, //
    0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651, // 0x60
    0x2652, 0x2653, 0x0026, 0x0026, 0x25CF, 0x274D, 0x25A0, 0x25A1, //
    0x25A1, 0x2751, 0x2752, 0x2B27, 0x29EB, 0x25C6, 0x2756, 0x2B25, // 0x70
    0x2327, 0x2353, 0x2318, 0x2740, 0x273F, 0x275D, 0x275E, X,      //
    0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466, // 0x80
    0x2467, 0x2468, 0x2469, 0x24FF, 0x2776, 0x2777, 0x2778, 0x2779, //
    0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, X,      X,      // 0x90
    X,      X,      X,      X,      X,      X,      0x00B7, 0x2022, //
    0x25AA, 0x25CB, 0x2B55, X,      0x25C9, 0x25CE, X,      0x25AA, // 0xA0
    0x25FB, X,      0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735, //
    X,      0x2316, 0x27E1, 0x2311, X,      0x272A, 0x2730, X,      // 0xB0
    X,      X,      X,      X,      X,      X,      X,      X,      //
    X,      X,      X,      X,      X,      X,      X,      X,      // 0xC0
    X,      X,      X,      X,      X,      X,      X,      X,      //
    X,      X,      X,      X,      X,      0x232B, 0x2326, X,      // 0xD0
    0x27A2, X,      X,      X,      0x27B2, X,      X,      X,      //
    X,      X,      X,      X,      X,      X,      X,      X,      // 0xE0
    0x2794, X,      X,      X,      X,      X,      X,      0x21E6, //
    0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B00, 0x2B01, 0x2B03, // 0xF0
    0x2B02, 0x25AD, 0x25AB, 0x2717, 0x2713, 0x2612, 0x2611, X,      //
};

// The code pages iconv converts for us, by Windows number. The EBCDIC pages that iconv also
// calls CPnnn are left out on purpose: no rich-text writer uses them.
const char* iconvNameOf(int codePage) {
    static const struct {
        int number;
        const char* name;
    } kNames[] = {
        {437, "CP437"},
        {737, "CP737"},
        {775, "CP775"},
        {850, "CP850"},
        {852, "CP852"},
        {855, "CP855"},
        {857, "CP857"},
        {860, "CP860"},
        {861, "CP861"},
        {862, "CP862"},
        {863, "CP863"},
        {864, "CP864"},
        {865, "CP865"},
        {866, "CP866"},
        {869, "CP869"},
        {874, "CP874"},
        {932, "CP932"},
        {936, "CP936"},
        {949, "CP949"},
        {950, "CP950"},
        {1250, "CP1250"},
        {1251, "CP1251"},
        {1253, "CP1253"},
        {1254, "CP1254"},
        {1255, "CP1255"},
        {1256, "CP1256"},
        {1257, "CP1257"},
        {1258, "CP1258"},
        {1361, "JOHAB"},
        {10007, "MAC-CYRILLIC"},
        {10029, "MAC-CENTRALEUROPE"},
        {20866, "KOI8-R"},
        {21866, "KOI8-U"},
        {28591, "ISO-8859-1"},
        {28592, "ISO-8859-2"},
        {28593, "ISO-8859-3"},
        {28594, "ISO-8859-4"},
        {28595, "ISO-8859-5"},
        {28596, "ISO-8859-6"},
        {28597, "ISO-8859-7"},
        {28598, "ISO-8859-8"},
        {28599, "ISO-8859-9"},
        {28605, "ISO-8859-15"},
    };
    for (const auto& entry : kNames) {
        if (entry.number == codePage) {
            return entry.name;
        }
    }
    return nullptr;
}

char32_t firstCodePoint(std::string_view utf8) {
    auto b = [&](size_t k) { return char32_t(static_cast<unsigned char>(utf8[k])); };
    if (utf8.empty()) {
        return kReplacement;
    }
    if (b(0) < 0x80) {
        return b(0);
    }
    if (b(0) < 0xE0 && utf8.size() >= 2) {
        return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    }
    if (b(0) < 0xF0 && utf8.size() >= 3) {
        return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    }
    return kReplacement;
}

} // namespace

int codePageOfCharacterSet(int characterSet) {
    static const struct {
        int characterSet;
        int codePage;
    } kCharacterSets[] = {
        {0, 1252},   {2, kCodePageSymbolFont},
        {77, 10000}, {128, 932},
        {129, 949},  {130, 1361},
        {134, 936},  {136, 950},
        {161, 1253}, {162, 1254},
        {163, 1258}, {177, 1255},
        {178, 1256}, {186, 1257},
        {204, 1251}, {222, 874},
        {238, 1250}, {254, 437},
        {255, 850},
    };
    for (const auto& entry : kCharacterSets) {
        if (entry.characterSet == characterSet) {
            return entry.codePage;
        }
    }
    return 0;
}

CodePageDecoder::~CodePageDecoder() {
    for (auto& [number, page] : m_pages) {
        if (page.converter) {
            iconv_close(static_cast<iconv_t>(page.converter));
        }
    }
}

CodePageDecoder::Page& CodePageDecoder::page(int codePage) {
    auto found = m_pages.find(codePage);
    if (found != m_pages.end()) {
        return found->second;
    }
    Page& p = m_pages[codePage];
    if (codePage == kCodePageSymbolFont || codePage == kCodePageWingdingsFont) {
        // decode() reads their own tables; they have no lead bytes.
        return p;
    }
    if (codePage == kCodePageMacRoman) {
        for (int b = 0x80; b < 0x100; ++b) {
            char raw = static_cast<char>(b);
            p.high[b - 0x80] = firstCodePoint(macRomanToUTF8(std::string_view(&raw, 1)));
        }
        return p;
    }
    const char* name = iconvNameOf(codePage);
    iconv_t converter = name ? iconv_open("UTF-32LE", name) : iconv_t(-1);
    if (converter == iconv_t(-1)) {
        // Windows-1252, also for pages we do not know: the closest guess for the Western files
        // that most games ship, and it keeps the 7-bit half that all the others share.
        for (int b = 0x80; b < 0x100; ++b) {
            p.high[b - 0x80] = b < 0xA0 ? char32_t(kWindows1252High[b - 0x80]) : char32_t(b);
        }
        return p;
    }
    p.converter = converter;
    for (int b = 0x80; b < 0x100; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        p.high[b - 0x80] = convert(p, &byte, 1);
        p.doubleByte |= p.high[b - 0x80] == kLead;
    }
    return p;
}

// One character from iconv: kLead when the bytes are the start of a longer one, 0 when they
// are not a character.
char32_t CodePageDecoder::convert(Page& p, const unsigned char* bytes, size_t count) {
    auto converter = static_cast<iconv_t>(p.converter);
    unsigned char in[2];
    std::memcpy(in, bytes, count);
    unsigned char out[16];
    char* inPtr = reinterpret_cast<char*>(in);
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = count;
    size_t outLeft = sizeof out;
    size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    int error = result == size_t(-1) ? errno : 0;
    // Some converters (1255, 1258) hold a letter back to see whether an accent follows;
    // flushing them hands it out and leaves them ready for the next character.
    iconv(converter, nullptr, nullptr, &outPtr, &outLeft);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (error == EINVAL) {
        return kLead;
    }
    size_t produced = sizeof out - outLeft;
    if (error != 0 || produced != 4) {
        return 0;
    }
    return char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 |
           char32_t(out[3]) << 24;
}

bool CodePageDecoder::isLeadByte(int codePage, unsigned char byte) {
    return byte >= 0x80 && page(codePage).high[byte - 0x80] == kLead;
}

bool CodePageDecoder::isDoubleByte(int codePage) {
    return page(codePage).doubleByte;
}

char32_t CodePageDecoder::decode(int codePage, unsigned char byte) {
    if (codePage == kCodePageSymbolFont || codePage == kCodePageWingdingsFont) {
        if (byte < 0x20) {
            return byte;
        }
        const char16_t* table = codePage == kCodePageSymbolFont ? kSymbolFont : kWingdingsFont;
        return table[byte - 0x20];
    }
    if (byte < 0x80) {
        return byte;
    }
    char32_t c = page(codePage).high[byte - 0x80];
    return c == 0 || c == kLead ? kReplacement : c;
}

char32_t CodePageDecoder::decode(int codePage, unsigned char lead, unsigned char trail) {
    Page& p = page(codePage);
    if (!p.converter) {
        return 0;
    }
    unsigned char pair[2] = {lead, trail};
    char32_t c = convert(p, pair, 2);
    return c == kLead ? 0 : c;
}

std::string CodePageDecoder::decodeToUTF8(int codePage, std::string_view bytes) {
    std::string out;
    for (size_t k = 0; k < bytes.size(); ++k) {
        auto byte = static_cast<unsigned char>(bytes[k]);
        if (isLeadByte(codePage, byte) && k + 1 < bytes.size()) {
            char32_t c = decode(codePage, byte, static_cast<unsigned char>(bytes[k + 1]));
            if (c != 0) {
                appendUTF8(out, c);
                ++k;
                continue;
            }
        }
        appendUTF8(out, decode(codePage, byte));
    }
    return out;
}

} // namespace MacPlatform
