#include "Manifest.h"

#include "FileSystem.h"
#include "GameInfoKeys.h"

#include <cstring>
#include <strings.h>

namespace gwbundle {

namespace {

// A manifest is a few dozen lines; anything far larger is the wrong file.
constexpr std::uint64_t kMaxManifestSize = 1 << 20;

std::vector<ManifestKey> makeKeys() {
    std::vector<ManifestKey> keys = {
        {"Identifier", true, false, "CFBundleIdentifier of the bundle, such as com.example.game"},
        {"Game", true, true, "the game's .app folder (or program), copied into .Game"},
        {"Plugin", true, true, "the storefront plug-in, copied as Pellucid.dylib"},
        {"Plugin Data", false, true,
         "a folder whose contents are copied into Resources: the plug-in's data files, "
         "Tessaly.dat and Application.dat among them"},
        {"Nib", true, true, "the nib file, copied as main.nib"},
        {"Agreement", true, true, "the agreement text, copied as EULA.rtf (.rtf) or EULA.txt"},
        {"Background", true, true, "start page background picture (JPEG)"},
        {"Button Normal", true, true, "image button picture (JPEG)"},
        {"Button Hover", true, true, "image button picture under the mouse (JPEG)"},
        {"Button Pressed", true, true, "image button picture while pressed (JPEG)"},
        {"Branding", true, true, "branding picture (JPEG), packed into Channel.dat"},
        {"Branding Mask", true, true,
         "branding mask (JPEG; white opaque, black transparent), packed into Channel.dat"},
        {"Icon", false, true,
         "the bundle's icon for the desktop's menu: a square PNG of 16 to 512 pixels"},
        {"Launcher", false, true, "the launcher program to copy (default: from the build tree)"},
        {"MacPlatform", false, true, "libMacPlatform.so to copy (default: from the build tree)"},
        {"Executable", false, false,
         "the launcher's file name in Contents/MacOS (default: GameWrapper)"},
    };
    for (const GameInfoKey& key : gameInfoKeys()) {
        // The exec path defaults to the game folder's name, so it is never required here.
        bool required = key.required && key.value != GameInfoValue::gamePath;
        keys.push_back({key.manifestKey, required, false, key.meaning});
    }
    return keys;
}

const ManifestKey* findKey(std::string_view name) {
    for (const ManifestKey& key : manifestKeys()) {
        if (name.size() == std::strlen(key.name) &&
            strncasecmp(key.name, name.data(), name.size()) == 0) {
            return &key;
        }
    }
    return nullptr;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

const std::vector<ManifestKey>& manifestKeys() {
    static const std::vector<ManifestKey> keys = makeKeys();
    return keys;
}

std::optional<Manifest> Manifest::parse(std::string_view text, const std::string& folder,
                                        std::string& error) {
    Manifest manifest;
    manifest.m_folder = folder;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string const at = "line " + std::to_string(lineNumber) + ": ";
        line = trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.find('\0') != std::string_view::npos) {
            error = at + "holds a NUL byte; a manifest is plain text";
            return std::nullopt;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = at + "'" + std::string(line) + "' is not 'Key = value'";
            return std::nullopt;
        }
        std::string_view name = trim(line.substr(0, equals));
        std::string_view value = trim(line.substr(equals + 1));
        const ManifestKey* key = findKey(name);
        if (!key) {
            error = at + "unknown key '" + std::string(name) + "' (docs/publishing.md lists them)";
            return std::nullopt;
        }
        if (manifest.m_entries.count(key->name)) {
            error = at + "'" + key->name + "' is given a second time";
            return std::nullopt;
        }
        if (value.empty()) {
            error = at + "'" + key->name + "' has no value";
            return std::nullopt;
        }
        manifest.m_entries[key->name] = Entry{std::string(value), lineNumber};
    }
    std::string missing;
    for (const ManifestKey& key : manifestKeys()) {
        if (key.required && !manifest.has(key.name)) {
            missing += std::string(missing.empty() ? "" : ", ") + key.name;
        }
    }
    if (!missing.empty()) {
        error = "required keys missing: " + missing + " (docs/publishing.md describes them)";
        return std::nullopt;
    }
    return manifest;
}

std::optional<Manifest> Manifest::load(const std::string& path, std::string& error) {
    std::string bytes;
    if (!readWholeFile(path, kMaxManifestSize, bytes, error)) {
        return std::nullopt;
    }
    std::optional<Manifest> manifest = parse(bytes, folderOf(absolutePath(path)), error);
    if (!manifest) {
        error = path + ": " + error;
        return std::nullopt;
    }
    manifest->m_name = path;
    return manifest;
}

bool Manifest::has(std::string_view key) const {
    return m_entries.find(key) != m_entries.end();
}

std::string Manifest::value(std::string_view key) const {
    auto found = m_entries.find(key);
    return found == m_entries.end() ? std::string() : found->second.value;
}

std::string Manifest::path(std::string_view key) const {
    std::string text = value(key);
    return text.empty() ? text : resolveAgainst(m_folder, text);
}

std::string Manifest::where(std::string_view key) const {
    auto found = m_entries.find(key);
    std::string name = m_name.empty() ? "manifest" : m_name;
    return found == m_entries.end() ? name : name + ":" + std::to_string(found->second.line);
}

} // namespace gwbundle
