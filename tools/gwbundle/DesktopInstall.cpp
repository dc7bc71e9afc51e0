#include "DesktopInstall.h"

#include "BundleHandle.h"
#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace gwbundle {

namespace {

// The fixed sizes of the hicolor theme's index; an icon of another size would not be found.
const int kThemeSizes[] = {16, 22, 24, 32, 36, 48, 64, 72, 96, 128, 192, 256, 512};

constexpr std::uint64_t kMaxIconSize = 8 << 20;

struct IconFile {
    std::string source;
    int size = 0;
};

// Record lines: "d PATH" for a folder install made, "f PATH" for a file it wrote, in order.
struct Record {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

std::string recordPath(const std::string& dataFolder, const std::string& identifier) {
    return dataFolder + "/gwbundle/" + identifier + ".installed";
}

// Identifiers become file names and the icon's name: reverse-DNS letters, digits, '.', '-'
// and '_', without empty components.
bool isUsableIdentifier(const std::string& identifier) {
    if (identifier.empty() || identifier.front() == '.' || identifier.back() == '.' ||
        identifier.find("..") != std::string::npos) {
        return false;
    }
    return std::all_of(identifier.begin(), identifier.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == '_';
    });
}

// Escapes of a desktop entry's string values.
std::string escapeValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One argument of the Exec key: quoted when it holds a reserved character, with '"', '`', '$'
// and '\' escaped inside the quotes, and '%' doubled so it is not a field code. The value's
// own string escapes apply on top (escapeValue).
std::string execArgument(const std::string& argument) {
    static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c == '%' ? std::string("%%") : std::string(1, c);
    }
    if (argument.find_first_of(kReserved) != std::string::npos) {
        out = '"' + out + '"';
    }
    return escapeValue(out);
}

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// The PNG's size from its header chunk, which every PNG starts with.
bool readPngSize(const std::string& path, int& width, int& height, std::string& error) {
    std::string bytes;
    if (!readWholeFile(path, kMaxIconSize, bytes, error)) {
        return false;
    }
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || bytes.compare(0, 8, kSignature, 8) != 0 ||
        bytes.compare(12, 4, "IHDR") != 0) {
        error = path + ": not a PNG picture";
        return false;
    }
    std::uint32_t w = bigEndian32(bytes, 16);
    std::uint32_t h = bigEndian32(bytes, 20);
    width = w > INT_MAX ? 0 : static_cast<int>(w);
    height = h > INT_MAX ? 0 : static_cast<int>(h);
    return true;
}

// The bundle's icon: the PNG that Info.plist's CFBundleIconFile names in the resources
// folder, with or without its extension. None when the key is absent.
bool findIcons(const BundleHandle& bundle, std::vector<IconFile>& icons, std::string& error) {
    const std::string name = bundle.infoString("CFBundleIconFile");
    if (name.empty()) {
        return true;
    }
    std::string path = bundle.resourcePath(name, "");
    if (path.empty()) {
        path = bundle.resourcePath(name, "png");
    }
    if (path.empty()) {
        error = "CFBundleIconFile names " + name + ", which is not in Contents/Resources";
        return false;
    }
    IconFile icon{path, 0};
    int height = 0;
    if (!readPngSize(path, icon.size, height, error)) {
        return false;
    }
    if (icon.size != height || std::find(std::begin(kThemeSizes), std::end(kThemeSizes),
                                         icon.size) == std::end(kThemeSizes)) {
        error = path + ": the icon is " + std::to_string(icon.size) + " x " +
                std::to_string(height) +
                "; the desktop's icon theme takes square icons of 16, 22, 24, 32, 36, 48, 64, "
                "72, 96, 128, 192, 256 or 512 pixels";
        return false;
    }
    icons.push_back(icon);
    return true;
}

bool readRecord(const std::string& path, Record& record, std::string& error) {
    std::string text;
    if (!readWholeFile(path, 1 << 20, text, error)) {
        return false;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() > 3 && line[1] == ' ' && line[2] == '/' &&
            (line[0] == 'd' || line[0] == 'f')) {
            (line[0] == 'd' ? record.folders : record.files).push_back(line.substr(2));
        } else if (!line.empty()) {
            error = path + ": damaged record line '" + line + "'";
            return false;
        }
    }
    return true;
}

// Removes the record's files, then its folders (the deepest first) where they are empty.
void removeRecorded(const Record& record, std::vector<std::string>& removed) {
    for (const std::string& file : record.files) {
        if (unlink(file.c_str()) == 0) {
            removed.push_back(file);
        }
    }
    for (auto folder = record.folders.rbegin(); folder != record.folders.rend(); ++folder) {
        if (rmdir(folder->c_str()) == 0) {
            removed.push_back(*folder);
        }
    }
}

// Makes path and the folders above it, recording each one made.
bool makeRecordedFolders(const std::string& path, Record& record, std::string& error) {
    if (path.empty() || isFolder(path)) {
        return true;
    }
    if (!makeRecordedFolders(folderOf(path), record, error)) {
        return false;
    }
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot make " + path + ": " + std::strerror(errno);
        return false;
    }
    record.folders.push_back(path);
    return true;
}

bool writeRecorded(const std::string& path, const std::string& bytes, Record& record,
                   std::string& error) {
    if (!makeRecordedFolders(folderOf(path), record, error)) {
        return false;
    }
    record.files.push_back(path);
    return writeWholeFile(path, bytes, error);
}

std::string recordText(const Record& record) {
    std::string text;
    for (const std::string& folder : record.folders) {
        text += "d " + folder + "\n";
    }
    for (const std::string& file : record.files) {
        text += "f " + file + "\n";
    }
    return text;
}

