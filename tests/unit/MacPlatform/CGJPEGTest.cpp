#include "CFTestHelpers.h"
#include "CGTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace CGTest;

namespace {

CGImageRef decode(const std::string& bytes) {
    Owned<CGDataProviderRef> provider =
        CGDataProviderCreateWithCFData(Owned<CFDataRef>(CFTest::cfData(bytes)));
    return CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
}

} // namespace

// (Pictures that decode are checked through the launcher's branding and start page.)
TEST(CGJPEG, DamagedDataGivesNoImage) {
    const std::string good = TestSupport::halvesJPEG(64, 48, 0xE60000, 0x0000E6);
    // Garbage behind a real JPEG start marker reaches the decoder proper.
    std::mt19937 random(7);
    std::string markedGarbage = "\xFF\xD8";
    while (markedGarbage.size() < 4096) {
        markedGarbage += static_cast<char>(random());
    }
    // A header that claims a huge picture is refused before anything that size is allocated.
    std::string huge = good;
    size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos) << "no baseline frame header in the test JPEG";
    huge[frame + 5] = huge[frame + 7] = 0x7F; // height and width 32767 and more
    // Scrambled entropy data after a valid header: the decoder meets bad Huffman codes and
    // reports them as warnings; a picture with holes is not the picture.
    std::string scrambled = good;
    for (size_t i = scrambled.size() / 2; i < scrambled.size() - 2; i += 7) {
        scrambled[i] ^= 0x5A;
    }
    const std::pair<const char*, std::string> kDamaged[] = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 20)},
        {"garbage after SOI", markedGarbage},
        {"huge", huge},
        {"scrambled", scrambled},
    };
    for (const auto& [name, bytes] : kDamaged) {
        EXPECT_EQ(decode(bytes), nullptr) << name;
    }
    EXPECT_EQ(CGImageCreateWithJPEGDataProvider(nullptr, nullptr, false, kCGRenderingIntentDefault),
              nullptr);
}
