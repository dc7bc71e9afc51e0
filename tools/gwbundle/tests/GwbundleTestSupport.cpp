#include "GwbundleTestSupport.h"

#include "ArchivePacker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace GwbundleTest {

namespace {

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

const char kGameInfoPlist[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
  <key>CFBundleExecutable</key><string>demo-game</string>
  <key>CFBundleIdentifier</key><string>com.example.demo</string>
</dict>
</plist>
)";

} // namespace

std::string makeJpeg(int width, int height) {
    return TestSupport::halvesJPEG(width, height, 0x2060A0, 0xE0C040);
}

void writeProgram(const std::string& path) {
    TestSupport::writeFile(path, "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(chmod(path.c_str(), 0755), 0) << path;
}

std::string writeInputs(const std::string& folder) {
    const std::string art = folder + "/art";
    for (const char* name : {"background.jpg", "normal.jpg", "hover.jpg", "pressed.jpg"}) {
        TestSupport::writeFile(art + "/" + name, makeJpeg(64, 48));
    }
    TestSupport::writeFile(art + "/brand.jpg", makeJpeg(40, 30));
    TestSupport::writeFile(art + "/brand-mask.jpg", makeJpeg(20, 15));
    TestSupport::writeFile(folder + "/main.nib", TestSupport::launcherNib("Demo Game"));
    TestSupport::writeFile(folder + "/License.rtf",
                           "{\\rtf1\\ansi Please read this agreement.\\par}");
    TestSupport::writeFile(folder + "/game/Demo.app/Contents/Info.plist", kGameInfoPlist);
    writeProgram(folder + "/game/Demo.app/Contents/MacOS/demo-game");
    writeProgram(folder + "/launcher");

    const std::string data = folder + "/plugin-data";
    TestSupport::writeFile(data + "/Tessaly/catalogue.txt", "Other Game\n");
    TestSupport::writeFile(folder + "/catalogue.txt", "Other Game\n");
    std::string error;
    EXPECT_TRUE(gwbundle::packArchive(
        data + "/Tessaly.dat", {{"catalogue.txt", folder + "/catalogue.txt"}}, nullptr, error))
        << error;
    EXPECT_TRUE(gwbundle::packArchive(
        data + "/Application.dat", {{"settings.txt", folder + "/catalogue.txt"}}, nullptr, error))
        << error;

    const std::string manifest = folder + "/demo.manifest";
    TestSupport::writeFile(manifest, std::string("# Demo Game, as a publisher writes it\n"
                                                 "Name = Demo Game\n"
                                                 "Identifier = com.example.demo-launcher\n"
                                                 "Application ID = 1234\n"
                                                 "Channel ID = 7\n"
                                                 "Price = 9.99\n"
                                                 "Version = Build 1.0.42\n"
                                                 "Build Color = 0xFFFFFF\n"
                                                 "brand x = 12\n"
                                                 "Track Child Processes = 1\n"
                                                 "\n"
                                                 "Background = art/background.jpg\n"
                                                 "Button Normal = art/normal.jpg\n"
                                                 "Button Hover = art/hover.jpg\n"
                                                 "Button Pressed = art/pressed.jpg\n"
                                                 "Branding = art/brand.jpg\n"
                                                 "Branding Mask = art/brand-mask.jpg\n"
                                                 "Nib = main.nib\n"
                                                 "Agreement = License.rtf\n"
                                                 "Game = game/Demo.app\n"
                                                 "Plugin = ") +
                                         GWBUNDLE_COMPLETE_PLUGIN +
                                         "\n"
                                         "Plugin Data = plugin-data\n"
                                         "Launcher = launcher\n"
                                         "MacPlatform = " GWBUNDLE_MACPLATFORM "\n");
    return manifest;
}

ToolResult runTool(const std::vector<std::string>& arguments) {
    std::string command = quote(GWBUNDLE_TOOL);
    for (const std::string& argument : arguments) {
        command += " " + quote(argument);
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
