#include "JpegCheck.h"

#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGImage.h>

namespace gwbundle {

JpegInfo inspectJpeg(const std::string& bytes) {
    JpegInfo info;
    if (bytes.empty()) {
        return info;
    }
    // The provider only borrows the bytes; they outlive it here.
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr);
    if (!provider) {
        return info;
    }
    CGImageRef image =
        CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    if (image) {
        info.decodable = true;
        info.width = CGImageGetWidth(image);
        info.height = CGImageGetHeight(image);
        CGImageRelease(image);
    }
    return info;
}

} // namespace gwbundle
