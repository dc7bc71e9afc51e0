#include "BundleChecks.h"
#include "BundleHandle.h"
#include "FileSystem.h"
#include "GameInfoKeys.h"

#include "GWData.h"
#include "Processes/Launcher.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gwbundle {

namespace {

constexpr std::uint64_t kMaxGameInfoSize = 1 << 20;
const char kGameInfoName[] = "RAW_002.wdt";

// The launcher's own line search, with a buffer large enough to see a value whole, so that an
// over-long value can be reported rather than silently cut.
bool findValue(const std::string& text, const char* key, std::string& value) {
    std::vector<char> buffer(text.size() + 1);
    long found = GWData::GetStringForLineStartingWith(
        buffer.data(), static_cast<long>(buffer.size()), text.c_str(), key, '\n');
    value = buffer.data();
    return found != 0;
}

std::string lineKey(const std::string& line) {
    std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals + 1);
}

// Lines the launcher never reads: a misspelt key, or a second line of a key (the first wins).
void warnAboutUnreadLines(const std::string& text, const std::string& file, CheckReport& report) {
    std::vector<std::string> seen;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        ++lineNumber;
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        std::string key = lineKey(line);
        if (key.empty()) {
            continue;
        }
        bool known = false;
        for (const GameInfoKey& info : gameInfoKeys()) {
            known = known || key == info.key;
        }
        std::string at = "line " + std::to_string(lineNumber) + ": ";
        if (!known) {
            report.warn(file, at + "'" + key + "' is not a key the launcher reads");
        } else if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            report.warn(file, at + "a second '" + key + "' line is never read (the first wins)");
        } else {
            seen.push_back(key);
        }
    }
}

std::string launchProblem(OSStatus status) {
    switch (status) {
    case kLSApplicationNotFoundErr:
        return "there is nothing at that path";
    case kLSNotAnApplicationErr:
        return "it is neither an .app folder nor an executable file";
    case kLSNoExecutableErr:
        return "the .app's program (Contents/MacOS/ named by its CFBundleExecutable) is missing "
               "or not executable";
    case kLSNoLaunchPermissionErr:
        return "permission denied";
    default:
        return "it cannot be opened (error " + std::to_string(status) + ")";
    }
}

void checkGamePath(const BundlePaths& paths, const std::string& file, const std::string& execPath,
                   CheckReport& report) {
    if (!isFolder(paths.games)) {
        report.fail(".Game", "missing: the game lies in this hidden folder beside Contents",
                    "copy the game's .app folder into " + paths.bundle + "/.Game");
        return;
    }
    std::string program;
    OSStatus status = MacPlatform::resolveExecutable(paths.games + "/" + execPath, &program);
    if (status != noErr) {
        report.fail(file,
                    "Application Exec Path=" + execPath +
                        " does not name a game in .Game: " + launchProblem(status),
                    "copy the game to .Game/" + execPath +
                        " (an .app needs Contents/Info.plist and an executable "
                        "Contents/MacOS program) or correct the path");
    }
}

} // namespace

void checkGameInformation(const BundlePaths& paths, CheckReport& report) {
    BundleHandle bundle(paths.bundle);
    std::string path = bundle.resourcePath(kGameInfoName, "");
    if (path.empty()) {
        report.fail("Contents/Resources/RAW_002.wdt",
                    "missing: the launcher cannot start without its game information",
                    "write it with Key=value lines (docs/publishing.md lists the keys)");
        return;
    }
    const std::string file = paths.relative(path);
    std::string bytes;
    std::string error;
    if (!readWholeFile(path, kMaxGameInfoSize, bytes, error)) {
        report.fail(file, "cannot be read (" + error + ")", "make it a readable text file");
        return;
    }
    // The launcher holds the text as a C string: nothing after a NUL byte is ever read.
    std::string text = bytes.substr(0, std::strlen(bytes.c_str()));
    if (text.size() != bytes.size()) {
        report.warn(file, "holds a NUL byte; everything after it is ignored");
    }
    std::string execPath;
    for (const GameInfoKey& key : gameInfoKeys()) {
        std::string value;
        if (!findValue(text, key.key, value)) {
            if (key.required) {
                report.fail(file, std::string("no '") + key.key + "' line",
                            std::string("add a line '") + key.key + "<" +
                                describeExpectedValue(key.value) + ">' at the start of a line");
            }
            continue;
        }
        if (std::optional<std::string> problem = gameInfoValueProblem(key, value)) {
            report.fail(file, std::string(key.key) + " " + *problem,
                        std::string("write ") + describeExpectedValue(key.value) + " after '" +
                            key.key + "'");
        } else if (key.value == GameInfoValue::gamePath) {
            execPath = value;
        }
    }
    warnAboutUnreadLines(text, file, report);
    if (!execPath.empty()) {
        checkGamePath(paths, file, execPath, report);
    }
}

} // namespace gwbundle
