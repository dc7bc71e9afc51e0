#include "GWData.h"
#include "GWZipArchive.h"

#include "GameWrapperTestHelpers.h"

#include <CoreGraphics/CoreGraphics.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace GameWrapperTest;
using TestSupport::TempDir;

namespace {

// A mask in bands of a quarter of its width: white, black, grey 128, white.
std::string bandedMask(int width, int height, bool grey) {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int band = x * 4 / width;
            pixels.insert(pixels.end(), grey ? 1 : 3, band == 1 ? 0 : band == 2 ? 128 : 255);
        }
    }
    return TestSupport::encodeJPEG(pixels, width, height, grey, 100);
}

// Red, blue, green showing through, and half of each: what the banded mask makes of a 32 x 16
// picture, red on the left and blue on the right, drawn over green; checked in the middle of
// 8-pixel blocks so that JPEG block edges do not count.
void checkMaskedPixels(ChildChecks& checks, CGImageRef image) {
    checks.check(image && CGImageGetWidth(image) == 32 && CGImageGetHeight(image) == 16,
                 "a branding image of the picture's size");
    std::vector<uint32_t> pixels(32 * 16, 0x00FF00);
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef context =
        CGBitmapContextCreate(pixels.data(), 32, 16, 8, 32 * 4, rgb,
                              kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
    CGColorSpaceRelease(rgb);
    CGContextDrawImage(context, CGRectMake(0, 0, 32, 16), image);
    CGContextRelease(context);
    for (size_t row : {3u * 32, 12u * 32}) {
        checks.check(near(pixels[row + 3], 0xFF0000), "white mask: opaque red");
        checks.check(near(pixels[row + 11], 0x00FF00), "black mask: transparent over red");
        checks.check(near(pixels[row + 19], 0x007F80, 10), "grey mask: half blue, half green");
        checks.check(near(pixels[row + 27], 0x0000FF), "white mask: opaque blue");
    }
}

} // namespace

TEST(GWZipArchive, MembersAreCopiedWholeFromTheFirstArchiveOpened) {
    TempDir dir;
    std::string big = std::string(60000, 'a') + std::string(40000, 'b');
    writeArchive(dir / "first.zip", {{"a.bin", big}});
    writeArchive(dir / "second.zip", {{"a.bin", "other"}});
    TestSupport::writeFile(dir / "damaged.zip", "PK this is no zip archive at all");
    inChild([&](ChildChecks& checks) {
        GWZipArchive holder;
        char* buffer = nullptr;
        int length = -7;
        auto read = [&](const char* archive, const char* member) {
            return holder.CreateDataBufferFromAFileWithinArchive((dir / archive).c_str(), member,
                                                                 &buffer, &length);
        };
        // A damaged archive fails and a later open is tried again; a missing member leaves
        // the out-parameters alone.
        checks.check(!read("damaged.zip", "a.bin") && !read("first.zip", "none") && !buffer &&
                         length == -7,
                     "nothing read from a damaged archive or of a missing member");
        checks.check(read("first.zip", "a.bin") && std::string(buffer, length) == big, "whole");
        std::free(buffer);
        checks.check(read("second.zip", "a.bin") && std::string(buffer, length) == big,
                     "the first archive opened is kept");
        std::free(buffer);
    });
}

// The branding picture exists only with both pictures decodable: a grey mask of the picture's
// size and a colour mask of a quarter of it (scaled) each make one masked image.
TEST(GWBranding, PictureAndMaskMakeOneMaskedImageOrNone) {
    TempDir dir;
    std::string picture = TestSupport::halvesJPEG(32, 16, 0xFF0000, 0x0000FF);
    std::string mask = TestSupport::halvesJPEG(32, 16, 0xFF, 0xFF, true);
    using Members = std::vector<std::pair<std::string, std::string>>;
    const std::pair<Members, bool> cases[] = {
        {{{"Branding.jpg", picture}, {"BrandingMask.jpg", bandedMask(32, 16, true)}}, true},
        {{{"BrandingMask.jpg", bandedMask(16, 8, false)}, {"Branding.jpg", picture}}, true},
        {{{"Branding.jpg", picture}}, false},
        {{{"BrandingMask.jpg", mask}}, false},
        {{{"Branding.jpg", picture.substr(0, picture.size() / 3)}, {"BrandingMask.jpg", mask}},
         false},
        {{{"Branding.jpg", picture}, {"BrandingMask.jpg", "not a JPEG"}}, false},
        {{{"Branding.jpg", picture}, {"BrandingMask.jpg", ""}}, false},
        {{}, false},
    };
    int index = 0;
    for (const auto& [members, hasImage] : cases) {
        std::string bundle = makeBundle(dir.path(), std::to_string(index++));
        if (!members.empty()) {
            writeArchive(bundle + "/Contents/Resources/Channel.dat", members);
        }
        SCOPED_TRACE(bundle);
        inChild([&](ChildChecks& checks) {
            MacPlatformTestSetMainBundlePath(bundle.c_str());
            GWData* data = new GWData;
            CGImageRef image = data->GetBrandingImage();
            if (hasImage) {
                checkMaskedPixels(checks, image);
                checks.check(!data->CreateMaskedImage(image, nullptr) &&
                                 !data->CreateMaskedImage(nullptr, image),
                             "no masked image without both images");
            }
            checks.check(hasImage == (image != nullptr), "an image exactly when both are good");
            checks.check(data->GetBrandingImage() == image, "the same answer again");
            delete data;
        });
    }
}
