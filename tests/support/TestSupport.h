// What every test program shares: a private home folder, temporary folders and small file
// helpers. Linking TestSupport gives a main() that sets the environment up before any test runs.
#pragma once

#include <string>
#include <vector>

namespace TestSupport {

// A fresh folder under the test run's private temporary root, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + relative
    std::string operator/(const std::string& relative) const;

private:
    std::string m_path;
};

// Writes the bytes to the file, creating missing folders; fails the current test on error.
void writeFile(const std::string& path, const std::string& bytes);
// The whole file, or an empty string when it cannot be read.
std::string readFile(const std::string& path);
bool pathExists(const std::string& path);
void makeDirectories(const std::string& path);
void removeTree(const std::string& path);

// The folder that HOME and XDG_CONFIG_HOME point into for this test program.
const std::string& privateHome();

// The JPEG file of packed 8-bit samples (RGB, or grey), full chroma; empty (and a test failure)
// when encoding failed.
std::string encodeJPEG(const std::vector<unsigned char>& pixels, int width, int height,
                       bool grey = false, int quality = 95);
// A JPEG whose left half has the colour left and right half the colour right (0xRRGGBB; in
// grey, the low byte), so that drawing tests can tell pictures apart and see their orientation.
std::string halvesJPEG(int width, int height, unsigned left, unsigned right, bool grey = false);

// The launcher's main.nib as a publisher writes it (tests/support/launcher-main.nib): a menu bar
// with About ('abou', key i) and Quit ('quit', key q), a 720 x 540 MainWindow (close box,
// compositing) with the given title, and the 560 x 420 movable-modal EULAWindow "License Agreement"
// with the text view 'MTXT'/0 in a scroll view at (20, 20, 520 x 330), a static text under it and
// push buttons Disagree
// ('not!', cancel) at (330, 370) and Agree ('ok  ', default) at (440, 370), both 100 x 30.
std::string launcherNib(const std::string& mainTitle = "Test Game");

// Ends a forked test child at once, as _exit does (no exit handlers, no second flush of buffers
// copied from the parent), after writing the child's coverage counters in a coverage build:
// what a child runs is code the tests ran, and _exit alone would leave it uncounted.
[[noreturn]] void exitChild(int status);

} // namespace TestSupport
