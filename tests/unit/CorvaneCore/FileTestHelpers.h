// Fixtures for the stream tests: a temporary working directory and data directory, both put
// back when the test ends, and small helpers for reading a whole CFile.
#pragma once

#include "CorvaneCore/File.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

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
    for (;;) {
        unsigned got = file.Read(buffer, sizeof buffer);
        if (got == 0) {
            return content;
        }
        content.append(buffer, got);
    }
}

inline std::string readWhole(const char* name, unsigned mode = CFILE_READ) {
    CFile file;
    if (!file.Open(name, mode)) {
        return "<cannot open>";
    }
    return readRest(file);
}

} // namespace FileTestHelpers
