// The CoreFoundation type IDs of the CoreGraphics objects and the casts from their references.
#pragma once

#include "CoreFoundation/CFRuntime.h"

#include <CoreGraphics/CoreGraphics.h>

namespace MacPlatform {

// Well clear of the IDs other parts of MacPlatform count up from kTypeIDFirstCustom.
enum CGTypeIDs : CFTypeID {
    kTypeIDCGColorSpace = kTypeIDFirstCustom + 60,
    kTypeIDCGDataProvider,
    kTypeIDCGImage,
    kTypeIDCGContext,
};

class CGColorSpaceObject : public CFObject {
public:
    explicit CGColorSpaceObject(CGColorSpaceModel model)
        : CFObject(kTypeIDCGColorSpace), m_model(model) {}
    CGColorSpaceModel model() const { return m_model; }
    size_t componentCount() const { return m_model == kCGColorSpaceModelRGB ? 3 : 1; }

private:
    CGColorSpaceModel m_model;
};

inline CGColorSpaceObject* toColorSpace(CGColorSpaceRef space) {
    return castRef<CGColorSpaceObject>(space, kTypeIDCGColorSpace);
}

} // namespace MacPlatform
