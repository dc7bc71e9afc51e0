#include "TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#ifdef GW_TEST_COVERAGE
extern "C" void __gcov_dump(void);
#endif

namespace fs = std::filesystem;

namespace TestSupport {

namespace {

// The test program's private temporary root; HOME is its "home" folder.
std::string g_Root;

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
        // A death test in the threadsafe style runs this program again for the one statement.
        // That child leaves by _exit, exit or abort and would never remove a folder of its own,
        // so it works in its parent's, which the parent removes.
        const char* inherited = std::getenv("GW_TEST_ROOT");
        if (!GTEST_FLAG_GET(internal_run_death_test).empty() && inherited && *inherited) {
            g_Root = inherited;
            m_owner = false;
            return;
        }
        const char* tmp = std::getenv("TMPDIR");
        g_Root = makeTempFolder(tmp && *tmp ? tmp : "/tmp", "gwtest-");
        fs::create_directories(g_Root + "/home/.config");
        setenv("HOME", (g_Root + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (g_Root + "/home/.config").c_str(), 1);
        setenv("GW_TEST_ROOT", g_Root.c_str(), 1);
    }
    void TearDown() override {
        if (m_owner) {
            removeTree(g_Root);
        }
    }

private:
    bool m_owner = true;
};

} // namespace

TempDir::TempDir() : m_path(makeTempFolder(g_Root.empty() ? "/tmp" : g_Root, "t")) {}

TempDir::~TempDir() {
    removeTree(m_path);
}

std::string TempDir::operator/(const std::string& relative) const {
    return m_path + "/" + relative;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes)) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
    static std::string home = g_Root + "/home";
    return home;
}

std::string encodeJPEG(const std::vector<unsigned char>& pixels, int width, int height, bool grey,
                       int quality) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int status = tjCompress2(handle, pixels.data(), width, 0, height, grey ? TJPF_GRAY : TJPF_RGB,
                             &out, &size, grey ? TJSAMP_GRAY : TJSAMP_444, quality, 0);
    std::string bytes = status == 0 ? std::string(reinterpret_cast<char*>(out), size) : "";
    tjFree(out);
    tjDestroy(handle);
    EXPECT_EQ(status, 0) << "the test could not encode its JPEG";
    return bytes;
}

std::string halvesJPEG(int width, int height, unsigned left, unsigned right, bool grey) {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned colour = x < width / 2 ? left : right;
            if (!grey) {
                pixels.push_back(static_cast<unsigned char>(colour >> 16));
                pixels.push_back(static_cast<unsigned char>(colour >> 8));
            }
            pixels.push_back(static_cast<unsigned char>(colour));
        }
    }
    return encodeJPEG(pixels, width, height, grey);
}

std::string launcherNib(const std::string& mainTitle) {
    const std::string path = GW_TEST_SUPPORT_DIR "/launcher-main.nib";
    std::string nib = readFile(path);
    std::size_t title = nib.find("@MAIN_TITLE@");
    EXPECT_NE(title, std::string::npos) << "the test nib " << path << " is missing or damaged";
    return title == std::string::npos ? nib : nib.replace(title, 12, mainTitle);
}

void exitChild(int status) {
#ifdef GW_TEST_COVERAGE
    __gcov_dump();
#endif
    _exit(status);
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
