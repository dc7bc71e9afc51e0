#include "BundleBuilder.h"

#include "ArchivePacker.h"
#include "FileSystem.h"
#include "GameInfoKeys.h"
#include "InfoPlistWriter.h"
#include "PluginEntryPoints.h"

#include <cstring>
#include <filesystem>
#include <limits.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace gwbundle {

namespace {

const char kDefaultExecutable[] = "GameWrapper";
// The bundle's icon for the desktop (gwbundle install), named by CFBundleIconFile.
const char kIconFileName[] = "Icon.png";

struct CopiedFile {
    const char* manifestKey;
    const char* target; // inside Contents/Resources
};

const CopiedFile kResourceFiles[] = {
    {"Background", "Background.jpg"},
    {"Button Normal", "button_normal.jpg"},
    {"Button Hover", "button_hover.jpg"},
    {"Button Pressed", "button_pressed.jpg"},
    {"Nib", "main.nib"},
    {"Plugin", kPluginFileName},
};

std::string toolFolder() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return {};
    }
    buffer[length] = '\0';
    return folderOf(buffer);
}

std::string fromToolFolder(const char* relative) {
    std::string folder = toolFolder();
    if (folder.empty() || relative[0] == '\0') {
        return {};
    }
    std::string path = absolutePath(folder + "/" + relative);
    return isRegularFile(path) ? path : std::string();
}

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = text[text.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

// The program to copy: the command line's choice, else the manifest's, else the build tree's.
std::string pickProgram(const std::string& option, const Manifest& manifest, const char* key,
                        const std::string& fallback) {
    if (!option.empty()) {
        return option;
    }
    return manifest.has(key) ? manifest.path(key) : fallback;
}

std::string gameExecPath(const Manifest& manifest) {
    return manifest.has("Game Exec Path") ? manifest.value("Game Exec Path")
                                          : baseName(manifest.path("Game"));
}

bool checkInputs(const Manifest& manifest, std::string& error) {
    for (const CopiedFile& file : kResourceFiles) {
        if (!isRegularFile(manifest.path(file.manifestKey))) {
            error = manifest.where(file.manifestKey) + ": " + file.manifestKey + " " +
                    manifest.path(file.manifestKey) + " is not a readable file";
            return false;
        }
    }
    for (const char* key : {"Agreement", "Branding", "Branding Mask", "Icon"}) {
        if ((manifest.has(key) || std::strcmp(key, "Icon") != 0) &&
            !isRegularFile(manifest.path(key))) {
            error = manifest.where(key) + ": " + key + " " + manifest.path(key) +
                    " is not a readable file";
            return false;
        }
    }
    std::string game = manifest.path("Game");
    if (!isFolder(game) && !isExecutableFile(game)) {
        error = manifest.where("Game") + ": Game " + game +
                " is neither a folder (the game's .app) nor an executable file";
        return false;
    }
    if (manifest.has("Plugin Data") && !isFolder(manifest.path("Plugin Data"))) {
        error = manifest.where("Plugin Data") + ": Plugin Data " + manifest.path("Plugin Data") +
                " is not a folder";
        return false;
    }
    std::string executable =
        manifest.has("Executable") ? manifest.value("Executable") : std::string(kDefaultExecutable);
    if (executable.find('/') != std::string::npos || executable == "." || executable == "..") {
        error = manifest.where("Executable") + ": Executable must be a plain file name";
        return false;
    }
    return true;
}

bool copyFolderContents(const std::string& from, const std::string& to, std::string& error) {
    std::error_code code;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, code)) {
        std::string target = to + "/" + entry.path().filename().string();
        bool ok = entry.is_directory() ? copyFolder(entry.path().string(), target, error)
                                       : copyFile(entry.path().string(), target, error);
        if (!ok) {
            return false;
        }
    }
    if (code) {
        error = "cannot read " + from + ": " + code.message();
        return false;
    }
    return true;
}

