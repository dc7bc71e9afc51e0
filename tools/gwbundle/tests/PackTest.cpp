#include "ArchivePacker.h"
#include "GwbundleTestSupport.h"
#include "ZipTestHelpers.h"

#include "CorvaneCore/ZipArchive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

using namespace GwbundleTest;

TEST(GwbundlePack, ArchiveReadsBackInOurReaderAndOtherTools) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "in/Branding.jpg", makeJpeg(30, 20));
    TestSupport::writeFile(dir / "in/mask.bin", std::string(70000, '\xAB'));
    TestSupport::writeFile(dir / "in/empty.txt", "");
    const std::string archive = dir / "out/Channel.dat";
    TestSupport::makeDirectories(dir / "out");

    ToolResult result =
        runTool({"pack", archive, dir / "in/Branding.jpg",
                 "Masks/BrandingMask.jpg=" + (dir / "in/mask.bin"), dir / "in/empty.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(result.output, "") << "small inputs print no progress";

    std::map<std::string, std::string> members = ZipTest::readEverything(archive);
    EXPECT_EQ(members, (std::map<std::string, std::string>{
                           {"Branding.jpg", TestSupport::readFile(dir / "in/Branding.jpg")},
                           {"Masks/BrandingMask.jpg", std::string(70000, '\xAB')},
                           {"empty.txt", ""}}));
    // Both check every member's CRC-32 and need the standard end record.
    EXPECT_TRUE(ZipTest::unzipTestPasses(archive));
    EXPECT_TRUE(ZipTest::pythonTestzipPasses(archive));
    EXPECT_FALSE(TestSupport::pathExists(archive + ".partial"));
}

TEST(GwbundlePack, RefusesBadMembersAndKeepsTheOldArchive) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "a.jpg", "aaa");
    TestSupport::writeFile(dir / "sub/A.JPG", "AAA");
    const std::string archive = dir / "x.dat";
    TestSupport::writeFile(archive, "the archive that was there before");

    struct Case {
        std::vector<std::string> files;
        const char* message;
    };
    const Case cases[] = {
        {{dir / "a.jpg", dir / "sub/A.JPG"}, "compared without case"},
        {{dir / "missing.jpg"}, "not a readable regular file"},
        {{"../up.jpg=" + (dir / "a.jpg")}, "no '.' or '..'"},
        {{"/abs.jpg=" + (dir / "a.jpg")}, "relative path"},
        {{"folder/=" + (dir / "a.jpg")}, "relative path"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"pack", archive};
        arguments.insert(arguments.end(), c.files.begin(), c.files.end());
        ToolResult result = runTool(arguments);
        EXPECT_EQ(result.exitStatus, 1) << c.message;
        EXPECT_THAT(result.output, testing::HasSubstr(c.message));
        EXPECT_EQ(TestSupport::readFile(archive), "the archive that was there before");
    }
    ToolResult noFiles = runTool({"pack", archive});
    EXPECT_EQ(noFiles.exitStatus, 1);
    EXPECT_THAT(noFiles.output, testing::HasSubstr("at least one file"));
}

TEST(GwbundlePack, LargeInputsReportProgressUntilDone) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "big.bin", std::string(17 << 20, 'z'));
    const std::string archive = dir / "big.dat";
    ToolResult result = runTool({"pack", archive, dir / "big.bin"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_THAT(result.output, testing::HasSubstr("big.dat: 10%\n"));
    EXPECT_THAT(result.output, testing::HasSubstr("big.dat: 100%\n"));
    EXPECT_EQ(runTool({"pack", "--quiet", archive, dir / "big.bin"}).output, "");
    EXPECT_TRUE(ZipTest::unzipTestPasses(archive));
}
