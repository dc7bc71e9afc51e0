#include "HIToolbox/TextViewDocument.h"
#include "CoreFoundation/PropertyList.h"
#include "CoreFoundation/TextEncoding.h"
#include "Text/PlainText.h"
#include "Text/RTFReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace MacPlatform {

namespace {

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Characters above U+FFFF take four UTF-8 bytes and two UTF-16 units.
size_t utf16UnitsOfLead(char byte) {
    return static_cast<unsigned char>(byte) >= 0xF0 ? 2 : 1;
}

StyledText plainDocument(std::string_view utf8) {
    StyledText document;
    document.append(utf8, TextStyle{});
    return document;
}

} // namespace

size_t byteOffsetOfUTF16(const std::string& utf8, TXNOffset offset) {
    size_t units = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (isContinuationByte(utf8[i])) {
            continue;
        }
        units += utf16UnitsOfLead(utf8[i]);
        if (units > offset) {
            return i;
        }
    }
    return utf8.size();
}

size_t utf16Length(const std::string& utf8) {
    size_t units = 0;
    for (char byte : utf8) {
        if (!isContinuationByte(byte)) {
            units += utf16UnitsOfLead(byte);
        }
    }
    return units;
}

StyledText spliceStyledText(const StyledText& document, size_t from, size_t to,
                            const StyledText& insertion) {
    StyledText out;
    auto copyRange = [&out](const StyledText& source, size_t begin, size_t end) {
        for (const StyleRun& run : source.runs) {
            size_t start = std::max(run.start, begin);
            size_t stop = std::min(run.end, end);
            if (start < stop) {
                // Each document numbers its own fonts.
                TextStyle style = run.style;
                if (style.font >= 0 && static_cast<size_t>(style.font) < source.fonts.size()) {
                    style.font = out.fontIndex(source.fonts[style.font]);
                }
                out.append(std::string_view(source.text).substr(start, stop - start), style);
            }
        }
    };
    copyRange(document, 0, from);
    copyRange(insertion, 0, insertion.text.size());
    copyRange(document, to, document.text.size());
    return out;
}

OSStatus decodeTextData(TXNDataType type, const void* data, ByteCount size, StyledText& out) {
    if (!data && size != 0) {
        return paramErr;
    }
    if (size > kTextViewMaxBytes) {
        return memFullErr;
    }
    const char* bytes = static_cast<const char*>(data);
    switch (type) {
    case kTXNTextData:
        // The plain-text reader's rule; a byte-order mark also names the encoding here.
        out = plainDocument(decodePlainText(std::string_view(bytes, size)));
        return noErr;
    case kTXNUnicodeTextData: {
        if (size % 2 != 0) {
            return paramErr;
        }
        std::u16string units(size / 2, u'\0');
        if (size) {
            std::memcpy(units.data(), bytes, size);
        }
        // Through the plain-text reader for its line ends, as UTF-8 that it keeps as it is.
        out = plainDocument(decodePlainText(utf16ToUTF8(units)));
        return noErr;
    }
    default:
        return kTXNDataTypeNotAllowedErr;
    }
}

OSStatus readTextFile(const std::string& path, StyledText& out) {
    std::string bytes;
    int error = readWholeFile(path, kTextViewMaxBytes, bytes);
    switch (error) {
    case 0:
        break;
    case ENOENT:
    case ENOTDIR:
        return fnfErr;
    case EACCES:
    case EPERM:
        return permErr;
    case EFBIG:
        return memFullErr;
    default:
        return ioErr;
    }
    if (!isRTF(bytes)) {
        out = plainDocument(decodePlainText(bytes));
        return noErr;
    }
    RTFReadResult result = readRTF(bytes);
    if (result.repairs) {
        std::fprintf(stderr, "MacPlatform: %s: %s\n", path.c_str(),
                     describeRTFRepairs(result.repairs).c_str());
    }
    out = std::move(result.document);
    return noErr;
}

} // namespace MacPlatform
