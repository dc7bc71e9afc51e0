#include "GWData.h"
#include "GWZipArchive.h"

#include "GameWrapperTestHelpers.h"

#include <CoreGraphics/CoreGraphics.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

using GameWrapperTest::ChildChecks;
using TestSupport::TempDir;

extern char** environ;

namespace {

struct Pixel {
    int red;
    int green;
    int blue;
};

// A JPEG of the picture given as a function of (x, y); grey pictures use red as the sample.
template <typename PixelAt> std::string jpeg(int width, int height, bool grey, PixelAt pixelAt) {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Pixel p = pixelAt(x, y);
            pixels.push_back(static_cast<unsigned char>(p.red));
            if (!grey) {
                pixels.push_back(static_cast<unsigned char>(p.green));
                pixels.push_back(static_cast<unsigned char>(p.blue));
            }
        }
    }
    return TestSupport::encodeJPEG(pixels, width, height, grey, 100);
}

// A zip archive of stored members written by Python's zipfile, as publishers' tools write them.
void writeArchive(const std::string& archive,
                  const std::vector<std::pair<std::string, std::string>>& members) {
    TempDir staging;
    std::vector<std::string> args = {
        "/usr/bin/python3", "-c",
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
        "    for i in range(2, len(sys.argv), 2):\n"
        "        z.write(sys.argv[i + 1], sys.argv[i])\n",
        archive};
    int index = 0;
    for (const auto& [name, bytes] : members) {
        std::string file = staging / std::to_string(index++);
        TestSupport::writeFile(file, bytes);
        args.push_back(name);
        args.push_back(file);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "python3 zipfile failed";
}

// A 32 x 16 picture: red on the left half, blue on the right.
std::string picture() {
    return jpeg(32, 16, false, [](int x, int) {
        return x < 16 ? Pixel{255, 0, 0} : Pixel{0, 0, 255};
    });
}

// Bands of 8 columns of the mask's width: white, black, grey 128, white.
Pixel bandAt(int x, int width) {
    int band = x * 4 / width;
    int level = band == 1 ? 0 : band == 2 ? 128 : 255;
    return Pixel{level, level, level};
}

// The pixels (0xRRGGBB, top row first) of the image drawn over green at its own size.
std::vector<uint32_t> drawOverGreen(CGImageRef image) {
    size_t width = CGImageGetWidth(image);
    size_t height = CGImageGetHeight(image);
    std::vector<uint32_t> pixels(width * height, 0x00FF00);
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef context =
        CGBitmapContextCreate(pixels.data(), width, height, 8, width * 4, rgb,
                              kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
    CGColorSpaceRelease(rgb);
    CGContextDrawImage(context,
                       CGRectMake(0, 0, static_cast<CGFloat>(width), static_cast<CGFloat>(height)),
                       image);
    CGContextRelease(context);
    return pixels;
}

bool near(uint32_t pixel, Pixel expected, int tolerance = 8) {
    return std::abs(static_cast<int>(pixel >> 16 & 0xFF) - expected.red) <= tolerance &&
           std::abs(static_cast<int>(pixel >> 8 & 0xFF) - expected.green) <= tolerance &&
           std::abs(static_cast<int>(pixel & 0xFF) - expected.blue) <= tolerance;
}

// Red, blue, green showing through, and half of each: what the banded mask makes of the
// picture, checked in the middle of every 8-pixel block so that JPEG block edges do not count.
void checkMaskedPixels(ChildChecks& checks, CGImageRef image) {
    checks.check(image != nullptr, "a branding image");
    if (!image) {
        return;
    }
    checks.equal(CGImageGetWidth(image), size_t{32}, "the picture's width");
    checks.equal(CGImageGetHeight(image), size_t{16}, "the picture's height");
    std::vector<uint32_t> pixels = drawOverGreen(image);
    for (size_t row : {3u * 32, 12u * 32}) {
        checks.check(near(pixels[row + 3], {255, 0, 0}), "white mask: opaque red");
        checks.check(near(pixels[row + 11], {0, 255, 0}), "black mask: transparent over red");
        checks.check(near(pixels[row + 19], {0, 127, 128}, 10), "grey mask: half blue, half green");
        checks.check(near(pixels[row + 27], {0, 0, 255}), "white mask: opaque blue");
    }
}

std::string brandingBundle(const TempDir& dir, const std::string& name,
                           const std::vector<std::pair<std::string, std::string>>& members) {
    std::string bundle = GameWrapperTest::makeBundle(dir.path(), name);
    writeArchive(GameWrapperTest::resourcesOf(bundle) + "/Channel.dat", members);
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
    writeArchive(first, {{"a.bin", big}, {"empty.bin", ""}, {"dir/b.txt", "bee"}});
    writeArchive(second, {{"a.bin", "other"}});
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
            // A missing or damaged archive fails and leaves the out-parameters; a later open is
            // tried again.
            checks.check(!holder.OpenArchive(damaged.c_str()), "a damaged archive fails");
            checks.check(!holder.CreateDataBufferFromAFileWithinArchive(missing.c_str(), "a.bin",
                                                                        &buffer, &length),
                         "no member of a missing archive");
            checks.check(buffer == sentinel && length == -7, "out-parameters unchanged");
            checks.check(holder.OpenArchive(first.c_str()), "the first archive opens");

            checks.check(holder.CreateDataBufferFromAFileWithinArchive(first.c_str(), "a.bin",
                                                                       &buffer, &length),
                         "a.bin is read");
            checks.check(length == 100000 && std::string(buffer, 100000) == big, "a.bin whole");
            std::free(buffer);
            buffer = sentinel;
            length = -7;
            checks.check(!holder.CreateDataBufferFromAFileWithinArchive(first.c_str(), "empty.bin",
                                                                        &buffer, &length),
                         "an empty member is unreadable");
            checks.check(!holder.CreateDataBufferFromAFileWithinArchive(first.c_str(), "nothing",
                                                                        &buffer, &length),
                         "a missing member");
            checks.check(buffer == sentinel && length == -7, "out-parameters still unchanged");

            // Once open, the holder keeps serving its first archive whatever path it is given.
            checks.check(holder.OpenArchive(second.c_str()), "another path opens too");
            checks.check(holder.CreateDataBufferFromAFileWithinArchive(second.c_str(), "dir/b.txt",
                                                                       &buffer, &length),
                         "read through another path");
            checks.check(length == 3 && std::string(buffer, 3) == "bee", "the first archive's b");
            std::free(buffer);
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(GWBranding, PictureAndMaskMakeOneMaskedImage) {
    TempDir dir;
    // A grey mask of the picture's size, and a colour mask of a quarter of it that is scaled.
    std::string sameSize = brandingBundle(
        dir, "Same",
        {{"Branding.jpg", picture()},
         {"BrandingMask.jpg", jpeg(32, 16, true, [](int x, int) { return bandAt(x, 32); })}});
    std::string scaled = brandingBundle(
        dir, "Scaled",
        {{"BrandingMask.jpg", jpeg(16, 8, false, [](int x, int) { return bandAt(x, 16); })},
         {"Branding.jpg", picture()}});
    for (const std::string& bundle : {sameSize, scaled}) {
        EXPECT_EXIT(
            {
                ChildChecks checks;
                MacPlatformTestSetMainBundlePath(bundle.c_str());
                GWData* data = new GWData;
                CGImageRef image = data->GetBrandingImage();
                checkMaskedPixels(checks, image);
                checks.check(data->GetBrandingImage() == image, "built once");
                checks.check(data->CreateMaskedImage(image, nullptr) == nullptr &&
                                 data->CreateMaskedImage(nullptr, image) == nullptr,
                             "no masked image without both images");
                delete data;
                checks.checkNoLeaks();
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << bundle;
    }
}

TEST(GWBranding, NoImageWithoutBothDecodablePictures) {
    TempDir dir;
    std::string damagedJPEG = picture();
    damagedJPEG.resize(damagedJPEG.size() / 3);
    std::string mask = jpeg(32, 16, true, [](int, int) { return Pixel{255, 255, 255}; });
    std::vector<std::string> bundles = {
        brandingBundle(dir, "PictureOnly", {{"Branding.jpg", picture()}}),
        brandingBundle(dir, "MaskOnly", {{"BrandingMask.jpg", mask}}),
        brandingBundle(dir, "DamagedPicture",
                       {{"Branding.jpg", damagedJPEG}, {"BrandingMask.jpg", mask}}),
        brandingBundle(dir, "DamagedMask",
                       {{"Branding.jpg", picture()}, {"BrandingMask.jpg", "not a JPEG"}}),
        brandingBundle(dir, "EmptyMask", {{"Branding.jpg", picture()}, {"BrandingMask.jpg", ""}}),
        GameWrapperTest::makeBundle(dir.path(), "NoArchive"),
    };
    for (const std::string& bundle : bundles) {
        EXPECT_EXIT(
            {
                ChildChecks checks;
                MacPlatformTestSetMainBundlePath(bundle.c_str());
                GWData* data = new GWData;
                checks.check(data->GetBrandingImage() == nullptr, "no image");
                checks.check(data->GetBrandingImage() == nullptr, "no image on a second call");
                delete data;
                checks.checkNoLeaks();
                checks.finish();
            },
            ::testing::ExitedWithCode(0), "")
            << bundle;
    }
}
