#include "CFStringObject.h"
#include "TextEncoding.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <sys/types.h>

using namespace MacPlatform;

namespace {

// Widths and precisions beyond this are refused: a format string must not be able to ask for
// gigabytes of padding.
constexpr long kMaxFieldSize = 65536;

// One conversion as printf would see it, with '*' already replaced by its value.
struct Conversion {
    std::string flags;
    long width = -1;
    long precision = -1;
    std::string length;
    char type = 0;

    // The printf pattern of the conversion, with the length modifier given (or none).
    std::string printfPattern(const std::string& modifier, char conversion) const {
        std::string s = "%" + flags;
        if (width >= 0) {
            s += std::to_string(width);
        }
        if (precision >= 0) {
            s += "." + std::to_string(precision);
        }
        return s + modifier + conversion;
    }
};

template <typename T> std::string printPiece(const std::string& pattern, T value) {
    int size = std::snprintf(nullptr, 0, pattern.c_str(), value);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), pattern.c_str(), value);
    out.pop_back();
    return out;
}

// C text from the caller: UTF-8 when it is valid UTF-8, MacRoman otherwise.
std::string textFromC(const std::string& bytes) {
    return isValidUTF8(bytes) ? bytes : macRomanToUTF8(bytes);
}

// Width and precision applied to text that is already UTF-8.
std::string padText(const Conversion& c, const std::string& utf8) {
    return printPiece(c.printfPattern("", 's'), utf8.c_str());
}

std::string utf32ToUTF8(const wchar_t* text, long limit) {
    std::u16string units;
    for (long i = 0; text[i] != 0 && (limit < 0 || i < limit); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<char16_t>(c <= 0xFFFF ? c : 0xFFFD);
        }
    }
    return utf16ToUTF8(units);
}

std::optional<std::string> formatInteger(const Conversion& c, va_list* args) {
    bool isSigned = c.type == 'd' || c.type == 'i';
    const std::string& l = c.length;
    if (l == "hh" || l == "h" || l.empty()) {
        // Promoted to int; hh and h are applied by printf itself.
        return isSigned ? printPiece(c.printfPattern(l, c.type), va_arg(*args, int))
                        : printPiece(c.printfPattern(l, c.type), va_arg(*args, unsigned int));
    }
    if (l == "l") {
        return isSigned ? printPiece(c.printfPattern("l", c.type), va_arg(*args, long))
                        : printPiece(c.printfPattern("l", c.type), va_arg(*args, unsigned long));
    }
    if (l == "ll" || l == "q") {
        return isSigned
                   ? printPiece(c.printfPattern("ll", c.type), va_arg(*args, long long))
                   : printPiece(c.printfPattern("ll", c.type), va_arg(*args, unsigned long long));
    }
    if (l == "j") {
        return isSigned ? printPiece(c.printfPattern("j", c.type), va_arg(*args, intmax_t))
                        : printPiece(c.printfPattern("j", c.type), va_arg(*args, uintmax_t));
    }
    if (l == "z") {
        return isSigned ? printPiece(c.printfPattern("z", c.type), va_arg(*args, ssize_t))
                        : printPiece(c.printfPattern("z", c.type), va_arg(*args, size_t));
    }
    if (l == "t") {
        return printPiece(c.printfPattern("t", c.type), va_arg(*args, ptrdiff_t));
    }
    return std::nullopt;
}

std::optional<std::string> formatOne(const Conversion& c, va_list* args) {
    switch (c.type) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        return formatInteger(c, args);
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (c.length == "L") {
            return printPiece(c.printfPattern("L", c.type), va_arg(*args, long double));
        }
        return c.length.empty() || c.length == "l"
                   ? std::optional(printPiece(c.printfPattern("", c.type), va_arg(*args, double)))
                   : std::nullopt;
    case 'c':
        if (c.length == "l") {
            wchar_t text[2] = {static_cast<wchar_t>(va_arg(*args, wint_t)), 0};
            return padText(c, utf32ToUTF8(text, -1));
        }
        return textFromC(printPiece(c.printfPattern("", 'c'), va_arg(*args, int)));
    case 'C': {
        char16_t unit = static_cast<char16_t>(va_arg(*args, int));
        return padText(c, utf16ToUTF8(std::u16string_view(&unit, 1)));
    }
    case 's':
        if (c.length == "l") {
            const wchar_t* text = va_arg(*args, const wchar_t*);
            return padText(c, text ? utf32ToUTF8(text, -1) : "(null)");
        }
        {
            const char* text = va_arg(*args, const char*);
            return textFromC(printPiece(c.printfPattern("", 's'), text ? text : "(null)"));
        }
    case 'S': {
        const auto* text = va_arg(*args, const UniChar*);
        if (!text) {
            return padText(c, "(null)");
        }
        std::u16string units;
        for (size_t i = 0; text[i] != 0; ++i) {
            units += static_cast<char16_t>(text[i]);
        }
        return padText(c, utf16ToUTF8(units));
    }
    case '@':
        return padText(c, describe(va_arg(*args, CFTypeRef)));
    case 'p':
        return printPiece(c.printfPattern("", 'p'), va_arg(*args, void*));
    default:
        return std::nullopt;
    }
}

// Reads a decimal number at text[i]; false when it has more digits than a field may use.
bool readNumber(const std::string& text, size_t& i, long& value) {
    value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        if (value > kMaxFieldSize) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> format(const std::string& text, va_list* args) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t percent = text.find('%', i);
        if (percent == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        out.append(text, i, percent - i);
        i = percent + 1;
        Conversion c;
        while (i < text.size() && std::string_view("-+ #0'").find(text[i]) != std::string::npos) {
            c.flags += text[i++];
        }
        if (i < text.size() && text[i] == '*') {
            ++i;
            int width = va_arg(*args, int);
            if (width < 0) {
                c.flags += '-';
                width = width == INT32_MIN ? INT32_MAX : -width;
            }
            c.width = width;
        } else if (i < text.size() && text[i] >= '1' && text[i] <= '9') {
            if (!readNumber(text, i, c.width) || (i < text.size() && text[i] == '$')) {
                return std::nullopt; // too wide, or a positional argument
            }
        }
        if (i < text.size() && text[i] == '.') {
            ++i;
            if (i < text.size() && text[i] == '*') {
                ++i;
                int precision = va_arg(*args, int);
                c.precision = precision < 0 ? -1 : precision;
            } else if (!readNumber(text, i, c.precision)) {
                return std::nullopt;
            }
        }
        if (c.width > kMaxFieldSize || c.precision > kMaxFieldSize) {
            return std::nullopt;
        }
        for (const char* modifier : {"hh", "h", "ll", "l", "q", "L", "j", "z", "t"}) {
            if (text.compare(i, std::char_traits<char>::length(modifier), modifier) == 0) {
                c.length = modifier;
                i += c.length.size();
                break;
            }
        }
        if (i >= text.size()) {
            return std::nullopt;
        }
        c.type = text[i++];
        if (c.type == '%') {
            out += '%';
            continue;
        }
        auto piece = formatOne(c, args);
        if (!piece) {
            return std::nullopt;
        }
        out += *piece;
    }
    return out;
}

} // namespace

extern "C" {

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
    if (CFGetTypeID(format) != kTypeIDString) {
        return nullptr;
    }
    va_list args;
    va_copy(args, arguments);
    auto text = ::format(stringText(format), &args);
    va_end(args);
    return text ? createString(std::move(*text)) : nullptr;
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list args;
    va_start(args, format);
    CFStringRef string = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
    va_end(args);
    return string;
}

} // extern "C"
