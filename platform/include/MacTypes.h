// The basic Mac types and result codes, with the widths a 64-bit Mac build uses.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt32 OptionBits;
typedef UInt32 ItemCount;
typedef char* Ptr;
typedef Ptr* Handle;
typedef long Size;
typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef UInt16 UniChar;
typedef double Float64;
typedef float Float32;

// Little-endian layout, as on an Intel Mac.
typedef struct UnsignedWide {
    UInt32 lo;
    UInt32 hi;
} UnsignedWide;

typedef struct Point {
    short v;
    short h;
} Point;

typedef struct Rect {
    short top;
    short left;
    short bottom;
    short right;
} Rect;

#ifndef __cplusplus
#ifndef true
#define true 1
#define false 0
#endif
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

enum {
    noErr = 0,
    paramErr = -50,
    fnfErr = -43,
    ioErr = -36,
    dirNFErr = -120,
    memFullErr = -108,
    nilHandleErr = -109,
    permErr = -54,
    unimpErr = -4,
    procNotFound = -600,
    gestaltUndefSelectorErr = -5551,
    coreFoundationUnknownErr = -4960
};

#ifdef __cplusplus
}
#endif
