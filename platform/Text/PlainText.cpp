#include "PlainText.h"

#include "CoreFoundation/TextEncoding.h"

namespace MacPlatform {

namespace {

std::string normalizeLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string toUTF8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        std::string_view rest = bytes.substr(3);
        if (isValidUTF8(rest)) {
            return std::string(rest);
        }
        return utf16ToUTF8(utf8ToUTF16(rest));
    }
    if (bytes.substr(0, 2) == "\xFE\xFF" || bytes.substr(0, 2) == "\xFF\xFE") {
        if (auto decoded = decodeToUTF8(bytes, kCFStringEncodingUTF16)) {
            return *decoded;
        }
    }
    if (isValidUTF8(bytes)) {
        return std::string(bytes);
    }
    return macRomanToUTF8(bytes);
}

} // namespace

std::string decodePlainText(std::string_view bytes) {
    return normalizeLineEnds(toUTF8(bytes));
}

} // namespace MacPlatform
