// Reads the rich-text files that games ship as their agreement text into a StyledText.
//
// The reader keeps what a text view shows: the text, paragraphs, line breaks, tabs, bold, italic
// and underline. Fonts, sizes, colours, pictures and page layout are dropped. Damaged input is
// read as far as it makes sense and the repairs are reported, never refused:
//   - a '}' that would close the outermost group while more than white space follows it is
//     ignored, and so are groups left open at the end of the input;
//   - groups nested deeper than kRTFMaxGroupDepth are flattened into the group at that depth,
//     so their formatting stays in force until that group closes;
//   - a \bin whose length runs past the end, or input that ends inside a control word or a
//     \'hh escape, ends the reading at the end of the input;
//   - unknown control words are ignored, as the format asks.
// The output is linear in the input (at most three bytes of text per input byte) and the
// memory the reader needs besides it is bounded by kRTFMaxGroupDepth.
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

// Code pages of \'hh escapes and of 8-bit bytes in the text: \ansi and \ansicpg1252 are
// Windows-1252 (also the default), \mac and \ansicpg10000 are MacRoman; other code pages are
// read as Windows-1252, the closest of the two for the Western files that games ship.
RTFReadResult readRTF(std::string_view bytes);

// "unmatched '}' ignored; groups left open" and the like, for a diagnostic line; empty when
// there were no repairs.
std::string describeRTFRepairs(unsigned repairs);

} // namespace MacPlatform
