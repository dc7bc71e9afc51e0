#include "GWData.h"
#include "GWZipArchive.h"

#include "GameWrapperTestHelpers.h"

#include <CoreGraphics/CoreGraphics.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using GameWrapperTest::ChildChecks;
using GameWrapperTest::near;
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

// A 32 x 16 picture: red on the left half, blue on the right.
std::string picture() {
    return TestSupport::halvesJPEG(32, 16, 0xFF0000, 0x0000FF);
}

// Red, blue, green showing through, and half of each: what the banded mask makes of the
// picture drawn over green, checked in the middle of every 8-pixel block so that JPEG block
// edges do not count.
void checkMaskedPixels(ChildChecks& checks, CGImageRef image) {
    checks.check(image != nullptr, "a branding image");
    if (!image) {
        return;
    }
    checks.equal(CGImageGetWidth(image), size_t{32}, "the picture's width");
    checks.equal(CGImageGetHeight(image), size_t{16}, "the picture's height");
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

std::string brandingBundle(const TempDir& dir, const std::string& name,
                           const std::vector<std::pair<std::string, std::string>>& members) {
    std::string bundle = GameWrapperTest::makeBundle(dir.path(), name);
    GameWrapperTest::writeArchive(GameWrapperTest::resourcesOf(bundle) + "/Channel.dat", members);
    return bundle;
}

} // namespace

TEST(GWZipArchive, MembersAreCopiedWhole) {
    TempDir dir;
    std::string first = dir / "first.zip";
    std::string second = dir / "second.zip";
    std::string big(100000, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7 + i / 251);
    }
    GameWrapperTest::writeArchive(first, {{"a.bin", big}, {"empty.bin", ""}, {"dir/b.txt", "bee"}});
    GameWrapperTest::writeArchive(second, {{"a.bin", "other"}});
    std::string missing = dir / "later.zip";
    std::string damaged = dir / "damaged.zip";
    TestSupport::writeFile(damaged, "PK this is no zip archive at all");
    EXPECT_EXIT(
        {
            ChildChecks checks;
            GWZipArchive holder;
            char* sentinel = reinterpret_cast<char*>(&checks);
            char* buffer = sentinel;
            int length = -7;
            auto read = [&](const std::string& archive, const char* member) {
                return holder.CreateDataBufferFromAFileWithinArchive(archive.c_str(), member,
                                                                     &buffer, &length);
            };
            // A missing or damaged archive fails and leaves the out-parameters; a later open is
            // tried again.
            checks.check(!holder.OpenArchive(damaged.c_str()), "a damaged archive fails");
            checks.check(!read(missing, "a.bin"), "no member of a missing archive");
            checks.check(read(first, "a.bin"), "a.bin is read from the first archive");
            checks.check(length == 100000 && std::string(buffer, 100000) == big, "a.bin whole");
            std::free(buffer);
            buffer = sentinel;
            length = -7;
            checks.check(!read(first, "empty.bin"), "an empty member is unreadable");
            checks.check(!read(first, "nothing"), "a missing member");
            checks.check(buffer == sentinel && length == -7, "out-parameters unchanged");

            // Once open, the holder keeps serving its first archive whatever path it is given.
            checks.check(read(second, "dir/b.txt"), "read through another path");
            checks.check(length == 3 && std::string(buffer, 3) == "bee", "the first archive's b");
            std::free(buffer);
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

// The branding picture exists only with both pictures decodable: a grey mask of the picture's
// size and a colour mask of a quarter of it (scaled) each make one masked image.
TEST(GWBranding, PictureAndMaskMakeOneMaskedImageOrNone) {
    TempDir dir;
    std::string damagedJPEG = picture();
    damagedJPEG.resize(damagedJPEG.size() / 3);
    std::string mask = TestSupport::halvesJPEG(32, 16, 0xFF, 0xFF, true);
    struct Case {
        std::string bundle;
        bool image;
    } const cases[] = {
        {brandingBundle(
             dir, "Same",
             {{"Branding.jpg", picture()}, {"BrandingMask.jpg", bandedMask(32, 16, true)}}),
         true},
        {brandingBundle(
             dir, "Scaled",
             {{"BrandingMask.jpg", bandedMask(16, 8, false)}, {"Branding.jpg", picture()}}),
         true},
        {brandingBundle(dir, "PictureOnly", {{"Branding.jpg", picture()}}), false},
        {brandingBundle(dir, "MaskOnly", {{"BrandingMask.jpg", mask}}), false},
        {brandingBundle(dir, "DamagedPicture",
                        {{"Branding.jpg", damagedJPEG}, {"BrandingMask.jpg", mask}}),
         false},
        {brandingBundle(dir, "DamagedMask",
                        {{"Branding.jpg", picture()}, {"BrandingMask.jpg", "not a JPEG"}}),
         false},
        {brandingBundle(dir, "EmptyMask", {{"Branding.jpg", picture()}, {"BrandingMask.jpg", ""}}),
         false},
        {GameWrapperTest::makeBundle(dir.path(), "NoArchive"), false},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                ChildChecks checks;
                MacPlatformTestSetMainBundlePath(c.bundle.c_str());
                GWData* data = new GWData;
                CGImageRef image = data->GetBrandingImage();
                if (c.image) {
                    checkMaskedPixels(checks, image);
                    checks.check(data->CreateMaskedImage(image, nullptr) == nullptr &&
                                     data->CreateMaskedImage(nullptr, image) == nullptr,
                                 "no masked image without both images");
                } else {
                    checks.check(image == nullptr, "no image");
                }
                checks.check(data->GetBrandingImage() == image, "the same answer again");
                delete data;
                checks.checkNoLeaks();
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << c.bundle;
    }
}
