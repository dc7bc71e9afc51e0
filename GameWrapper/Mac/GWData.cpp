#include "GWData.h"

#include "GWZipArchive.h"

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURLAccess.h>
#include <CoreGraphics/CGBitmapContext.h>
#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGDataProvider.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Every setting line is read into a buffer of this size, so a value keeps at most 1023 bytes.
constexpr long SETTING_BUFFER_SIZE = 1024;
constexpr char LINE_SEPARATOR = '\n';

char const BRANDING_ARCHIVE[] = "Channel.dat";
char const BRANDING_PICTURE[] = "Branding.jpg";
char const BRANDING_MASK[] = "BrandingMask.jpg";

// atoi, except that a number beyond int's range gives the nearest int instead of whatever the
// C library makes of the overflow.
int ParseDecimal(char const* value) {
    long const parsed = std::strtol(value, nullptr, 10);
    if (parsed > INT_MAX) {
        return INT_MAX;
    }
    if (parsed < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(parsed);
}

// atof narrowed to float; a value beyond float's range becomes an infinity of its sign rather
// than an undefined conversion.
float ParsePrice(char const* value) {
    double const parsed = std::atof(value);
    if (std::isfinite(parsed) && std::fabs(parsed) > FLT_MAX) {
        return parsed > 0 ? std::numeric_limits<float>::infinity()
                          : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(parsed);
}

// strtoul in base 16 with the result of a 32-bit unsigned long, which colours were defined
// with: a magnitude beyond 32 bits saturates to 0xFFFFFFFF and a minus sign negates modulo 2^32.
unsigned long ParseColor(char const* value) {
    char const* p = value;
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    bool const negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    // strtoull would take a second sign or more blanks; the first parse would not.
    if (*p == '-' || *p == '+' || std::isspace(static_cast<unsigned char>(*p))) {
        return 0;
    }
    errno = 0;
    unsigned long long const magnitude = std::strtoull(p, nullptr, 16);
    if (errno == ERANGE || magnitude > UINT32_MAX) {
        return UINT32_MAX;
    }
    std::uint32_t const low = static_cast<std::uint32_t>(magnitude);
    return negative ? static_cast<std::uint32_t>(0u - low) : low;
}

} // namespace

GWData::GWData() : mText(nullptr), mZipArchive(nullptr), mBrandingImage(nullptr) {}

GWData::~GWData() {
    std::free(mText);
    delete mZipArchive;
    if (mBrandingImage) {
        CGImageRelease(mBrandingImage);
    }
}

void GWData::DecodeGameInfoData(unsigned char const* source, size_t count, char* destination) {
    if (count > 0) {
        std::memcpy(destination, source, count);
    }
}

bool GWData::LoadGameInfoDataFromResource() {
    CFBundleRef bundle = CFBundleGetMainBundle();
    if (!bundle) {
        return false;
    }
    CFURLRef url = CFBundleCopyResourceURL(bundle, CFSTR("RAW_002.wdt"), nullptr, nullptr);
    if (!url) {
        return false;
    }
    CFDataRef data = nullptr;
    SInt32 error = 0;
    CFURLCreateDataAndPropertiesFromResource(kCFAllocatorDefault, url, &data, nullptr, nullptr,
                                             &error);
    CFRelease(url);
    if (error != 0 || !data) {
        if (data) {
            CFRelease(data);
        }
        return false;
    }
    CFIndex const length = CFDataGetLength(data);
    char* text =
        length >= 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1)) : nullptr;
    if (!text) {
        CFRelease(data);
        return false;
    }
    DecodeGameInfoData(CFDataGetBytePtr(data), static_cast<size_t>(length), text);
    text[length] = '\0';
    // The object is loaded once; should it be asked again, the new text replaces the old.
    std::free(mText);
    mText = text;
    CFRelease(data);
    return true;
}

