// Puts a bundle into the desktop's application menu, as copying it does on the Mac: a
// freedesktop desktop entry under DATA/applications and the bundle's icon under
// DATA/icons/hicolor, where DATA is a data folder such as ~/.local/share or PREFIX/share.
// Install lists every file it writes and every folder it makes in a record,
// DATA/gwbundle/IDENTIFIER.installed, and uninstall removes exactly those.
#pragma once

#include <string>
#include <vector>

namespace gwbundle {

// What the desktop entry says, taken from the bundle's Info.plist.
struct DesktopEntry {
    std::string identifier; // CFBundleIdentifier: the entry's file name, icon name and WM class
    std::string name;       // CFBundleName
    std::string program;    // the launcher's real absolute path
    std::string icon;       // the icon's name in the theme; empty when the bundle has none
};

// The desktop entry file's text.
std::string desktopEntryText(const DesktopEntry& entry);

// ${XDG_DATA_HOME:-$HOME/.local/share}; empty when neither variable is set.
std::string userDataFolder();

// Writes the entry and the icon under dataFolder (replacing an earlier install of the same
// bundle identifier). written receives every path written. False with error when the bundle
// is not usable (no identifier, name or launcher, an icon that is not a square PNG of a size the
// icon theme has) or a file is in the way that an install did not write; nothing is left
// behind then.
bool installBundle(const std::string& bundle, const std::string& dataFolder,
                   std::vector<std::string>& written, std::string& error);

// Removes what installBundle wrote for the bundle (a bundle folder, or its identifier when the
// bundle is gone): the files, then the folders it made that are empty now. removed receives
// every path removed.
bool uninstallBundle(const std::string& bundleOrIdentifier, const std::string& dataFolder,
                     std::vector<std::string>& removed, std::string& error);

} // namespace gwbundle
