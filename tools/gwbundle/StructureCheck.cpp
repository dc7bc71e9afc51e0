#include "BundleChecks.h"
#include "BundleHandle.h"
#include "FileSystem.h"

#include "Text/PlainText.h"
#include "Text/RTFReader.h"

#include <cstdio>

namespace gwbundle {

namespace {

// The agreement text is shown in a text view; a file this large is a mistake.
constexpr std::uint64_t kMaxAgreementSize = 16 << 20;

// The launcher opens each of these for reading before anything else and quits with
// "Game File Missing" when one cannot be opened.
const char* const kRequiredFiles[] = {"Resources/Tessaly.dat", "Resources/Channel.dat",
                                      "Resources/Application.dat"};

bool opensForReading(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool hasVisibleText(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

} // namespace

void checkBundleStructure(const BundlePaths& paths, CheckReport& report) {
    const std::string plist = paths.contents + "/Info.plist";
    BundleHandle bundle(paths.bundle);
    if (!isRegularFile(plist)) {
        report.fail("Contents/Info.plist", "missing",
                    "write it with CFBundleExecutable, CFBundleIdentifier and CFBundleName "
                    "(gwbundle build does)");
    } else {
        for (const char* key : {"CFBundleIdentifier", "CFBundleName"}) {
            if (bundle.infoString(key).empty()) {
                report.fail("Contents/Info.plist", std::string("no ") + key + " string",
                            std::string("add the key ") + key + " with a string value");
            }
        }
        std::string executable = bundle.infoString("CFBundleExecutable");
        if (executable.empty() || executable.find('/') != std::string::npos || executable == "." ||
            executable == "..") {
            report.fail("Contents/Info.plist", "no usable CFBundleExecutable",
                        "set CFBundleExecutable to the launcher's file name in Contents/MacOS");
        } else if (!isExecutableFile(paths.contents + "/MacOS/" + executable)) {
            report.fail("Contents/MacOS/" + executable,
                        "missing or not executable (Info.plist names it as the program)",
                        "copy the launcher there and chmod +x it");
        }
    }
    if (!isRegularFile(paths.contents + "/Frameworks/libMacPlatform.so")) {
        report.fail("Contents/Frameworks/libMacPlatform.so", "missing",
                    "copy libMacPlatform.so there; the launcher loads it through "
                    "$ORIGIN/../Frameworks");
    }
    for (const char* file : kRequiredFiles) {
        std::string path = paths.contents + "/" + file;
        if (!opensForReading(path)) {
            report.fail(std::string("Contents/") + file,
                        "missing or unreadable: the launcher shows \"Game File Missing\" and "
                        "quits",
                        "put the file in Contents/Resources and make it readable");
        }
    }
}

void checkAgreement(const BundlePaths& paths, CheckReport& report) {
    BundleHandle bundle(paths.bundle);
    // The launcher prefers the RTF file and reads whichever it found as RTF or plain text by
    // its contents, not by its name.
    std::string path = bundle.resourcePath("EULA", "rtf");
    if (path.empty()) {
        path = bundle.resourcePath("EULA", "txt");
    }
    if (path.empty()) {
        report.fail("Contents/Resources/EULA.rtf",
                    "no agreement file (EULA.rtf or EULA.txt): the launcher would start "
                    "without asking the user to agree",
                    "add the game's agreement as EULA.rtf or EULA.txt");
        return;
    }
    const std::string name = paths.relative(path);
    std::string bytes;
    std::string error;
    if (!readWholeFile(path, kMaxAgreementSize, bytes, error)) {
        report.fail(name, "cannot be read (" + error + ")",
                    "make it a readable file of at most 16 MB");
        return;
    }
    std::string text;
    if (MacPlatform::isRTF(bytes)) {
        MacPlatform::RTFReadResult result = MacPlatform::readRTF(bytes);
        text = result.document.text;
        if (result.repairs != 0) {
            report.warn(name, "damaged RTF read with repairs: " +
                                  MacPlatform::describeRTFRepairs(result.repairs));
        }
    } else {
        text = MacPlatform::decodePlainText(bytes);
    }
    if (!hasVisibleText(text)) {
        report.fail(name, "shows no text", "put the agreement's text in it");
    }
}

} // namespace gwbundle
