// Colour spaces. There is no colour management: device and generic spaces of one model draw
// alike, and a colour space only says how many components a pixel has and what they mean.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGColorSpace* CGColorSpaceRef;

typedef enum {
    kCGColorSpaceModelUnknown = -1,
    kCGColorSpaceModelMonochrome = 0,
    kCGColorSpaceModelRGB = 1
} CGColorSpaceModel;

extern const CFStringRef kCGColorSpaceGenericGray;
extern const CFStringRef kCGColorSpaceGenericRGB;
extern const CFStringRef kCGColorSpaceSRGB;

CFTypeID CGColorSpaceGetTypeID(void);
CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
CGColorSpaceRef CGColorSpaceCreateDeviceGray(void);
// Null for a name other than the constants above.
CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name);
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
void CGColorSpaceRelease(CGColorSpaceRef space);
size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space);
CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef space);

#ifdef __cplusplus
}
#endif