long GWData::GetStringForLineStartingWith(char* output, long outputSize, char const* text,
                                          char const* key, char separator) {
    if (!output || outputSize <= 0) {
        return 0;
    }
    output[0] = '\0';
    if (!text || !key) {
        return 0;
    }
    size_t const keyLength = std::strlen(key);
    char const* lineStart = text;
    while (std::strncmp(lineStart, key, keyLength) != 0) {
        char const* lineEnd = std::strchr(lineStart, separator);
        // A NUL separator would find the text's end and step past it.
        if (!lineEnd || *lineEnd == '\0') {
            return 0;
        }
        lineStart = lineEnd + 1;
    }
    char const* valueStart = lineStart + keyLength;
    size_t const room = static_cast<size_t>(outputSize - 1);
    char const* valueEnd = separator != '\0' ? std::strchr(valueStart, separator) : nullptr;
    if (!valueEnd) {
        // The key's line is the last and has no separator: the rest of the text, as it is.
        size_t const copied = strnlen(valueStart, room);
        std::memcpy(output, valueStart, copied);
        output[copied] = '\0';
        return outputSize;
    }
    if (valueEnd > valueStart && valueEnd[-1] == '\r') {
        --valueEnd;
    }
    size_t length = static_cast<size_t>(valueEnd - valueStart);
    if (length > room) {
        length = room;
    }
    std::memcpy(output, valueStart, length);
    output[length] = '\0';
    return static_cast<long>(valueStart - text) + static_cast<long>(length);
}

unsigned long GWData::GetColorForName(char const* key, unsigned long defaultColor) {
    char value[SETTING_BUFFER_SIZE];
    if (GetStringForLineStartingWith(value, sizeof(value), mText, key, LINE_SEPARATOR) == 0) {
        return defaultColor;
    }
    return ParseColor(value);
}

// Text getters search again on every call while their buffer is still empty.
char const* GWData::GetGameFileRevisionString() {
    static char s_Revision[SETTING_BUFFER_SIZE];
    if (s_Revision[0] == '\0') {
        GetStringForLineStartingWith(s_Revision, sizeof(s_Revision), mText,
                                     "App Version String=", LINE_SEPARATOR);
    }
    return s_Revision;
}

char const* GWData::GetAppName() {
    static char s_AppName[SETTING_BUFFER_SIZE];
    if (s_AppName[0] == '\0') {
        GetStringForLineStartingWith(s_AppName, sizeof(s_AppName), mText,
                                     "Application Name=", LINE_SEPARATOR);
    }
    return s_AppName;
}

char const* GWData::GetAppExecPath() {
    static char s_AppExecPath[SETTING_BUFFER_SIZE];
    if (s_AppExecPath[0] == '\0') {
        GetStringForLineStartingWith(s_AppExecPath, sizeof(s_AppExecPath), mText,
                                     "Application Exec Path=", LINE_SEPARATOR);
    }
    return s_AppExecPath;
}

// The identifiers parse whatever the search left: an absent line gives 0, and 0 is asked again.
int GWData::GetAppID() {
    static int s_AppID = 0;
    if (s_AppID == 0) {
        char value[SETTING_BUFFER_SIZE];
        GetStringForLineStartingWith(value, sizeof(value), mText,
                                     "Application ID=", LINE_SEPARATOR);
        s_AppID = ParseDecimal(value);
    }
    return s_AppID;
}

int GWData::GetChannelID() {
    static int s_ChannelID = 0;
    if (s_ChannelID == 0) {
        char value[SETTING_BUFFER_SIZE];
        GetStringForLineStartingWith(value, sizeof(value), mText,
                                     "Developer Channel ID=", LINE_SEPARATOR);
        s_ChannelID = ParseDecimal(value);
    }
    return s_ChannelID;
}

float GWData::GetAppPrice() {
    static float s_AppPrice = 0.0f;
    if (s_AppPrice == 0.0f) {
        char value[SETTING_BUFFER_SIZE];
        GetStringForLineStartingWith(value, sizeof(value), mText,
                                     "Application Price=", LINE_SEPARATOR);
        s_AppPrice = ParsePrice(value);
    }
    return s_AppPrice;
}

// Colours are computed on the first call, whatever it finds; the initialisation of a function
// static is safe against two first calls at once.
unsigned long GWData::GetFontColorBuild() {
    static unsigned long const s_FontColorBuild = GetColorForName("Font Color Build=", 0xC3C3C3);
    return s_FontColorBuild;
}

unsigned long GWData::GetFontColorAppName() {
    static unsigned long const s_FontColorAppName =
        GetColorForName("Font Color App Name=", 0x000000);
    return s_FontColorAppName;
}

namespace {

// A position keeps the sentinel -1 until a search gives something else, so a position written
// as -1 is parsed again on every call.
int LookUpPosition(int* cache, char const* text, char const* key, int defaultPosition) {
    if (*cache == -1) {
        char value[SETTING_BUFFER_SIZE];
        *cache = GWData::GetStringForLineStartingWith(value, sizeof(value), text, key,
                                                      LINE_SEPARATOR) == 0
                     ? defaultPosition
                     : ParseDecimal(value);
    }
    return *cache;
}

} // namespace

