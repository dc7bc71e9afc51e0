// Pascal strings: a length byte, then at most 255 bytes of text.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Copies a C string into a Pascal string. Text longer than 255 bytes is cut to its first 255;
// src may be the same buffer as dst (the text moves up by one byte); a null src gives the empty
// string.
void CopyCStringToPascal(const char* src, Str255 dst);

#ifdef __cplusplus
}
#endif
