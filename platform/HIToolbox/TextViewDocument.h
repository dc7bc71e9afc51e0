// The text of a text object: offsets in UTF-16 units as the text calls count them, the data
// types it accepts, and the files it reads.
#pragma once

#include "Text/StyledText.h"

#include <Carbon/MacTextEditor.h>

#include <string>

namespace MacPlatform {

// The largest data or file a view takes: read as text it grows at most threefold, and Pango
// indexes text with an int.
inline constexpr size_t kTextViewMaxBytes = 1u << 28;

// The byte index in UTF-8 text of a UTF-16 offset; offsets past the end give the end, and an
// offset inside a character's surrogate pair gives the start of that character.
size_t byteOffsetOfUTF16(const std::string& utf8, TXNOffset offset);
// The text's length in UTF-16 units.
size_t utf16Length(const std::string& utf8);

// The document with the bytes [from, to) replaced by the insertion, runs and all.
StyledText spliceStyledText(const StyledText& document, size_t from, size_t to,
                            const StyledText& insertion);

// Plain text in one style: 8-bit text (valid UTF-8 as UTF-8, else MacRoman) or UTF-16 in the
// machine's byte order, CR and CR LF line ends becoming paragraph ends. paramErr for odd-sized
// UTF-16 or null data with a size; kTXNDataTypeNotAllowedErr for other types.
OSStatus decodeTextData(TXNDataType type, const void* data, ByteCount size, StyledText& out);

// A file as a document: RTF through the rich-text reader (repairs are reported on standard
// error), anything else as plain text. fnfErr, permErr, memFullErr for a file above
// kTextViewMaxBytes, ioErr for other failures.
OSStatus readTextFile(const std::string& path, StyledText& out);

} // namespace MacPlatform
