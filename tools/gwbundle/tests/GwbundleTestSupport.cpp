#include "GwbundleTestSupport.h"

#include "ZipTestHelpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace GwbundleTest {

std::string makeJpeg(int width, int height) {
    return TestSupport::halvesJPEG(width, height, 0x2060A0, 0xE0C040);
}

std::string writeInputs(const std::string& folder) {
    std::filesystem::copy(GWBUNDLE_TEST_INPUTS, folder, std::filesystem::copy_options::recursive);
    for (const char* name : {"background.jpg", "normal.jpg", "hover.jpg", "pressed.jpg"}) {
        TestSupport::writeFile(folder + "/art/" + name, makeJpeg(64, 48));
    }
    TestSupport::writeFile(folder + "/art/brand.jpg", makeJpeg(40, 30));
    TestSupport::writeFile(folder + "/art/brand-mask.jpg", makeJpeg(20, 15));
    TestSupport::writeFile(folder + "/main.nib", TestSupport::launcherNib("Demo Game"));
    // The programs of this build tree, by absolute path; Launcher and MacPlatform come last.
    const std::string manifest = folder + "/demo.manifest";
    TestSupport::writeFile(manifest, TestSupport::readFile(manifest) +
                                         "Plugin = " GWBUNDLE_COMPLETE_PLUGIN "\n"
                                         "Launcher = launcher\n"
                                         "MacPlatform = " GWBUNDLE_MACPLATFORM "\n");
    return manifest;
}

void BuiltBundle::SetUp() {
    manifest = writeInputs(dir / "inputs");
    bundle = dir / "Demo Game.app";
    ToolResult result = runTool({"build", manifest, bundle});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    ASSERT_THAT(result.output, testing::HasSubstr("all checks passed"));
}

ToolResult runTool(const std::vector<std::string>& arguments) {
    std::string command = ZipTest::quote(GWBUNDLE_TOOL);
    for (const std::string& argument : arguments) {
        command += " " + ZipTest::quote(argument);
    }
    command += " 2>&1";
    ToolResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    int status = pclose(pipe);
    result.exitStatus = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace GwbundleTest
