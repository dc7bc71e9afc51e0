// Text objects: the text model behind a text view (HITextViews.h). The text is laid out with
// whole-text size, colour and font at 72 dpi (one point is one pixel) and wrapped at the view's
// edge; styled files (RTF) keep bold, italic and underline runs.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueTXNObject* TXNObject;
typedef UInt32 TXNFrameOptions;
typedef OSType TXNDataType;
typedef UInt32 TXNOffset;
typedef UInt32 TXNRectKey;
typedef FourCharCode TXNTypeRunAttributes;
typedef ByteCount TXNTypeRunAttributeSizes;
typedef SInt32 Fixed;

// A QuickDraw colour: 16 bits per component.
typedef struct RGBColor {
    unsigned short red;
    unsigned short green;
    unsigned short blue;
} RGBColor;

// Offsets count UTF-16 code units; kTXNEndOffset and anything past the text mean its end.
enum { kTXNStartOffset = 0, kTXNEndOffset = 0x7FFFFFFF };

// Data types: 8-bit text (UTF-8 when it is valid UTF-8, otherwise MacRoman) and UTF-16 in the
// machine's byte order.
enum {
    kTXNTextData = 0x54455854,       // 'TEXT'
    kTXNUnicodeTextData = 0x75747874 // 'utxt'
};

// Frame options. The view always wraps at its edge and substitutes fonts for characters its
// font lacks (fontconfig does), so these bits change nothing.
enum {
    kOutputTextInUnicodeEncodingMask = 1u << 9,
    kTXNAlwaysWrapAtViewEdgeMask = 1u << 11,
    kTXNDoFontSubstitutionMask = 1u << 22
};

// Run attributes. Size is a 16.16 Fixed held in dataValue; colour points to an RGBColor; the
// font name points to a Pascal string naming a font family. Each applies to the whole text;
// bold, italic and underline come with styled (RTF) files only.
enum {
    kTXNQDFontNameAttribute = 0x666E746E, // 'fntn'
    kTXNQDFontSizeAttribute = 0x73697A65, // 'size'
    kTXNQDFontColorAttribute = 0x6B6C6F72 // 'klor'
};
enum {
    kTXNQDFontNameAttributeSize = 256,
    kTXNQDFontSizeAttributeSize = 4,
    kTXNQDFontColorAttributeSize = 6
};

typedef union TXNAttributeData {
    void* dataPtr;
    UInt32 dataValue;
} TXNAttributeData;

typedef struct TXNTypeAttributes {
    TXNTypeRunAttributes tag;
    TXNTypeRunAttributeSizes size;
    TXNAttributeData data;
} TXNTypeAttributes;

// Rectangles of TXNGetHIRect, in the view's coordinates: the view's bounds, the area text is
// laid out in (the view's width, the text's height), and the laid-out text itself (as wide as
// its widest line, as high as all its lines, moved up by the scroll offset).
enum { kTXNViewRectKey = 0, kTXNDestinationRectKey = 1, kTXNTextRectKey = 2 };

enum { kTXNAttributeTagInvalidForRunErr = -22009, kTXNDataTypeNotAllowedErr = -22015 };

// Replaces the text between the offsets with the data. paramErr for null data with a nonzero
// size, odd-sized UTF-16, a start after the end or an object that is not a live text object;
// kTXNDataTypeNotAllowedErr for other types.
OSStatus TXNSetData(TXNObject iTXNObject, TXNDataType iDataType, const void* iDataPtr,
                    ByteCount iDataSize, TXNOffset iStartOffset, TXNOffset iEndOffset);
// Applies the attributes to the whole text; the range must reach from the start to the end
// (paramErr otherwise), since runs of their own are not kept for these attributes. An unknown
// tag or a size that does not fit its tag gives kTXNAttributeTagInvalidForRunErr and changes
// nothing.
OSStatus TXNSetTypeAttributes(TXNObject iTXNObject, ItemCount iAttrCount,
                              const TXNTypeAttributes iAttributes[], TXNOffset iStartOffset,
                              TXNOffset iEndOffset);
// paramErr for an unknown key or a null result.
OSStatus TXNGetHIRect(TXNObject iTXNObject, TXNRectKey iTXNRectKey, HIRect* oRectangle);
// Reads a file into the text between the offsets: RTF (files starting with "{\rtf") through the
// rich-text reader, anything else as plain text (UTF-8 or UTF-16 with a byte-order mark, valid
// UTF-8, else MacRoman). Damaged RTF is read as far as it makes sense. fnfErr for a missing
// file, permErr when it cannot be read, ioErr for other read errors, paramErr for a URL that is
// not a file URL. The data options and the document attributes are not used (the latter is set
// to null when given).
OSStatus TXNReadFromCFURL(TXNObject iTXNObject, TXNOffset iStartOffset, TXNOffset iEndOffset,
                          CFDictionaryRef iDataOptions, CFURLRef iFileURL,
                          CFDictionaryRef* oDocumentAttributes);

#ifdef __cplusplus
}
#endif
