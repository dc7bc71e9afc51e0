// Where preference files live and how they are replaced safely.
#pragma once

#include <string>

namespace MacPlatform {

// ${XDG_CONFIG_HOME:-$HOME/.config}/Preferences, read from the environment at each call so that
// a changed XDG_CONFIG_HOME takes effect at once. Empty when no home folder can be found.
std::string preferencesFolder();

// This machine's identity for ByHost files: /etc/machine-id, else /var/lib/dbus/machine-id,
// else the host name; only characters that are safe in a file name are kept.
const std::string& machineIdentifier();

// Creates the folder and any missing parents with mode 0700; false when that fails.
bool makeFolders(const std::string& path);

// An exclusive flock on "<path>.lock", held until the object goes away. The data file itself
// cannot carry the lock because it is replaced by rename.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Writes bytes to "<path>.tmp" with mode 0600, fsyncs it and renames it over path, then syncs
// the folder: readers see the old file or the new one, never a mix. The caller holds the lock,
// so a fixed temporary name cannot clash, and one left by a crash is simply overwritten.
bool replaceFile(const std::string& path, const std::string& bytes);

} // namespace MacPlatform
