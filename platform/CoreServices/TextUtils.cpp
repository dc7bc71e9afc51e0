#include <CoreServices/TextUtils.h>

#include <cstring>

extern "C" void CopyCStringToPascal(const char* src, Str255 dst) {
    if (!dst) {
        return;
    }
    std::size_t length = src ? strnlen(src, 255) : 0;
    // memmove, because the Mac allows converting a buffer in place.
    if (length > 0) {
        std::memmove(dst + 1, src, length);
    }
    dst[0] = static_cast<unsigned char>(length);
}
