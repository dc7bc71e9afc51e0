#include "GwbundleTestSupport.h"

#include "ArchivePacker.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

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
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>CFBundleExecutable</key><string>demo-game</string>
  <key>CFBundleIdentifier</key><string>com.example.demo</string>
</dict>
</plist>
)";

} // namespace

std::string makeJpeg(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(x * 255 / width);
            p[1] = static_cast<unsigned char>(y * 255 / height);
            p[2] = 128;
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int status = tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &out, &size,
                             TJSAMP_420, 90, 0);
    EXPECT_EQ(status, 0) << tjGetErrorStr2(handle);
    std::string bytes(reinterpret_cast<char*>(out), size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

void writeProgram(const std::string& path) {
    TestSupport::writeFile(path, "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(chmod(path.c_str(), 0755), 0) << path;
}

std::string validNib() {
    auto window = [](const char* name, int width, int height, const char* views) {
        return std::string("<key>") + name +
               "</key><dict><key>Class</key><string>Window</string>"
               "<key>Width</key><integer>" +
               std::to_string(width) + "</integer><key>Height</key><integer>" +
               std::to_string(height) + "</integer>" + views + "</dict>";
    };
    auto frame = [](int x, int y, int w, int h) {
        return "<key>Frame</key><dict><key>X</key><integer>" + std::to_string(x) +
               "</integer><key>Y</key><integer>" + std::to_string(y) +
               "</integer><key>Width</key><integer>" + std::to_string(w) +
               "</integer><key>Height</key><integer>" + std::to_string(h) + "</integer></dict>";
    };
    std::string views =
        "<key>Views</key><array>"
        "<dict><key>Class</key><string>ScrollView</string>" +
        frame(20, 20, 520, 330) +
        "<key>Subviews</key><array><dict><key>Class</key><string>TextView</string>" +
        frame(0, 0, 520, 330) +
        "<key>ControlID</key><dict><key>Signature</key><string>MTXT</string>"
        "<key>ID</key><integer>0</integer></dict></dict></array></dict>"
        "<dict><key>Class</key><string>PushButton</string>" +
        frame(340, 370, 100, 30) +
        "<key>Title</key><string>Disagree</string><key>Command</key><string>not!</string></dict>"
        "<dict><key>Class</key><string>PushButton</string>" +
        frame(450, 370, 90, 30) +
        "<key>Title</key><string>Agree</string><key>Command</key><string>ok  </string></dict>"
        "</array>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>NibFormat</key><integer>1</integer><key>Objects</key><dict>"
           "<key>MenuBar</key><dict><key>Class</key><string>MenuBar</string><key>Menus</key>"
           "<array><dict><key>Title</key><string>Game</string><key>Items</key><array>"
           "<dict><key>Title</key><string>Quit</string><key>Command</key><string>quit</string>"
           "<key>Key</key><string>q</string></dict></array></dict></array></dict>" +
           window("MainWindow", 720, 540, "") + window("EULAWindow", 560, 420, views.c_str()) +
           "</dict></dict></plist>\n";
}

std::string writeInputs(const std::string& folder) {
    const std::string art = folder + "/art";
    for (const char* name : {"background.jpg", "normal.jpg", "hover.jpg", "pressed.jpg"}) {
        TestSupport::writeFile(art + "/" + name, makeJpeg(64, 48));
    }
    TestSupport::writeFile(art + "/brand.jpg", makeJpeg(40, 30));
    TestSupport::writeFile(art + "/brand-mask.jpg", makeJpeg(20, 15));
    TestSupport::writeFile(folder + "/main.nib", validNib());
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