std::string identifierOf(const std::string& bundleOrIdentifier) {
    if (!isFolder(bundleOrIdentifier)) {
        return bundleOrIdentifier;
    }
    return BundleHandle(absolutePath(bundleOrIdentifier)).infoString("CFBundleIdentifier");
}

} // namespace

std::string desktopEntryText(const DesktopEntry& entry) {
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=" +
                       escapeValue(entry.name) + "\nExec=" + execArgument(entry.program) + "\n";
    if (!entry.icon.empty()) {
        text += "Icon=" + escapeValue(entry.icon) + "\n";
    }
    text += "Terminal=false\n"
            "Categories=Game;\n"
            "StartupWMClass=" +
            escapeValue(entry.identifier) + "\n";
    return text;
}

std::string userDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') {
        return data;
    }
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/share" : std::string();
}

bool installBundle(const std::string& bundlePath, const std::string& dataFolder,
                   std::vector<std::string>& written, std::string& error) {
    const std::string bundle = absolutePath(bundlePath);
    BundleHandle handle(bundle);
    if (!isFolder(bundle) || !isRegularFile(bundle + "/Contents/Info.plist")) {
        error = bundle + ": not a bundle (no Contents/Info.plist)";
        return false;
    }
    DesktopEntry entry;
    entry.identifier = handle.infoString("CFBundleIdentifier");
    entry.name = handle.infoString("CFBundleName");
    const std::string executable = handle.infoString("CFBundleExecutable");
    if (!isUsableIdentifier(entry.identifier)) {
        error = bundle + ": CFBundleIdentifier '" + entry.identifier +
                "' is not a reverse-DNS name of letters, digits, '.', '-' and '_'";
        return false;
    }
    if (entry.name.empty()) {
        error = bundle + ": Info.plist has no CFBundleName for the menu";
        return false;
    }
    char real[PATH_MAX];
    const std::string launcher = bundle + "/Contents/MacOS/" + executable;
    if (executable.empty() || executable.find('/') != std::string::npos ||
        !isExecutableFile(launcher) || !realpath(launcher.c_str(), real)) {
        error = launcher + ": the launcher that CFBundleExecutable names is not an executable file";
        return false;
    }
    entry.program = real;
    std::vector<IconFile> icons;
    if (!findIcons(handle, icons, error)) {
        return false;
    }
    if (!icons.empty()) {
        entry.icon = entry.identifier;
    }

    // A new install replaces the files of an earlier one; any other file in the way stays.
    const std::string record = recordPath(dataFolder, entry.identifier);
    if (isRegularFile(record)) {
        std::vector<std::string> removed;
        if (!uninstallBundle(entry.identifier, dataFolder, removed, error)) {
            return false;
        }
    }
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back(dataFolder + "/applications/" + entry.identifier + ".desktop",
                       desktopEntryText(entry));
    for (const IconFile& icon : icons) {
        std::string bytes;
        if (!readWholeFile(icon.source, kMaxIconSize, bytes, error)) {
            return false;
        }
        const std::string size = std::to_string(icon.size);
        files.emplace_back(dataFolder + "/icons/hicolor/" + size + "x" + size + "/apps/" +
                               entry.identifier + ".png",
                           bytes);
    }
    for (const auto& [path, bytes] : files) {
        struct stat info;
        if (lstat(path.c_str(), &info) == 0) {
            error = path + " exists and is not from an earlier gwbundle install: remove it first";
            return false;
        }
    }

    Record made;
    bool ok = true;
    for (const auto& [path, bytes] : files) {
        ok = ok && writeRecorded(path, bytes, made, error);
    }
    // The record lists itself and its folder, so that uninstall leaves nothing behind.
    ok = ok && makeRecordedFolders(folderOf(record), made, error);
    if (ok) {
        made.files.push_back(record);
        ok = writeWholeFile(record, recordText(made), error);
    }
    if (!ok) {
        std::vector<std::string> undone;
        removeRecorded(made, undone);
        return false;
    }
    written = made.files;
    return true;
}

bool uninstallBundle(const std::string& bundleOrIdentifier, const std::string& dataFolder,
                     std::vector<std::string>& removed, std::string& error) {
    const std::string identifier = identifierOf(bundleOrIdentifier);
    if (!isUsableIdentifier(identifier)) {
        error = bundleOrIdentifier + ": no usable CFBundleIdentifier to uninstall";
        return false;
    }
    const std::string path = recordPath(dataFolder, identifier);
    if (!isRegularFile(path)) {
        error = identifier + " is not installed under " + dataFolder + " (no " + path + ")";
        return false;
    }
    Record record;
    if (!readRecord(path, record, error)) {
        return false;
    }
    // Only files under the data folder are touched, whatever a damaged record says; folders
    // may also be the data folder and those above it, which install made when they were
    // missing (and which are removed only when empty).
    const std::string inside = dataFolder + "/";
    auto isInside = [&](const std::string& entry) {
        return entry.compare(0, inside.size(), inside) == 0 &&
               entry.find("/../") == std::string::npos;
    };
    auto isAbove = [&](const std::string& entry) {
        return entry == dataFolder || inside.compare(0, entry.size() + 1, entry + "/") == 0;
    };
    for (const std::string& entry : record.files) {
        if (!isInside(entry)) {
            error = path + ": lists " + entry + ", which is outside " + dataFolder;
            return false;
        }
    }
    for (const std::string& entry : record.folders) {
        if (!isInside(entry) && !isAbove(entry)) {
            error = path + ": lists " + entry + ", which is outside " + dataFolder;
            return false;
        }
    }
    removeRecorded(record, removed);
    return true;
}

} // namespace gwbundle
