#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace TestSupport {

namespace {

std::string& rootFolder() {
    static std::string root;
    return root;
}

std::string makeTempFolder(const std::string& parent, const char* stem) {
    std::string pattern = parent + "/" + stem + "XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp " << pattern << ": " << std::strerror(errno);
        return {};
    }
    return pattern;
}

// Points HOME and XDG_CONFIG_HOME at a private folder so that no test reads or writes the real
// user's files, and removes that folder when the program ends.
class PrivateHomeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        rootFolder() = makeTempFolder(tmp && *tmp ? tmp : "/tmp", "gwtest-");
        std::string home = rootFolder() + "/home";
        fs::create_directories(home + "/.config");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(rootFolder(), ignored);
    }
};

} // namespace

TempDir::TempDir() : m_path(makeTempFolder(rootFolder().empty() ? "/tmp" : rootFolder(), "t")) {}

TempDir::~TempDir() {
    if (!m_path.empty()) {
        removeTree(m_path);
    }
}

std::string TempDir::operator/(const std::string& relative) const {
    return m_path + "/" + relative;
}

void writeFile(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path()) {
        std::error_code ignored;
        fs::create_directories(p.parent_path(), ignored);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool pathExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

void makeDirectories(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        ADD_FAILURE() << "cannot create " << path << ": " << error.message();
    }
}

void removeTree(const std::string& path) {
    // Read-only folders left by a test must not stop the clean-up.
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path, ignored);
}

const std::string& privateHome() {
    static std::string home = rootFolder() + "/home";
    return home;
}

} // namespace TestSupport

int main(int argc, char** argv) {
    // Windows live in memory and input comes from the tests, unless a run asks for a real
    // display (the display tests under Xvfb do).
    setenv("MACPLATFORM_DISPLAY", "headless", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TestSupport::PrivateHomeEnvironment);
    return RUN_ALL_TESTS();
}

// fontconfig keeps its caches for the life of the process by design; what it still holds at
// exit is not a leak of ours, and reporting it would hide real ones.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
