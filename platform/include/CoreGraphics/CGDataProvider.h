// Byte sources for images. A provider made over caller bytes hands them back through its release
// callback exactly once, when the last provider reference (held by the caller or by an image)
// goes.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGDataProvider* CGDataProviderRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

CFTypeID CGDataProviderGetTypeID(void);
// The bytes are used in place, never copied; null when data is null or size is 0 (and the
// callback is then not called).
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData);
// Retains the data.
CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data);
// Reads the whole file at once; null when it cannot be read or is empty.
CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url);
CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename);
// A new data object holding a copy of the provider's bytes.
CFDataRef CGDataProviderCopyData(CGDataProviderRef provider);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
void CGDataProviderRelease(CGDataProviderRef provider);

#ifdef __cplusplus
}
#endif
