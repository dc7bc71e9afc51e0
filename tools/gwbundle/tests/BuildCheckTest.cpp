#include "ArchivePacker.h"
#include "BundleChecks.h"
#include "BundleHandle.h"
#include "GwbundleTestSupport.h"
#include "ZipDamagedCorpus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace GwbundleTest;

using GwbundleBuildCheck = BuiltBundle;

TEST_F(GwbundleBuildCheck, BuiltBundleHoldsWhatTheLauncherReads) {
    EXPECT_EQ(TestSupport::readFile(resources() + "/RAW_002.wdt"),
              "Application ID=1234\n"
              "Application Name=Demo Game\n"
              "Application Exec Path=Demo.app\n"
              "Developer Channel ID=7\n"
              "App Version String=Build 1.0.42\n"
              "Application Price=9.99\n"
              "Font Color Build=0xFFFFFF\n"
              "Font Color App Name=000000\n"
              "Build X=450\n"
              "Build Y=510\n"
              "Brand X=12\n"
              "Brand Y=22\n"
              "Track Child Processes=1\n");
    gwbundle::BundleHandle handle(bundle);
    EXPECT_EQ(handle.infoString("CFBundleExecutable"), "GameWrapper");
    EXPECT_EQ(handle.infoString("CFBundleIdentifier"), "com.example.demo-puzzle");
    EXPECT_EQ(handle.infoString("CFBundleName"), "Demo Game");
    EXPECT_EQ(handle.resourcePath("EULA", "rtf"), resources() + "/EULA.rtf");
    EXPECT_EQ(TestSupport::readFile(resources() + "/Tessaly/catalogue.txt"), "Other Game\n");
    EXPECT_EQ(access((bundle + "/.Game/Demo.app/Contents/MacOS/demo-game").c_str(), X_OK), 0);
    EXPECT_EQ(access((bundle + "/Contents/MacOS/GameWrapper").c_str(), X_OK), 0);
    EXPECT_TRUE(TestSupport::pathExists(bundle + "/Contents/Frameworks/libMacPlatform.so"));
    EXPECT_FALSE(TestSupport::pathExists(bundle + ".partial"));

    ToolResult again = runTool({"build", manifest, bundle});
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_THAT(again.output, testing::HasSubstr("already exists: pass --force"));
    EXPECT_EQ(runTool({"build", "--force", manifest, bundle}).exitStatus, 0);
}

TEST_F(GwbundleBuildCheck, EachBreakageGivesOneLineNamingTheFile) {
    // A file of the bundle rewritten (mode 0644) with its first `from` replaced by `to`, or with
    // the bytes `to` when `from` is empty.
    struct Breakage {
        std::string file; // inside the bundle
        std::string from;
        std::string to;
        const char* expectedLine; // the start of the one failure line
    };
    std::string error;
    TestSupport::writeFile(dir / "brand.jpg", makeJpeg(8, 8));
    ASSERT_TRUE(gwbundle::packArchive(dir / "maskless.dat", {{"Branding.jpg", dir / "brand.jpg"}},
                                      nullptr, error))
        << error;
    const std::string res = "Contents/Resources/";
    const Breakage breakages[] = {
        {res + "RAW_002.wdt", "Application ID=1234\n", "",
         "Contents/Resources/RAW_002.wdt: no 'Application ID=' line"},
        {res + "RAW_002.wdt", "Application ID=1234", "Application ID=12a",
         "Contents/Resources/RAW_002.wdt: Application ID= is '12a', not a whole number"},
        {".Game/Demo.app/Contents/MacOS/demo-game", "exit", "exit",
         "Contents/Resources/RAW_002.wdt: Application Exec Path=Demo.app does not name a game"},
        {res + "button_hover.jpg", "", makeJpeg(64, 48).substr(0, 200),
         "Contents/Resources/button_hover.jpg: is not a JPEG picture the launcher can decode"},
        {res + "Channel.dat", "", TestSupport::readFile(dir / "maskless.dat"),
         "Contents/Resources/Channel.dat: has no member BrandingMask.jpg"},
        {res + "Pellucid.dylib", "", TestSupport::readFile(GWBUNDLE_PLUGIN_MISSING_EXPORT),
         "Contents/Resources/Pellucid.dylib: does not export kxdll_SetTrackingMetadata"},
        {res + "Pellucid.dylib", "", "not a shared object",
         "Contents/Resources/Pellucid.dylib: cannot be loaded"},
        {res + "main.nib", "<integer>720</integer>", "<string>wide</string>",
         "Contents/Resources/main.nib: does not parse: Objects.MainWindow.Width"},
        {res + "main.nib", "MTXT", "TEXT",
         "Contents/Resources/main.nib: EULAWindow has no TextView with ControlID MTXT / 0"},
        {res + "EULA.rtf", "", "{\\rtf1\\ansi {\\fonttbl x}}",
         "Contents/Resources/EULA.rtf: shows no text"},
    };
    for (const Breakage& breakage : breakages) {
        SCOPED_TRACE(breakage.expectedLine);
        const std::string broken = dir / "broken.app";
        std::filesystem::remove_all(broken);
        std::filesystem::copy(bundle, broken,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::copy_symlinks);
        const std::string path = broken + "/" + breakage.file;
        std::string bytes = TestSupport::readFile(path);
        std::filesystem::remove(path);
        TestSupport::writeFile(path, breakage.from.empty()
                                         ? breakage.to
                                         : bytes.replace(bytes.find(breakage.from),
                                                         breakage.from.size(), breakage.to));
        gwbundle::CheckReport report = gwbundle::checkBundle(broken);
        ASSERT_EQ(report.failures().size(), 1u) << testing::PrintToString(report.failures());
        EXPECT_THAT(report.failures()[0], testing::StartsWith(breakage.expectedLine));
        EXPECT_THAT(report.failures()[0], testing::HasSubstr(". Fix: "));
    }
}

