#include "BundleBuilder.h"
#include "Commands.h"
#include "Manifest.h"

#include <cstdio>

namespace gwbundle {

namespace {

const char kBuildHelp[] =
    R"(usage: gwbundle build [--force] [--launcher PATH] [--macplatform PATH] MANIFEST OUTPUT.app

Assembles a launcher bundle from MANIFEST, a text file of "Key = value" lines (docs/publishing.md
lists the keys), then runs gwbundle check on it:

  OUTPUT.app/Contents/Info.plist               written from Name, Identifier, Version
  OUTPUT.app/Contents/MacOS/GameWrapper        the launcher (Launcher, or --launcher)
  OUTPUT.app/Contents/Frameworks/libMacPlatform.so   (MacPlatform, or --macplatform)
  OUTPUT.app/Contents/Resources/RAW_002.wdt    the game information, from the manifest
  OUTPUT.app/Contents/Resources/Channel.dat    packed from Branding and Branding Mask
  OUTPUT.app/Contents/Resources/...            pictures, main.nib, EULA, Pellucid.dylib and
                                               the contents of Plugin Data
  OUTPUT.app/.Game/                            the game (Game)

Without Launcher or MacPlatform the programs of the build tree this tool was built in are used.

  --force        replace OUTPUT.app if it exists
  --launcher     the launcher program to copy (wins over the manifest)
  --macplatform  the libMacPlatform.so to copy (wins over the manifest)

The bundle is assembled as OUTPUT.app.partial and renamed when complete.
Exit status: 0 when the bundle was built and passes the check, 1 otherwise (a bundle that was
built but fails the check is kept, so that it can be looked at).
)";

} // namespace

int runBuild(const Arguments& arguments) {
    BuildOptions options;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (isHelpOption(argument)) {
            std::fputs(kBuildHelp, stdout);
            std::fputs("\nManifest keys (* required):\n", stdout);
            for (const ManifestKey& key : manifestKeys()) {
                std::printf("  %-22s %s%s\n", key.name, key.required ? "* " : "", key.meaning);
            }
            return 0;
        }
        if (argument == "--force") {
            options.replace = true;
        } else if (argument == "--launcher" || argument == "--macplatform") {
            if (i + 1 == arguments.size()) {
                std::fprintf(stderr, "gwbundle build: %s needs a path\n", argument.c_str());
                return 1;
            }
            (argument == "--launcher" ? options.launcher : options.macPlatform) = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "gwbundle build: unknown option %s (see gwbundle build --help)\n",
                         argument.c_str());
            return 1;
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() != 2) {
        std::fputs("gwbundle build: name the manifest and the output bundle "
                   "(see gwbundle build --help)\n",
                   stderr);
        return 1;
    }
    options.output = operands[1];
    std::string error;
    std::optional<Manifest> manifest = Manifest::load(operands[0], error);
    if (!manifest || !buildBundle(*manifest, options, error)) {
        std::fprintf(stderr, "gwbundle build: %s\n", error.c_str());
        return 1;
    }
    std::printf("built %s\n", options.output.c_str());
    return printCheckReport(options.output);
}

} // namespace gwbundle
