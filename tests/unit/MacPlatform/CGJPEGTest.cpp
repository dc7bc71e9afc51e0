#include "CGTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace CGTest;

namespace {

// A JPEG of the given size: left half red, right half blue (or, in grey, dark and light).
std::vector<uint8_t> encodeJPEG(int width, int height, bool grey = false) {
    std::string bytes = grey ? TestSupport::halvesJPEG(width, height, 40, 220, true)
                             : TestSupport::halvesJPEG(width, height, 0xE60000, 0x0000E6);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

CGImageRef decode(const std::vector<uint8_t>& bytes) {
    CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    CGDataProviderRef provider = CGDataProviderCreateWithCFData(data);
    CFRelease(data);
    CGImageRef image =
        CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    return image;
}

} // namespace

TEST(CGJPEG, DecodesSizeAndColours) {
    CGImageRef image = decode(encodeJPEG(64, 48));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 64u);
    EXPECT_EQ(CGImageGetHeight(image), 48u);
    EXPECT_EQ(CGColorSpaceGetModel(CGImageGetColorSpace(image)), kCGColorSpaceModelRGB);
    Canvas canvas(64, 48);
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 64, 48), image);
    EXPECT_TRUE(near(canvas.at(8, 24), {230, 0, 0}, 12));
    EXPECT_TRUE(near(canvas.at(56, 24), {0, 0, 230}, 12));
    CGImageRelease(image);

    CGImageRef grey = decode(encodeJPEG(16, 16, true));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(CGColorSpaceGetModel(CGImageGetColorSpace(grey)), kCGColorSpaceModelMonochrome);
    Canvas greyCanvas(16, 16);
    CGContextDrawImage(greyCanvas.context(), CGRectMake(0, 0, 16, 16), grey);
    EXPECT_TRUE(near(greyCanvas.at(2, 8), {40, 40, 40}, 6));
    EXPECT_TRUE(near(greyCanvas.at(13, 8), {220, 220, 220}, 6));
    CGImageRelease(grey);
}

TEST(CGJPEG, ReadsAFileThroughAURLProvider) {
    TestSupport::TempDir folder;
    std::vector<uint8_t> jpeg = encodeJPEG(10, 7);
    std::string path = folder / "Background.jpg";
    TestSupport::writeFile(path, std::string(jpeg.begin(), jpeg.end()));
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.c_str()), static_cast<CFIndex>(path.size()),
        false);
    CGDataProviderRef provider = CGDataProviderCreateWithURL(url);
    CFRelease(url);
    ASSERT_NE(provider, nullptr);
    CGImageRef image =
        CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 10u);
    EXPECT_EQ(CGImageGetHeight(image), 7u);
    CGImageRelease(image);
}

TEST(CGJPEG, DamagedDataGivesNoImage) {
    std::vector<uint8_t> good = encodeJPEG(64, 48);
    ASSERT_GT(good.size(), 200u);

    std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    EXPECT_EQ(decode(truncated), nullptr) << "truncated";

    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 20);
    EXPECT_EQ(decode(headerOnly), nullptr) << "header only";

    std::mt19937 random(7);
    std::vector<uint8_t> garbage(4096);
    for (uint8_t& byte : garbage) {
        byte = static_cast<uint8_t>(random());
    }
    EXPECT_EQ(decode(garbage), nullptr) << "garbage";

    // Garbage behind a real JPEG start marker reaches the decoder proper.
    std::vector<uint8_t> markedGarbage = garbage;
    markedGarbage[0] = 0xFF;
    markedGarbage[1] = 0xD8;
    EXPECT_EQ(decode(markedGarbage), nullptr) << "garbage after SOI";

    EXPECT_EQ(decode({}), nullptr) << "zero length";
    EXPECT_EQ(CGImageCreateWithJPEGDataProvider(nullptr, nullptr, false, kCGRenderingIntentDefault),
              nullptr);

    // A header that claims a huge picture is refused before anything that size is allocated.
    std::vector<uint8_t> huge = good;
    bool patched = false;
    for (size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0x7F; // height 32767 and more
            huge[i + 7] = 0x7F; // width
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched) << "no baseline frame header in the test JPEG";
    EXPECT_EQ(decode(huge), nullptr) << "huge";

    // Scrambled entropy data after a valid header.
    std::vector<uint8_t> scrambled = good;
    for (size_t i = scrambled.size() / 2; i < scrambled.size() - 2; i += 7) {
        scrambled[i] ^= 0x5A;
    }
    // The decoder meets bad Huffman codes and reports them as warnings; a picture with holes
    // is not the picture.
    EXPECT_EQ(decode(scrambled), nullptr) << "scrambled";
}
