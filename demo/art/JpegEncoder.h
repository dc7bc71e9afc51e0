// Writing the generated pictures as JPEG files with TurboJPEG.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace DemoArt {

// Encodes a Cairo RGB24 or ARGB32 image surface (alpha is ignored) as a colour JPEG at path.
// False, with the reason in *error, when the surface is not such an image or the file cannot be
// written; the file then does not exist (it is written aside and renamed into place).
bool WriteColourJpeg(cairo_surface_t* surface, int quality, const std::string& path,
                     std::string* error);

// Encodes width x height grey samples (rows of width bytes, top row first) as a greyscale JPEG.
bool WriteGreyJpeg(const std::vector<std::uint8_t>& samples, int width, int height, int quality,
                   const std::string& path, std::string* error);

} // namespace DemoArt
