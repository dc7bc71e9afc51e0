#include "Commands.h"
#include "DesktopInstall.h"
#include "FileSystem.h"

#include <cstdio>

namespace gwbundle {

namespace {

const char kInstallHelp[] = R"(usage: gwbundle install BUNDLE.app [--user | --prefix DIR]
       gwbundle uninstall BUNDLE.app|IDENTIFIER [--user | --prefix DIR]

install puts the game into the desktop's application menu: a desktop entry named after the
bundle's CFBundleIdentifier, with the bundle's CFBundleName as its name, the bundle's launcher
(its real absolute path) as its program, Categories=Game and StartupWMClass set to the
identifier (the launcher's windows carry it as their WM class), and the PNG that CFBundleIconFile
names installed in the hicolor icon theme at its size. The bundle stays where it is: install it
from where it will live, and install again after moving it.

  --user        under ${XDG_DATA_HOME:-~/.local/share} (the default): for this user
  --prefix DIR  under DIR/share, for example --prefix /usr/local for every user

Every file written is listed in DATA/gwbundle/IDENTIFIER.installed; uninstall removes exactly
those files and the folders install made, and takes the bundle or its identifier (for a bundle
already deleted). Installing again replaces the earlier install.

Exit status: 0 on success, 1 otherwise.
)";

struct Options {
    std::string operand;
    std::string dataFolder;
};

// False (with the message printed) when the arguments are wrong; help sets showedHelp.
bool parse(const char* command, const Arguments& arguments, Options& options, bool& showedHelp) {
    showedHelp = false;
    std::string prefix;
    bool user = false;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (isHelpOption(argument)) {
            std::fputs(kInstallHelp, stdout);
            showedHelp = true;
            return false;
        }
        if (argument == "--user") {
            user = true;
        } else if (argument == "--prefix" && i + 1 < arguments.size()) {
            prefix = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "gwbundle %s: unknown option %s (see gwbundle %s --help)\n",
                         command, argument.c_str(), command);
            return false;
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() != 1 || (user && !prefix.empty())) {
        std::fprintf(stderr,
                     "gwbundle %s: name one bundle, with --user or --prefix DIR "
                     "(see gwbundle %s --help)\n",
                     command, command);
        return false;
    }
    options.operand = operands[0];
    options.dataFolder = prefix.empty() ? userDataFolder() : absolutePath(prefix) + "/share";
    if (options.dataFolder.empty()) {
        std::fprintf(stderr, "gwbundle %s: neither XDG_DATA_HOME nor HOME is set: use --prefix\n",
                     command);
        return false;
    }
    return true;
}

} // namespace

int runInstall(const Arguments& arguments) {
    Options options;
    bool showedHelp = false;
    if (!parse("install", arguments, options, showedHelp)) {
        return showedHelp ? 0 : 1;
    }
    std::vector<std::string> written;
    std::string error;
    if (!installBundle(options.operand, options.dataFolder, written, error)) {
        std::fprintf(stderr, "gwbundle install: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : written) {
        std::printf("installed %s\n", path.c_str());
    }
    return 0;
}

int runUninstall(const Arguments& arguments) {
    Options options;
    bool showedHelp = false;
    if (!parse("uninstall", arguments, options, showedHelp)) {
        return showedHelp ? 0 : 1;
    }
    std::vector<std::string> removed;
    std::string error;
    if (!uninstallBundle(options.operand, options.dataFolder, removed, error)) {
        std::fprintf(stderr, "gwbundle uninstall: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : removed) {
        std::printf("removed %s\n", path.c_str());
    }
    return 0;
}

} // namespace gwbundle
