// JPEG pictures, decoded at once with TurboJPEG, which reports damaged data as an error instead
// of ending the process as plain libjpeg would.
#include "CGDataProviderObject.h"
#include "CGImageObject.h"

#include <turbojpeg.h>

using namespace MacPlatform;

namespace {

// A few bytes of header can claim any size; this keeps one picture under 128 MB of pixels.
constexpr long kMaxJPEGPixels = 1L << 25;

class Decompressor {
public:
    Decompressor() : m_handle(tjInitDecompress()) {}
    ~Decompressor() {
        if (m_handle) {
            tjDestroy(m_handle);
        }
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    tjhandle get() const { return m_handle; }

private:
    tjhandle m_handle;
};

cairo_surface_t* decode(const uint8_t* bytes, size_t size, CGColorSpaceModel& model) {
    Decompressor decompressor;
    if (!decompressor.get() || size > static_cast<size_t>(~0UL)) {
        return nullptr;
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    unsigned long length = static_cast<unsigned long>(size);
    if (tjDecompressHeader3(decompressor.get(), bytes, length, &width, &height, &subsampling,
                            &colorspace) != 0) {
        return nullptr;
    }
    if (width <= 0 || height <= 0 || width > static_cast<int>(kMaxImageSide) ||
        height > static_cast<int>(kMaxImageSide) ||
        static_cast<long>(width) * height > kMaxJPEGPixels) {
        return nullptr;
    }
    // CMYK pictures would need the Adobe inversion rules, which TurboJPEG does not report.
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
        return nullptr;
    }
    model = colorspace == TJCS_GRAY ? kCGColorSpaceModelMonochrome : kCGColorSpaceModelRGB;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    // BGRX in memory is Cairo's RGB24 on a little-endian machine. A warning (a truncated or
    // damaged stream) counts as failure: half a picture is not the picture.
    int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS | TJFLAG_ACCURATEDCT;
    if (tjDecompress2(decompressor.get(), bytes, length, cairo_image_surface_get_data(surface),
                      width, cairo_image_surface_get_stride(surface), height, TJPF_BGRX,
                      flags) != 0) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

} // namespace

extern "C" {

CGImageRef CGImageCreateWithJPEGDataProvider(CGDataProviderRef source, const CGFloat* decode,
                                             bool shouldInterpolate, CGColorRenderingIntent) {
    CGDataProviderObject* provider = toDataProvider(source);
    if (!provider || decode || provider->size() == 0) {
        return nullptr;
    }
    CGColorSpaceModel model = kCGColorSpaceModelRGB;
    cairo_surface_t* surface = ::decode(provider->bytes(), provider->size(), model);
    if (!surface) {
        return nullptr;
    }
    return createImageOwningSurface(surface, model, source, shouldInterpolate);
}

} // extern "C"