bool assemble(const Manifest& manifest, const std::string& bundle, const std::string& launcher,
              const std::string& macPlatform, std::string& error) {
    const std::string contents = bundle + "/Contents";
    const std::string resources = contents + "/Resources";
    const std::string executable =
        manifest.has("Executable") ? manifest.value("Executable") : std::string(kDefaultExecutable);
    std::vector<std::pair<std::string, std::string>> info = {
        {"CFBundleExecutable", executable},
        {"CFBundleIdentifier", manifest.value("Identifier")},
        {"CFBundleName", manifest.value("Name")},
        {"CFBundleVersion", manifest.value("Version")},
        {"CFBundlePackageType", "APPL"},
        {"CFBundleInfoDictionaryVersion", "6.0"}};
    if (manifest.has("Icon")) {
        info.emplace_back("CFBundleIconFile", kIconFileName);
        if (!makeFolders(resources, error) ||
            !copyFile(manifest.path("Icon"), resources + "/" + kIconFileName, error)) {
            return false;
        }
    }
    std::string gameInfo;
    if (!makeGameInfoText(manifest, gameInfo, error) || !makeFolders(resources, error) ||
        !makeFolders(contents + "/MacOS", error) || !makeFolders(contents + "/Frameworks", error) ||
        !makeFolders(bundle + "/.Game", error) ||
        !copyFile(launcher, contents + "/MacOS/" + executable, error) ||
        !copyFile(macPlatform, contents + "/Frameworks/libMacPlatform.so", error) ||
        !writeInfoPlist(contents + "/Info.plist", info, error) ||
        !writeWholeFile(resources + "/RAW_002.wdt", gameInfo, error)) {
        return false;
    }
    // The plug-in's own files first, so that the bundle's named resources win over any
    // same-named file in its data folder.
    if (manifest.has("Plugin Data") &&
        !copyFolderContents(manifest.path("Plugin Data"), resources, error)) {
        return false;
    }
    for (const CopiedFile& file : kResourceFiles) {
        if (!copyFile(manifest.path(file.manifestKey), resources + "/" + file.target, error)) {
            return false;
        }
    }
    std::string agreement = manifest.path("Agreement");
    std::string agreementName = endsWithIgnoringCase(agreement, ".rtf") ? "EULA.rtf" : "EULA.txt";
    if (!copyFile(agreement, resources + "/" + agreementName, error)) {
        return false;
    }
    std::string game = manifest.path("Game");
    std::string gameTarget = bundle + "/.Game/" + baseName(game);
    if (!(isFolder(game) ? copyFolder(game, gameTarget, error)
                         : copyFile(game, gameTarget, error))) {
        return false;
    }
    std::vector<PackMember> branding = {{"Branding.jpg", manifest.path("Branding")},
                                        {"BrandingMask.jpg", manifest.path("Branding Mask")}};
    if (!packArchive(resources + "/Channel.dat", branding, nullptr, error)) {
        return false;
    }
    for (const char* required : {"Tessaly.dat", "Application.dat"}) {
        if (!isRegularFile(resources + "/" + required)) {
            error = std::string("the bundle has no ") + required +
                    ", which the launcher refuses to start without: put it in the folder that "
                    "Plugin Data names";
            return false;
        }
    }
    return true;
}

} // namespace

std::string defaultLauncherPath() {
#ifdef GWBUNDLE_LAUNCHER_FROM_TOOL
    return fromToolFolder(GWBUNDLE_LAUNCHER_FROM_TOOL);
#else
    return {};
#endif
}

std::string defaultMacPlatformPath() {
#ifdef GWBUNDLE_MACPLATFORM_FROM_TOOL
    return fromToolFolder(GWBUNDLE_MACPLATFORM_FROM_TOOL);
#else
    return {};
#endif
}

bool makeGameInfoText(const Manifest& manifest, std::string& text, std::string& error) {
    text.clear();
    for (const GameInfoKey& key : gameInfoKeys()) {
        std::string value = key.value == GameInfoValue::gamePath ? gameExecPath(manifest)
                            : manifest.has(key.manifestKey)      ? manifest.value(key.manifestKey)
                                                                 : std::string(key.defaultText);
        if (std::optional<std::string> problem = gameInfoValueProblem(key, value)) {
            error = manifest.where(key.manifestKey) + ": " + key.manifestKey + " " + *problem;
            return false;
        }
        text += std::string(key.key) + value + "\n";
    }
    return true;
}

bool buildBundle(const Manifest& manifest, const BuildOptions& options, std::string& error) {
    std::string launcher =
        pickProgram(options.launcher, manifest, "Launcher", defaultLauncherPath());
    std::string macPlatform =
        pickProgram(options.macPlatform, manifest, "MacPlatform", defaultMacPlatformPath());
    if (launcher.empty() || !isExecutableFile(launcher)) {
        error = launcher.empty() ? "no launcher program: set Launcher in the manifest or pass "
                                   "--launcher (this build tree has none)"
                                 : launcher + ": the launcher is not an executable file";
        return false;
    }
    if (macPlatform.empty() || !isRegularFile(macPlatform)) {
        error = macPlatform.empty() ? "no libMacPlatform.so: set MacPlatform in the manifest or "
                                      "pass --macplatform"
                                    : macPlatform + ": not a readable file";
        return false;
    }
    if (!checkInputs(manifest, error)) {
        return false;
    }
    std::string output = absolutePath(options.output);
    std::error_code code;
    if (fs::exists(fs::symlink_status(output, code)) && !options.replace) {
        error = output + " already exists: pass --force to replace it";
        return false;
    }
    std::string staging = output + ".partial";
    fs::remove_all(staging, code);
    if (!assemble(manifest, staging, launcher, macPlatform, error)) {
        fs::remove_all(staging, code);
        return false;
    }
    fs::remove_all(output, code);
    fs::rename(staging, output, code);
    if (code) {
        error = "cannot move the bundle to " + output + ": " + code.message();
        fs::remove_all(staging, code);
        return false;
    }
    return true;
}

} // namespace gwbundle
