// Colours as CoreFoundation objects: the components of their space followed by the alpha.
#include "CGObjects.h"

#include <vector>

using namespace MacPlatform;

namespace {

// Apart from the CoreGraphics IDs that count up from kTypeIDCGColorSpace.
constexpr CFTypeID kTypeIDCGColor = kTypeIDFirstCustom + 70;

class CGColorObject : public CFObject {
public:
    CGColorObject(const CGFloat* components, size_t count)
        : CFObject(kTypeIDCGColor), m_components(components, components + count) {}
    const std::vector<CGFloat>& components() const { return m_components; }

private:
    std::vector<CGFloat> m_components;
};

CGColorObject* toColor(CGColorRef color) {
    return castRef<CGColorObject>(color, kTypeIDCGColor);
}

} // namespace

extern "C" {

CFTypeID CGColorGetTypeID(void) {
    return kTypeIDCGColor;
}

CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat components[]) {
    CGColorSpaceObject* colorSpace = toColorSpace(space);
    if (!colorSpace || !components) {
        return nullptr;
    }
    return toRef<CGColorRef>(new CGColorObject(components, colorSpace->componentCount() + 1));
}

CGColorRef CGColorRetain(CGColorRef color) {
    if (color) {
        CFRetain(color);
    }
    return color;
}

void CGColorRelease(CGColorRef color) {
    if (color) {
        CFRelease(color);
    }
}

size_t CGColorGetNumberOfComponents(CGColorRef color) {
    CGColorObject* object = toColor(color);
    return object ? object->components().size() : 0;
}

const CGFloat* CGColorGetComponents(CGColorRef color) {
    CGColorObject* object = toColor(color);
    return object ? object->components().data() : nullptr;
}

CGFloat CGColorGetAlpha(CGColorRef color) {
    CGColorObject* object = toColor(color);
    return object ? object->components().back() : 0;
}

} // extern "C"
