// What every test program shares: a private home folder, temporary folders and small file
// helpers. Linking TestSupport gives a main() that sets the environment up before any test runs.
#pragma once

#include <string>

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

} // namespace TestSupport
