// What gwbundle's tests share: pictures made with TurboJPEG, a complete set of publisher inputs
// with their manifest, and running the tool as a publisher would.
#pragma once

#include "TestSupport.h"

#include <string>
#include <vector>

namespace GwbundleTest {

// A width x height JPEG of two colours.
std::string makeJpeg(int width, int height);

// Writes a shell script that exits with 0, executable.
void writeProgram(const std::string& path);

// Writes every input of a bundle under folder (pictures, nib, agreement, the game's .app, the
// complete test plug-in and its data folder, a launcher program) and a manifest naming them;
// returns the manifest's path.
std::string writeInputs(const std::string& folder);

struct ToolResult {
    int exitStatus = -1;
    std::string output; // standard output and standard error together
};

// Runs the gwbundle of this build tree with the arguments (each quoted for the shell).
ToolResult runTool(const std::vector<std::string>& arguments);

} // namespace GwbundleTest
