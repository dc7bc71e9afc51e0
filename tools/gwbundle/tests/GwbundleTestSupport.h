// What gwbundle's tests share: pictures made with TurboJPEG, a complete set of publisher inputs
// with their manifest, and running the tool as a publisher would.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace GwbundleTest {

// A width x height JPEG of two colours.
std::string makeJpeg(int width, int height);

// Writes every input of a bundle under folder (inputs/ of this folder: the manifest, agreement,
// game's .app, plug-in data and a launcher program; then the pictures, the nib and the complete
// test plug-in) and returns the manifest's path.
std::string writeInputs(const std::string& folder);

struct ToolResult {
    int exitStatus = -1;
    std::string output; // standard output and standard error together
};

// Builds the complete bundle of the test inputs (writeInputs) once per test.
class BuiltBundle : public ::testing::Test {
protected:
    void SetUp() override;
    std::string resources() const { return bundle + "/Contents/Resources"; }

    TestSupport::TempDir dir;
    std::string manifest;
    std::string bundle; // <dir>/Demo Game.app
};

// Runs the gwbundle of this build tree with the arguments (each quoted for the shell).
ToolResult runTool(const std::vector<std::string>& arguments);

} // namespace GwbundleTest
