// Reads the rich-text files that games ship as their agreement text into a StyledText.
//
// The reader keeps what a text view shows: the text, paragraphs, line breaks, tabs, bold,
// italic, underline, capitals and the fonts the text names. Sizes, colours, pictures and page
// layout are dropped. Table cells end with a tab and rows, columns, sections and pages with a
// paragraph end, so that no two words run together. Bytes of text decode in the code page of
// their font's character set (\fcharsetN, \cpgN), else in the document's (\ansicpgN, \mac,
// \pc, \pca, else Windows-1252); double-byte pages take a lead and a trail byte, as escapes or
// as they are. Text in the Symbol and Wingdings fonts becomes the Unicode characters they show.
// Damaged input is read as far as it makes sense and the repairs are reported, never refused:
//   - a '}' that would close the outermost group while more than white space follows it is
//     ignored, and so are groups left open at the end of the input;
//   - groups nested deeper than kRTFMaxGroupDepth are flattened into the group at that depth,
//     so their formatting stays in force until that group closes;
//   - a \bin whose length runs past the end, or input that ends inside a control word or a
//     \'hh escape, ends the reading at the end of the input;
//   - unknown control words are ignored, as the format asks.
// The output is linear in the input (at most three bytes of text per input byte), and so is
// the font table; the rest of the memory the reader needs is bounded by kRTFMaxGroupDepth.
#pragma once

#include "StyledText.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace MacPlatform {

inline constexpr size_t kRTFMaxGroupDepth = 1000;

enum class RTFStatus {
    ok,
    // The bytes do not start with "{\rtf" (after an optional UTF-8 byte-order mark and white
    // space); the caller reads them as plain text instead.
    notRTF,
};

// Bits of RTFReadResult::repairs.
enum RTFRepair : unsigned {
    kRTFRepairUnmatchedClose = 1u << 0,
    kRTFRepairUnclosedGroup = 1u << 1,
    kRTFRepairTooDeep = 1u << 2,
    kRTFRepairTruncated = 1u << 3,
    kRTFRepairBadEscape = 1u << 4,
};

struct RTFReadResult {
    RTFStatus status = RTFStatus::notRTF;
    StyledText document;
    unsigned repairs = 0;
};

// True when the bytes carry the rich-text header.
bool isRTF(std::string_view bytes);

// A code page the reader does not have reads as Windows-1252, the closest guess for the
// Western files that games ship; a byte that is no character of its page becomes U+FFFD.
RTFReadResult readRTF(std::string_view bytes);

// "unmatched '}' ignored; groups left open" and the like, for a diagnostic line; empty when
// there were no repairs.
std::string describeRTFRepairs(unsigned repairs);

} // namespace MacPlatform