TEST_F(GwbundleBuildCheck, CheckCommandReportsAndSetsItsExitStatus) {
    ToolResult good = runTool({"check", bundle});
    EXPECT_EQ(good.exitStatus, 0) << good.output;

    const char* removed[] = {"Application.dat", "main.nib", "Pellucid.dylib", "button_hover.jpg"};
    for (const char* name : removed) {
        std::filesystem::remove(resources() + "/" + name);
    }
    ToolResult bad = runTool({"check", bundle});
    EXPECT_EQ(bad.exitStatus, 1);
    for (const char* name : removed) {
        EXPECT_THAT(bad.output,
                    testing::HasSubstr(std::string("Contents/Resources/") + name + ": missing"));
    }
    EXPECT_THAT(bad.output, testing::HasSubstr("4 problems to fix"));

    ToolResult help = runTool({"keygen", "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_THAT(help.output, testing::StartsWith("usage: gwbundle keygen"));
    EXPECT_EQ(runTool({"frobnicate"}).exitStatus, 1);
    EXPECT_EQ(runTool({"check", dir / "nowhere.app"}).exitStatus, 1);
}

TEST_F(GwbundleBuildCheck, WarningsAndCrashingPluginsDoNotStopTheCheck) {
    std::string text = TestSupport::readFile(resources() + "/RAW_002.wdt");
    TestSupport::writeFile(resources() + "/RAW_002.wdt",
                           text + "Aplication Price=1\nApplication Name=Second\n");
    std::filesystem::copy_file(GWBUNDLE_PLUGIN_CRASHING, resources() + "/Pellucid.dylib",
                               std::filesystem::copy_options::overwrite_existing);

    gwbundle::CheckReport report = gwbundle::checkBundle(bundle);
    ASSERT_EQ(report.failures().size(), 1u) << testing::PrintToString(report.failures());
    EXPECT_EQ(
        report.failures()[0].rfind("Contents/Resources/Pellucid.dylib: crashed while loading (", 0),
        0u)
        << report.failures()[0];
    EXPECT_EQ(report.warnings(),
              (std::vector<std::string>{
                  "Contents/Resources/RAW_002.wdt: warning: line 14: 'Aplication Price=' is not a "
                  "key the launcher reads",
                  "Contents/Resources/RAW_002.wdt: warning: line 15: a second 'Application "
                  "Name=' line is never read (the first wins)"}));
}

#ifdef GWBUNDLE_BUILT_LAUNCHER
TEST_F(GwbundleBuildCheck, ProgramsOfTheBuildTreeAreTheDefaults) {
    std::string text = TestSupport::readFile(manifest);
    TestSupport::writeFile(manifest, text.substr(0, text.find("Launcher = ")));
    ToolResult result = runTool({"build", "--force", manifest, bundle});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(TestSupport::readFile(bundle + "/Contents/MacOS/GameWrapper"),
              TestSupport::readFile(GWBUNDLE_BUILT_LAUNCHER));
    EXPECT_EQ(TestSupport::readFile(bundle + "/Contents/Frameworks/libMacPlatform.so"),
              TestSupport::readFile(GWBUNDLE_MACPLATFORM));

    ToolResult overridden = runTool({"build", "--force", "--launcher", dir / "inputs/launcher",
                                     "--macplatform", GWBUNDLE_MACPLATFORM, manifest, bundle});
    ASSERT_EQ(overridden.exitStatus, 0) << overridden.output;
    EXPECT_EQ(TestSupport::readFile(bundle + "/Contents/MacOS/GameWrapper"),
              TestSupport::readFile(dir / "inputs/launcher"));
}
#endif

TEST_F(GwbundleBuildCheck, ArchivesTheLauncherCannotReadGiveOneLineWithTheReason) {
    const std::string channel = resources() + "/Channel.dat";
    // What zip makes with its defaults: deflated members.
    std::filesystem::copy_file(GWBUNDLE_TEST_INPUTS "/deflated.dat", channel,
                               std::filesystem::copy_options::overwrite_existing);
    std::vector<std::string> lines = gwbundle::checkBundle(bundle).failures();
    ASSERT_EQ(lines.size(), 1u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "Contents/Resources/Channel.dat: the member Branding.jpg is compressed "
                        "(method 8, deflate); only stored members (method 0) can be read (the "
                        "launcher stops with \"Compressed Zip File Found\"). Fix: pack it with "
                        "`gwbundle pack`, or `zip -0 -X`");

    for (const ZipTest::DamagedArchive& damaged :
         ZipTest::damagedArchives(makeJpeg(40, 30), makeJpeg(20, 15))) {
        SCOPED_TRACE(damaged.what);
        TestSupport::writeFile(channel, damaged.bytes);
        lines = gwbundle::checkBundle(bundle).failures();
        ASSERT_EQ(lines.size(), 1u) << testing::PrintToString(lines);
        // Damage the reader reads past is still damage to other tools.
        const char* expected = damaged.error == CZipError::None
                                   ? "Contents/Resources/Channel.dat: other zip tools (unzip, "
                                     "Python's zipfile) refuse it: "
                                   : "Contents/Resources/Channel.dat: cannot be read as a zip "
                                     "archive: ";
        EXPECT_THAT(lines[0], testing::StartsWith(expected));
    }
}
