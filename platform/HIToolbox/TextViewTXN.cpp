// The text-object calls: they change a text view's document and attributes and read its
// geometry.
#include "HIToolbox/TextView.h"
#include "HIToolbox/TextViewDocument.h"

#include <CoreFoundation/CFURL.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>

using namespace MacPlatform;

namespace {

// The whole-text attributes a call asks for, checked before any is applied.
struct TypeAttributeChange {
    std::optional<double> size;
    std::optional<TextColour> colour;
    std::optional<std::string> family;
};

OSStatus parseAttribute(const TXNTypeAttributes& attribute, TypeAttributeChange& change) {
    switch (attribute.tag) {
    case kTXNQDFontSizeAttribute: {
        auto fixed = static_cast<Fixed>(attribute.data.dataValue);
        if (attribute.size != kTXNQDFontSizeAttributeSize || fixed <= 0) {
            return kTXNAttributeTagInvalidForRunErr;
        }
        change.size = fixed / 65536.0;
        return noErr;
    }
    case kTXNQDFontColorAttribute: {
        if (attribute.size != kTXNQDFontColorAttributeSize || !attribute.data.dataPtr) {
            return kTXNAttributeTagInvalidForRunErr;
        }
        RGBColor rgb;
        std::memcpy(&rgb, attribute.data.dataPtr, sizeof rgb);
        change.colour = TextColour{rgb.red / 65535.0, rgb.green / 65535.0, rgb.blue / 65535.0};
        return noErr;
    }
    case kTXNQDFontNameAttribute: {
        const auto* name = static_cast<const unsigned char*>(attribute.data.dataPtr);
        if (!name || attribute.size < 1 || name[0] == 0 || name[0] >= attribute.size) {
            return kTXNAttributeTagInvalidForRunErr;
        }
        // Font names on the Mac are MacRoman; the families fontconfig knows are ASCII.
        change.family = std::string(reinterpret_cast<const char*>(name + 1), name[0]);
        return noErr;
    }
    default:
        return kTXNAttributeTagInvalidForRunErr;
    }
}

// Puts the document in the place of the text between the offsets.
OSStatus replaceText(TextView& view, TXNOffset start, TXNOffset end, const StyledText& insertion) {
    if (start > end) {
        return paramErr;
    }
    const StyledText& document = view.layout().document();
    size_t from = byteOffsetOfUTF16(document.text, start);
    size_t to = byteOffsetOfUTF16(document.text, end);
    if (document.text.size() - (to - from) + insertion.text.size() > INT_MAX) {
        return memFullErr;
    }
    if (view.layout().setDocument(spliceStyledText(document, from, to, insertion))) {
        view.contentChanged();
    }
    return noErr;
}

} // namespace

extern "C" {

OSStatus TXNSetData(TXNObject iTXNObject, TXNDataType iDataType, const void* iDataPtr,
                    ByteCount iDataSize, TXNOffset iStartOffset, TXNOffset iEndOffset) {
    TextView* view = TextView::fromTXN(iTXNObject);
    if (!view) {
        return paramErr;
    }
    StyledText insertion;
    OSStatus status = decodeTextData(iDataType, iDataPtr, iDataSize, insertion);
    if (status != noErr) {
        return status;
    }
    return replaceText(*view, iStartOffset, iEndOffset, insertion);
}

OSStatus TXNSetTypeAttributes(TXNObject iTXNObject, ItemCount iAttrCount,
                              const TXNTypeAttributes iAttributes[], TXNOffset iStartOffset,
                              TXNOffset iEndOffset) {
    TextView* view = TextView::fromTXN(iTXNObject);
    if (!view || (iAttrCount && !iAttributes)) {
        return paramErr;
    }
    if (iStartOffset != kTXNStartOffset ||
        iEndOffset < utf16Length(view->layout().document().text)) {
        return paramErr;
    }
    TypeAttributeChange change;
    for (ItemCount i = 0; i < iAttrCount; ++i) {
        OSStatus status = parseAttribute(iAttributes[i], change);
        if (status != noErr) {
            return status;
        }
    }
    TextViewLayout& layout = view->layout();
    bool changed = false;
    if (change.size) {
        changed |= layout.setFontSize(*change.size);
    }
    if (change.colour) {
        changed |= layout.setColour(*change.colour);
    }
    if (change.family) {
        changed |= layout.setFontFamily(*change.family);
    }
    if (changed) {
        view->contentChanged();
    }
    return noErr;
}

OSStatus TXNGetHIRect(TXNObject iTXNObject, TXNRectKey iTXNRectKey, HIRect* oRectangle) {
    TextView* view = TextView::fromTXN(iTXNObject);
    if (!view || !oRectangle) {
        return paramErr;
    }
    switch (iTXNRectKey) {
    case kTXNViewRectKey:
        *oRectangle = view->viewRect();
        return noErr;
    case kTXNDestinationRectKey: {
        HIRect text = view->textRect();
        *oRectangle =
            CGRectMake(0, -view->scrollOffset(), view->viewRect().size.width, text.size.height);
        return noErr;
    }
    case kTXNTextRectKey:
        *oRectangle = view->textRect();
        return noErr;
    default:
        return paramErr;
    }
}

OSStatus TXNReadFromCFURL(TXNObject iTXNObject, TXNOffset iStartOffset, TXNOffset iEndOffset,
                          CFDictionaryRef, CFURLRef iFileURL,
                          CFDictionaryRef* oDocumentAttributes) {
    if (oDocumentAttributes) {
        *oDocumentAttributes = nullptr;
    }
    TextView* view = TextView::fromTXN(iTXNObject);
    if (!view || !iFileURL) {
        return paramErr;
    }
    UInt8 path[PATH_MAX];
    if (!CFURLGetFileSystemRepresentation(iFileURL, true, path, sizeof path)) {
        return paramErr;
    }
    StyledText document;
    OSStatus status = readTextFile(reinterpret_cast<const char*>(path), document);
    if (status != noErr) {
        return status;
    }
    return replaceText(*view, iStartOffset, iEndOffset, document);
}

} // extern "C"
