#include "CorvaneCore/TextHelpers.h"

#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// What glibc prints for a null text pointer.
constexpr unsigned int NULL_TEXT_LENGTH = 6;

// The length modifiers matter only so that every argument is read with the type it was passed
// with; they do not change the estimate.
enum class LengthModifier { None, Long, LongLong, Size, IntMax, PtrDiff, LongDouble };

void skipInteger(va_list& arguments, LengthModifier modifier) {
    switch (modifier) {
    case LengthModifier::Long:
        (void)va_arg(arguments, long);
        break;
    case LengthModifier::LongLong:
        (void)va_arg(arguments, long long);
        break;
    case LengthModifier::Size:
        (void)va_arg(arguments, std::size_t);
        break;
    case LengthModifier::IntMax:
        (void)va_arg(arguments, std::intmax_t);
        break;
    case LengthModifier::PtrDiff:
        (void)va_arg(arguments, std::ptrdiff_t);
        break;
    default:
        (void)va_arg(arguments, int);
        break;
    }
}

unsigned int saturatingAdd(unsigned int a, unsigned long long b) {
    unsigned long long sum = a + b;
    return sum > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(sum);
}

// Wide texts print through the locale's multibyte encoding: each wide character takes at
// most MB_CUR_MAX bytes.
unsigned long long wideTextBound(wchar_t const* text, bool hasPrecision, int precision) {
    if (!text) {
        return NULL_TEXT_LENGTH;
    }
    std::size_t units =
        hasPrecision ? wcsnlen(text, static_cast<std::size_t>(precision)) : wcslen(text);
    unsigned long long bytes = static_cast<unsigned long long>(units) * MB_CUR_MAX;
    if (hasPrecision && bytes > static_cast<unsigned long long>(precision)) {
        bytes = static_cast<unsigned long long>(precision);
    }
    return bytes;
}

} // namespace

unsigned int GetSprintfResultLen(char const* format, va_list callerArguments) {
    if (!format) {
        return 0;
    }
    va_list arguments;
    va_copy(arguments, callerArguments);

    unsigned int total = 0;
    char const* p = format;
    while (*p) {
        if (*p != '%') {
            total = saturatingAdd(total, 1);
            ++p;
            continue;
        }
        ++p;
        unsigned long long count = 0;
        bool hasWidth = false;
        bool hasPrecision = false;
        bool readingPrecision = false;
        int width = 0;
        int precision = 0;
        LengthModifier modifier = LengthModifier::None;
        bool ended = false;
        while (*p && !ended) {
            char c = *p++;
            switch (c) {
            case ' ':
            case '+':
            case '-':
            case '0':
                break;
            case '#':
                count += 2;
                break;
            case '.':
                readingPrecision = true;
                hasPrecision = true;
                precision = 0;
                break;
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
            case '8':
            case '9': {
                // Saturate rather than overflow: printf refuses widths past INT_MAX anyway.
                long long value = c - '0';
                while (*p >= '0' && *p <= '9') {
                    value = value * 10 + (*p++ - '0');
                    if (value > INT_MAX) {
                        value = INT_MAX;
                    }
                }
                if (readingPrecision) {
                    precision = static_cast<int>(value);
                } else {
                    width = static_cast<int>(value);
                    hasWidth = true;
                }
                break;
            }
            case '*': {
                int value = va_arg(arguments, int);
                if (readingPrecision) {
                    // A negative precision counts as none, as printf takes it.
                    hasPrecision = value >= 0;
                    precision = value < 0 ? 0 : value;
                } else {
                    // A negative width means left-justified in that many columns.
                    width = value == INT_MIN ? INT_MAX : (value < 0 ? -value : value);
                    hasWidth = true;
                }
                break;
            }
            case 'l':
                modifier = modifier == LengthModifier::Long ? LengthModifier::LongLong
                                                            : LengthModifier::Long;
                break;
            case 'q':
                modifier = LengthModifier::LongLong;
                break;
            case 'z':
                modifier = LengthModifier::Size;
                break;
            case 'j':
                modifier = LengthModifier::IntMax;
                break;
            case 't':
                modifier = LengthModifier::PtrDiff;
                break;
            case 'L':
                modifier = LengthModifier::LongDouble;
                break;
            case '%':
                count += 1;
                ended = true;
                break;
            case 'c':
                if (modifier == LengthModifier::Long) {
                    (void)va_arg(arguments, wint_t);
                    count += MB_CUR_MAX;
                } else {
                    (void)va_arg(arguments, int);
                    count += 1;
                }
                ended = true;
                break;
            case 'C':
                (void)va_arg(arguments, wint_t);
                count += MB_CUR_MAX;
                ended = true;
                break;
            case 'd':
            case 'i':
            case 'u':
                skipInteger(arguments, modifier);
                count += 32;
                ended = true;
                break;
            case 'p':
                // "0x" and two digits per byte of a pointer.
                (void)va_arg(arguments, void*);
                count += 2 + 2 * sizeof(void*);
                ended = true;
                break;
            case 'e':
            case 'E':
            case 'f':
            case 'g':
            case 'G':
                if (modifier == LengthModifier::LongDouble) {
                    (void)va_arg(arguments, long double);
                } else {
                    (void)va_arg(arguments, double);
                }
                count += 64;
                ended = true;
                break;
            case 's':
                if (modifier == LengthModifier::Long) {
                    count +=
                        wideTextBound(va_arg(arguments, wchar_t const*), hasPrecision, precision);
                } else {
                    char const* text = va_arg(arguments, char const*);
                    if (!text) {
                        count += NULL_TEXT_LENGTH;
                    } else {
                        count += hasPrecision ? strnlen(text, static_cast<std::size_t>(precision))
                                              : std::strlen(text);
                    }
                    if (hasPrecision && count > static_cast<unsigned long long>(precision)) {
                        count = static_cast<unsigned long long>(precision);
                    }
                }
                ended = true;
                break;
            case 'S':
                count += wideTextBound(va_arg(arguments, wchar_t const*), hasPrecision, precision);
                ended = true;
                break;
            default:
                // Not a conversion this estimate knows: skip the letter and keep reading.
                break;
            }
        }
        if (ended && hasWidth && count < static_cast<unsigned long long>(width)) {
            count = static_cast<unsigned long long>(width);
        }
        total = saturatingAdd(total, count);
    }
    va_end(arguments);
    return total;
}

