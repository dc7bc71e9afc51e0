// The game information of the bundle: the "RAW_002.wdt" text of "Key=value" lines that
// configures the launcher for its one game, and the branding picture built from the
// "Channel.dat" archive.
//
// Every getter keeps its result in storage of its own that lives for the whole process, not in
// the object, so a GWData made later in the same process answers what the first one found.
#pragma once

#include <CoreGraphics/CGImage.h>

#include <cstddef>

class GWZipArchive;

class GWData {
public:
    GWData();
    ~GWData();
    GWData(GWData const&) = delete;
    GWData& operator=(GWData const&) = delete;

    // Reads and decodes the bundle's "RAW_002.wdt"; false, leaving the object without text,
    // when the resource is absent or cannot be read.
    bool LoadGameInfoDataFromResource();

    // Finds the first line of text that starts with key (lines end at separator; a carriage
    // return right before it is dropped) and copies its value, cut to outputSize - 1 bytes and
    // always terminated, into output. Returns 0 when there is no such line (output is then
    // empty); otherwise a number greater than 0: the value's end offset within the text, or
    // outputSize when the key's line is the last and unterminated.
    static long GetStringForLineStartingWith(char* output, long outputSize, char const* text,
                                             char const* key, char separator);

    // The hexadecimal 0xRRGGBB value of the key's line; defaultColor only when the line is
    // absent (an empty or non-hexadecimal value gives 0).
    unsigned long GetColorForName(char const* key, unsigned long defaultColor);

    // Text settings: never null; the buffers belong to the getters.
    char const* GetGameFileRevisionString();
    char const* GetAppName();
    char const* GetAppExecPath();
    int GetAppID();
    int GetChannelID();
    float GetAppPrice();
    unsigned long GetFontColorBuild();
    unsigned long GetFontColorAppName();
    int GetXPositionBuild();
    int GetYPositionBuild();
    int GetXPositionBranding();
    int GetYPositionBranding();
    bool TrackChildProcesses();

    // The holder of the bundle's resource archive, made on the first call.
    GWZipArchive* GetZipArchive();
    // The branding picture masked by its mask, built once from "Channel.dat"; owned by this
    // object (callers do not release it). Null, retried on the next call, while either
    // picture cannot be read or decoded.
    CGImageRef GetBrandingImage();
    // A new image (the caller releases it): picture with each pixel's opacity taken from the
    // grey value of mask scaled to the picture's size. Null when either is null or the
    // platform cannot build it.
    CGImageRef CreateMaskedImage(CGImageRef picture, CGImageRef mask);
    // Release callback of the data providers over malloc'ed pixel and file bytes.
    static void FreePixelData(void* info, void const* data, size_t size);

private:
    // Turns the resource's bytes into the same number of bytes of text. The bundles shipped
    // today hold plain text; a publisher that encodes the resource replaces only this step.
    static void DecodeGameInfoData(unsigned char const* source, size_t count, char* destination);
    // Decodes one JPEG member of the branding archive; null when it cannot be read or decoded.
    CGImageRef CreateImageFromArchiveMember(char const* memberName);

    char* mText;
    GWZipArchive* mZipArchive;
    CGImageRef mBrandingImage;
};
