// The publisher's description of a bundle for `gwbundle build`: a text file of "Key = value"
// lines. Blank lines and lines starting with '#' are skipped; spaces around keys and values are
// dropped; keys are matched without regard to case; every key may appear once. Relative paths
// are taken from the manifest's own folder. docs/publishing.md lists the keys.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwbundle {

struct ManifestKey {
    const char* name;
    bool required;
    bool isPath;
    const char* meaning;
};

// Every key a manifest may hold: the bundle's own keys and the game-information keys.
const std::vector<ManifestKey>& manifestKeys();

class Manifest {
public:
    // Nothing, with error naming the line and what is wrong with it, when the text has a line
    // that is not "Key = value", an unknown or repeated key, or lacks a required key.
    static std::optional<Manifest> parse(std::string_view text, const std::string& folder,
                                         std::string& error);
    // Reads and parses the file; relative paths are then taken from its folder.
    static std::optional<Manifest> load(const std::string& path, std::string& error);

    bool has(std::string_view key) const;
    // The value as written, or an empty text when the key is absent.
    std::string value(std::string_view key) const;
    // For path keys: the value resolved against the manifest's folder.
    std::string path(std::string_view key) const;
    // "manifest.txt:12" for messages about a value.
    std::string where(std::string_view key) const;

private:
    struct Entry {
        std::string value;
        int line = 0;
    };
    std::string m_folder;
    std::string m_name;
    std::map<std::string, Entry, std::less<>> m_entries;
};

} // namespace gwbundle