int GWData::GetXPositionBuild() {
    static int s_XPositionBuild = -1;
    return LookUpPosition(&s_XPositionBuild, mText, "Build X=", 450);
}

int GWData::GetYPositionBuild() {
    static int s_YPositionBuild = -1;
    return LookUpPosition(&s_YPositionBuild, mText, "Build Y=", 510);
}

int GWData::GetXPositionBranding() {
    static int s_XPositionBranding = -1;
    return LookUpPosition(&s_XPositionBranding, mText, "Brand X=", 9);
}

int GWData::GetYPositionBranding() {
    static int s_YPositionBranding = -1;
    return LookUpPosition(&s_YPositionBranding, mText, "Brand Y=", 22);
}

bool GWData::TrackChildProcesses() {
    static bool s_bTrackChecked = false;
    static bool s_bTrackChildProcesses = false;
    if (!s_bTrackChecked) {
        char value[SETTING_BUFFER_SIZE];
        s_bTrackChildProcesses =
            GetStringForLineStartingWith(value, sizeof(value), mText,
                                         "Track Child Processes=", LINE_SEPARATOR) != 0 &&
            ParseDecimal(value) != 0;
        s_bTrackChecked = true;
    }
    return s_bTrackChildProcesses;
}

GWZipArchive* GWData::GetZipArchive() {
    if (!mZipArchive) {
        mZipArchive = new GWZipArchive;
    }
    return mZipArchive;
}

void GWData::FreePixelData(void* /*info*/, void const* data, size_t /*size*/) {
    std::free(const_cast<void*>(data));
}

CGImageRef GWData::CreateImageFromArchiveMember(char const* memberName) {
    char* bytes = nullptr;
    int length = 0;
    if (!GetZipArchive()->CreateDataBufferFromAFileWithinArchive(BRANDING_ARCHIVE, memberName,
                                                                 &bytes, &length)) {
        return nullptr;
    }
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, bytes, static_cast<size_t>(length), FreePixelData);
    if (!provider) {
        // Without a provider nobody else will free the bytes.
        std::free(bytes);
        return nullptr;
    }
    CGImageRef image =
        CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    return image;
}

CGImageRef GWData::GetBrandingImage() {
    if (mBrandingImage) {
        return mBrandingImage;
    }
    CGImageRef picture = CreateImageFromArchiveMember(BRANDING_PICTURE);
    if (!picture) {
        return nullptr;
    }
    // There is no unmasked fallback: without its mask the picture is not shown at all.
    CGImageRef mask = CreateImageFromArchiveMember(BRANDING_MASK);
    if (mask) {
        mBrandingImage = CreateMaskedImage(picture, mask);
        CGImageRelease(mask);
    }
    CGImageRelease(picture);
    return mBrandingImage;
}

CGImageRef GWData::CreateMaskedImage(CGImageRef picture, CGImageRef mask) {
    if (!picture || !mask) {
        return nullptr;
    }
    size_t const width = CGImageGetWidth(picture);
    size_t const height = CGImageGetHeight(picture);
    if (width == 0 || height == 0) {
        return nullptr;
    }
    // One grey sample per picture pixel, rows of exactly width bytes, top row first. Images
    // are at most 32767 pixels a side, so the product cannot overflow.
    void* samples = std::calloc(width, height);
    if (!samples) {
        return nullptr;
    }
    CGColorSpaceRef grey = CGColorSpaceCreateDeviceGray();
    CGContextRef context =
        CGBitmapContextCreate(samples, width, height, 8, width, grey, kCGImageAlphaNone);
    if (!context) {
        CGColorSpaceRelease(grey);
        std::free(samples);
        return nullptr;
    }
    // Drawing scales a mask of another size to the picture and turns a colour mask into grey.
    CGContextDrawImage(
        context, CGRectMake(0, 0, static_cast<CGFloat>(width), static_cast<CGFloat>(height)), mask);
    CGContextRelease(context);

    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, samples, width * height, FreePixelData);
    if (!provider) {
        CGColorSpaceRelease(grey);
        std::free(samples);
        return nullptr;
    }
    CGImageRef greyMask = CGImageCreate(width, height, 8, 8, width, grey, kCGImageAlphaNone,
                                        provider, nullptr, false, kCGRenderingIntentDefault);
    CGColorSpaceRelease(grey);
    CGDataProviderRelease(provider);
    if (!greyMask) {
        return nullptr;
    }
    CGImageRef masked = CGImageCreateWithMask(picture, greyMask);
    CGImageRelease(greyMask);
    return masked;
}
