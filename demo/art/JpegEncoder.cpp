#include "JpegEncoder.h"

#include <turbojpeg.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace DemoArt {

namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct BufferFreer {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

// Writes the bytes to path + ".part" and renames it over path, so a failed build never leaves a
// half-written picture that the next build would take as up to date.
bool WriteFileWhole(const unsigned char* bytes, unsigned long size, const std::string& path,
                    std::string* error) {
    std::string partial = path + ".part";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        *error = partial + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes, 1, size, file) == size;
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        *error = partial + ": could not write the picture";
        std::remove(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

bool Encode(const unsigned char* pixels, int width, int pitch, int height, int pixelFormat,
            int subsampling, int quality, const std::string& path, std::string* error) {
    std::unique_ptr<void, HandleCloser> handle(tjInitCompress());
    if (!handle) {
        *error = "TurboJPEG could not start a compressor";
        return false;
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int status = tjCompress2(handle.get(), pixels, width, pitch, height, pixelFormat, &out, &size,
                             subsampling, quality, TJFLAG_ACCURATEDCT);
    std::unique_ptr<unsigned char, BufferFreer> encoded(out);
    if (status != 0) {
        *error = path + ": " + tjGetErrorStr2(handle.get());
        return false;
    }
    return WriteFileWhole(encoded.get(), size, path, error);
}

} // namespace

bool WriteColourJpeg(cairo_surface_t* surface, int quality, const std::string& path,
                     std::string* error) {
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        *error = path + ": the picture is not an image surface";
        return false;
    }
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) {
        *error = path + ": the picture is not a 32-bit colour surface";
        return false;
    }
    cairo_surface_flush(surface);
    // Cairo keeps a pixel as one native 32-bit word 0xAARRGGBB: on a little-endian machine its
    // bytes are blue, green, red, alpha.
    const int pixelFormat = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
    return Encode(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                  cairo_image_surface_get_stride(surface), cairo_image_surface_get_height(surface),
                  pixelFormat, TJSAMP_444, quality, path, error);
}

bool WriteGreyJpeg(const std::vector<std::uint8_t>& samples, int width, int height, int quality,
                   const std::string& path, std::string* error) {
    if (width <= 0 || height <= 0 ||
        samples.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        *error = path + ": the grey samples do not fill the picture";
        return false;
    }
    return Encode(samples.data(), width, width, height, TJPF_GRAY, TJSAMP_GRAY, quality, path,
                  error);
}

} // namespace DemoArt
