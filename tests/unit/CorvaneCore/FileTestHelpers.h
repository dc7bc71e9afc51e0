// Fixtures for the stream and file tests: a temporary working directory and data directory, both
// put back when the test ends, small helpers for reading a whole CFile, and a child process in
// which permission bits bind root as they bind any user.
#pragma once

#include "CorvaneCore/File.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace FileTestHelpers {

// Runs the test inside a fresh temporary folder with the data directory "."; the previous
// working directory and data directory come back afterwards.
class InTempDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        m_previousDirectory = buffer;
        std::memcpy(m_previousDataDir, pDataDir, sizeof m_previousDataDir);
        ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
        std::strcpy(pDataDir, ".");
    }
    void TearDown() override {
        std::memcpy(pDataDir, m_previousDataDir, sizeof m_previousDataDir);
        EXPECT_EQ(chdir(m_previousDirectory.c_str()), 0);
    }

    void setDataDir(const std::string& directory) {
        ASSERT_LE(directory.size(), CFILE_MAX_PATH_LENGTH);
        std::strcpy(pDataDir, directory.c_str());
    }

    TestSupport::TempDir m_dir;

private:
    std::string m_previousDirectory;
    char m_previousDataDir[CFILE_MAX_PATH_LENGTH + 1];
};

// Everything from the current position to the end.
inline std::string readRest(CFile& file) {
    std::string content;
    char buffer[4096];
    for (unsigned got; (got = file.Read(buffer, sizeof buffer)) > 0;) {
        content.append(buffer, got);
    }
    return content;
}

// Opens the file with the mode, writes the text and closes it: whether all of that worked.
inline bool writeThrough(const char* name, unsigned mode, const std::string& text) {
    CFile file;
    return file.Open(name, mode) &&
           file.Write(text.data(), static_cast<unsigned>(text.size())) == text.size();
}

inline std::string readWhole(const char* name, unsigned mode = CFILE_READ) {
    CFile file;
    if (!file.Open(name, mode)) {
        return "<cannot open>";
    }
    return readRest(file);
}

// For a forked child (EXPECT_EXIT): runs the check in the folder given and leaves with status 0
// when it returns no failure, else prints the failure and leaves with status 1. As an ordinary
// user, root's power to write past permission bits is dropped first (others have none).
template <typename Check>
[[noreturn]] void exitWithCheck(std::string const& folder, bool asOrdinaryUser, Check check) {
    bool dropped = !asOrdinaryUser || geteuid() != 0;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (!dropped && syscall(SYS_capget, &header, data) == 0) {
        data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        data[0].permitted &= ~(1u << CAP_DAC_OVERRIDE);
        dropped = syscall(SYS_capset, &header, data) == 0;
    }
    std::string failure = !dropped                     ? "cannot drop CAP_DAC_OVERRIDE"
                          : chdir(folder.c_str()) != 0 ? "cannot enter " + folder
                                                       : check();
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
    }
    TestSupport::exitChild(failure.empty() ? 0 : 1);
}

} // namespace FileTestHelpers
