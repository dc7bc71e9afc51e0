// Whether bytes are a JPEG picture the launcher can show: decoded by MacPlatform's own
// CGImageCreateWithJPEGDataProvider, which refuses damaged or truncated pictures.
#pragma once

#include <string>

namespace gwbundle {

struct JpegInfo {
    bool decodable = false;
    std::size_t width = 0;
    std::size_t height = 0;
};

JpegInfo inspectJpeg(const std::string& bytes);

} // namespace gwbundle
