#include "TextEncoding.h"

#include <cstdint>

namespace MacPlatform {

namespace {

// Unicode values of MacRoman bytes 0x80 to 0xFF (the current mapping, with the euro at 0xDB).
const char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Reads one code point at i and advances; nothing on malformed input (overlong forms,
// surrogates, values beyond U+10FFFF and truncated sequences are all malformed).
std::optional<char32_t> nextCodePoint(std::string_view s, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra;
    char32_t c;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + extra >= s.size()) {
        return std::nullopt;
    }
    for (int k = 1; k <= extra; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return std::nullopt;
    }
    i += extra + 1;
    return c;
}

std::optional<unsigned char> macRomanByteFor(char32_t c) {
    if (c < 0x80) {
        return static_cast<unsigned char>(c);
    }
    for (int k = 0; k < 128; ++k) {
        if (kMacRomanHigh[k] == c) {
            return static_cast<unsigned char>(0x80 + k);
        }
    }
    return std::nullopt;
}

std::string codeUnitsToUTF8(std::u16string_view units, bool& ok) {
    std::string out;
    ok = true;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            ok = false;
            c = 0xFFFD;
        }
        appendUTF8(out, c);
    }
    return out;
}

} // namespace

void appendUTF8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isValidUTF8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        if (!nextCodePoint(bytes, i)) {
            return false;
        }
    }
    return true;
}

std::string macRomanToUTF8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        appendUTF8(out, b < 0x80 ? char32_t(b) : char32_t(kMacRomanHigh[b - 0x80]));
    }
    return out;
}

std::optional<std::string> decodeToUTF8(std::string_view bytes, CFStringEncoding encoding) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
        if (!isValidUTF8(bytes)) {
            return std::nullopt;
        }
        return std::string(bytes);
    case kCFStringEncodingASCII:
        for (unsigned char b : bytes) {
            if (b >= 0x80) {
                return std::nullopt;
            }
        }
        return std::string(bytes);
    case kCFStringEncodingMacRoman:
        return macRomanToUTF8(bytes);
    case kCFStringEncodingISOLatin1: {
        std::string out;
        for (unsigned char b : bytes) {
            appendUTF8(out, b);
        }
        return out;
    }
    case kCFStringEncodingUTF16:
    case kCFStringEncodingUTF16LE:
    case kCFStringEncodingUTF16BE: {
        if (bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        size_t start = 0;
        bool bigEndian = encoding == kCFStringEncodingUTF16BE;
        if (encoding == kCFStringEncodingUTF16 && bytes.size() >= 2) {
            // Plain UTF-16 may start with a byte-order mark; without one it is host order.
            auto b0 = static_cast<unsigned char>(bytes[0]);
            auto b1 = static_cast<unsigned char>(bytes[1]);
            if (b0 == 0xFE && b1 == 0xFF) {
                bigEndian = true;
                start = 2;
            } else if (b0 == 0xFF && b1 == 0xFE) {
                start = 2;
            }
        }
        std::u16string units;
        for (size_t i = start; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
            auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
            units += static_cast<char16_t>((hi << 8) | lo);
        }
        bool ok;
        std::string out = codeUnitsToUTF8(units, ok);
        if (!ok) {
            return std::nullopt;
        }
        return out;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> encodeFromUTF8(std::string_view utf8, CFStringEncoding encoding) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return std::string(utf8);
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:
    case kCFStringEncodingISOLatin1: {
        std::string out;
        size_t i = 0;
        while (i < utf8.size()) {
            auto c = nextCodePoint(utf8, i);
            if (!c) {
                return std::nullopt;
            }
            std::optional<unsigned char> b;
            if (encoding == kCFStringEncodingMacRoman) {
                b = macRomanByteFor(*c);
            } else if (*c < (encoding == kCFStringEncodingASCII ? 0x80u : 0x100u)) {
                b = static_cast<unsigned char>(*c);
            }
            if (!b) {
                return std::nullopt;
            }
            out += static_cast<char>(*b);
        }
        return out;
    }
    case kCFStringEncodingUTF16:
    case kCFStringEncodingUTF16LE:
    case kCFStringEncodingUTF16BE: {
        std::u16string units = utf8ToUTF16(utf8);
        std::string out;
        for (char16_t u : units) {
            char lo = static_cast<char>(u & 0xFF);
            char hi = static_cast<char>(u >> 8);
            if (encoding == kCFStringEncodingUTF16BE) {
                out += hi;
                out += lo;
            } else {
                out += lo;
                out += hi;
            }
        }
        return out;
    }
    default:
        return std::nullopt;
    }
}

std::u16string utf8ToUTF16(std::string_view utf8) {
    std::u16string out;
    size_t i = 0;
    while (i < utf8.size()) {
        auto c = nextCodePoint(utf8, i);
        if (!c) {
            // Stored strings are always valid; treat a stray byte as a replacement character.
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (*c >= 0x10000) {
            char32_t v = *c - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(*c);
        }
    }
    return out;
}

std::string utf16ToUTF8(std::u16string_view utf16) {
    bool ok;
    return codeUnitsToUTF8(utf16, ok);
}

} // namespace MacPlatform
