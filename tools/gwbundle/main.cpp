// gwbundle: the publisher's tool for launcher bundles.
#include "Commands.h"
#include "StoreCommands.h"

#include <cstdio>
#include <cstring>

namespace gwbundle {

bool isHelpOption(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

} // namespace gwbundle

namespace {

const char kHelp[] = R"(usage: gwbundle COMMAND [ARGUMENTS]

Tools for publishers who wrap a game in the launcher:

  gwbundle pack ARCHIVE FILE...          write a stored zip archive (Channel.dat and the like)
  gwbundle build MANIFEST OUTPUT.app     assemble a launcher bundle from a manifest
  gwbundle check BUNDLE.app              check a bundle before shipping it
  gwbundle keygen NAME                   make the key pair that signs storefront updates
  gwbundle sign-update ...               pack and sign a storefront update for your server
  gwbundle install BUNDLE.app            put the game in the desktop's application menu
  gwbundle uninstall BUNDLE.app          take it out again

gwbundle COMMAND --help describes each command; docs/publishing.md is the publisher's guide.
)";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kHelp, stderr);
        return 1;
    }
    std::string command = argv[1];
    gwbundle::Arguments arguments(argv + 2, argv + argc);
    if (gwbundle::isHelpOption(command) || command == "help") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == "pack") {
        return gwbundle::runPack(arguments);
    }
    if (command == "build") {
        return gwbundle::runBuild(arguments);
    }
    if (command == "check") {
        return gwbundle::runCheck(arguments);
    }
    if (command == "keygen") {
        return gwbundle::runKeygen(arguments);
    }
    if (command == "sign-update") {
        return gwbundle::runSignUpdate(arguments);
    }
    if (command == "install") {
        return gwbundle::runInstall(arguments);
    }
    if (command == "uninstall") {
        return gwbundle::runUninstall(arguments);
    }
    std::fprintf(stderr, "gwbundle: unknown command '%s' (see gwbundle --help)\n", command.c_str());
    return 1;
}
