#include <CoreServices/CoreServices.h>

#include "CFTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::TempDir;

namespace {

const UInt8* bytes(const std::string& path) {
    return reinterpret_cast<const UInt8*>(path.c_str());
}

std::string pathOf(const FSRef& ref) {
    char buffer[kFSRefMaxPathSize];
    OSStatus status = FSRefMakePath(&ref, reinterpret_cast<UInt8*>(buffer), sizeof buffer);
    return status == noErr ? buffer : "<error " + std::to_string(status) + ">";
}

} // namespace

TEST(FSRef, PathsRoundTripThroughReferencesAndURLs) {
    TempDir dir;
    TestSupport::writeFile(dir / "Game.app/Contents/Info.plist", "x");
    const std::string app = std::filesystem::canonical(dir / "Game.app").string();

    FSRef ref;
    Boolean isDirectory = false;
    ASSERT_EQ(FSPathMakeRef(bytes(dir / "Game.app/Contents/../"), &ref, &isDirectory), noErr);
    EXPECT_TRUE(isDirectory);
    EXPECT_EQ(pathOf(ref), app);
    ASSERT_EQ(FSPathMakeRef(bytes(dir / "Game.app/Contents/Info.plist"), &ref, &isDirectory),
              noErr);
    EXPECT_FALSE(isDirectory);
    EXPECT_EQ(pathOf(ref), app + "/Contents/Info.plist");

    // Symbolic links are followed to the item, and two ways to it compare the same.
    ASSERT_EQ(symlink(app.c_str(), (dir / "link").c_str()), 0);
    FSRef viaLink;
    ASSERT_EQ(FSPathMakeRef(bytes(dir / "link"), &viaLink, nullptr), noErr);
    FSRef direct;
    ASSERT_EQ(FSPathMakeRef(bytes(app), &direct, nullptr), noErr);
    EXPECT_EQ(FSCompareFSRefs(&viaLink, &direct), noErr);
    EXPECT_EQ(FSCompareFSRefs(&ref, &direct), errFSRefsDifferent);

    // URLs and references convert both ways.
    CFTest::Owned<CFURLRef> url = CFTest::fileURL(app, true);
    ASSERT_TRUE(CFURLGetFSRef(url, &ref));
    EXPECT_EQ(pathOf(ref), app);
    EXPECT_TRUE(CFEqual(CFTest::Owned<CFURLRef>(CFURLCreateFromFSRef(nullptr, &ref)), url));
    EXPECT_FALSE(CFURLGetFSRef(nullptr, &ref));
    EXPECT_FALSE(CFURLGetFSRef(CFTest::Owned<CFURLRef>(CFTest::fileURL(dir / "none")), &ref));
}

TEST(FSRef, ErrorsSayWhy) {
    TempDir dir;
    TestSupport::writeFile(dir / "file.txt", "x");
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(bytes(dir / "missing"), &ref, nullptr), fnfErr);
    EXPECT_EQ(FSPathMakeRef(bytes(dir / "file.txt/inside"), &ref, nullptr), dirNFErr);
    EXPECT_EQ(FSPathMakeRef(nullptr, &ref, nullptr), paramErr);

    // The buffer must hold the path and its terminator, exactly.
    ASSERT_EQ(FSPathMakeRef(bytes(dir / "file.txt"), &ref, nullptr), noErr);
    std::string full = std::filesystem::canonical(dir / "file.txt").string();
    std::string buffer(full.size() + 1, '?');
    auto* out = reinterpret_cast<UInt8*>(buffer.data());
    EXPECT_EQ(FSRefMakePath(&ref, out, static_cast<UInt32>(full.size())), pathTooLongErr);
    EXPECT_EQ(FSRefMakePath(&ref, out, static_cast<UInt32>(full.size() + 1)), noErr);
    EXPECT_STREQ(buffer.c_str(), full.c_str());

    // A reference never filled, or one whose item has gone, names nothing.
    FSRef blank = {};
    EXPECT_EQ(FSRefMakePath(&blank, out, 10), errFSBadFSRef);
    EXPECT_EQ(CFURLCreateFromFSRef(nullptr, &blank), nullptr);
    ASSERT_EQ(unlink(full.c_str()), 0);
    EXPECT_EQ(FSRefMakePath(&ref, out, static_cast<UInt32>(buffer.size())), fnfErr);

    // A path longer than a reference holds is refused, not cut.
    std::string deep = std::filesystem::canonical(dir.path()).string();
    std::string component(200, 'd');
    while (deep.size() < kFSRefMaxPathSize) {
        deep += "/" + component;
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    EXPECT_EQ(FSPathMakeRef(bytes(deep), &ref, nullptr), pathTooLongErr);
}
