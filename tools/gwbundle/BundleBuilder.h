// `gwbundle build`: assembles a launcher bundle from a manifest. The bundle is put together
// under OUTPUT.partial and renamed into place only when complete, so a failed build leaves
// nothing half-made under the output's name.
#pragma once

#include "Manifest.h"

#include <string>

namespace gwbundle {

struct BuildOptions {
    std::string output;      // the .app folder to make
    std::string launcher;    // overrides the manifest's Launcher and the default
    std::string macPlatform; // overrides the manifest's MacPlatform and the default
    bool replace = false;    // an existing output is replaced rather than refused
};

// The launcher and libMacPlatform.so of the build tree the tool was built in, found from the
// tool's own place; empty when that tree has none.
std::string defaultLauncherPath();
std::string defaultMacPlatformPath();

// The text of RAW_002.wdt for the manifest: every key the launcher reads, with the launcher's
// default where the manifest gives no value. False with error when a value is malformed.
bool makeGameInfoText(const Manifest& manifest, std::string& text, std::string& error);

bool buildBundle(const Manifest& manifest, const BuildOptions& options, std::string& error);

} // namespace gwbundle