char* AllocateDString(char const* text, char const* /*file*/, int /*line*/) {
    if (!text) {
        return nullptr;
    }
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

int Cstrnicmp(char const* a, char const* b, std::size_t n) {
    // A null text compares as the empty text.
    if (!a) {
        a = "";
    }
    if (!b) {
        b = "";
    }
    for (std::size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca - cb;
        }
        if (ca == 0) {
            return 0;
        }
    }
    return 0;
}

namespace {

int hexDigitValue(unsigned char c) {
    if (c >= 'a') {
        return c - 87;
    }
    if (c >= 'A') {
        return c - 55;
    }
    return c - 48;
}

} // namespace

std::size_t HexStringToBin(unsigned char* output, char const* hexText, std::size_t maxBytes) {
    if (!output || !hexText) {
        return 0;
    }
    std::size_t bytes = std::strlen(hexText) / 2;
    if (bytes > maxBytes) {
        bytes = maxBytes;
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        unsigned int high =
            static_cast<unsigned int>(hexDigitValue(static_cast<unsigned char>(hexText[2 * i])));
        unsigned int low = static_cast<unsigned int>(
            hexDigitValue(static_cast<unsigned char>(hexText[2 * i + 1])));
        output[i] = static_cast<unsigned char>(((high << 4) | low) & 0xFF);
    }
    return bytes;
}

unsigned short* CWide::Strcpy(unsigned short* destination, unsigned short const* source) {
    unsigned short* d = destination;
    while ((*d++ = *source++) != 0) {
    }
    return destination;
}

unsigned int CWide::Strlen(unsigned short const* text) {
    unsigned int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

unsigned short* CWide::Strncpy(unsigned short* destination, unsigned short const* source,
                               unsigned int n) {
    unsigned int i = 0;
    for (; i < n && source[i] != 0; ++i) {
        destination[i] = source[i];
    }
    for (; i < n; ++i) {
        destination[i] = 0;
    }
    return destination;
}
