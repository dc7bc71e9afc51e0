// Helpers of the launcher's tests: bundles built in temporary folders, and checks made inside a
// forked child. The launcher keeps process-wide state (the main bundle, the settings caches,
// the working directory), so scenarios that touch it run in a child that ends with _exit, and
// nothing of them reaches the next test.
#pragma once

#include "TestSupport.h"

#include "CorvaneCore/File.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define GW_TEST_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GW_TEST_HAS_LSAN 1
#endif
#endif
#ifdef GW_TEST_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace GameWrapperTest {

// Makes "<parent>/<name>.app/Contents/Resources" and returns the bundle's path.
inline std::string makeBundle(const std::string& parent, const std::string& name) {
    std::string bundle = parent + "/" + name + ".app";
    TestSupport::makeDirectories(bundle + "/Contents/Resources");
    return bundle;
}

// A zip archive of the members (name, bytes) made with the launcher's own zip writer, starting
// from an archive that holds only its end record.
inline void writeArchive(const std::string& path,
                         const std::vector<std::pair<std::string, std::string>>& members) {
    TestSupport::writeFile(path, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    for (const auto& [name, bytes] : members) {
        CFile member;
        ASSERT_TRUE(member.Open((path + ";" + name).c_str(), CFILE_CREATE | CFILE_WRITE))
            << "cannot add " << name << " to " << path;
        ASSERT_EQ(member.Write(bytes.data(), static_cast<unsigned>(bytes.size())), bytes.size());
        member.Close();
    }
}

// Makes app an application that runs the test game (tests/helpers/gw-test-game) with the
// behaviour words that gw-test-game.cpp lists; returns its resources folder, where it reports.
inline std::string installTestGame(const std::string& app, const std::string& behaviour) {
    TestSupport::writeFile(app + "/Contents/Info.plist",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<dict><key>CFBundleExecutable</key><string>gw-test-game</string>"
                           "</dict></plist>\n");
    TestSupport::makeDirectories(app + "/Contents/MacOS");
    std::error_code error;
    std::filesystem::copy_file(std::string(GW_TEST_HELPERS_DIR) + "/gw-test-game",
                               app + "/Contents/MacOS/gw-test-game", error);
    EXPECT_FALSE(error) << "cannot copy the test game: " << error.message();
    TestSupport::writeFile(app + "/Contents/Resources/behaviour", behaviour);
    return app + "/Contents/Resources";
}

// Colours (0xRRGGBB) within a JPEG's rounding of each other.
inline bool near(std::uint32_t actual, std::uint32_t expected, int tolerance = 8) {
    for (int shift : {0, 8, 16}) {
        int difference = static_cast<int>((actual >> shift) & 0xFF) -
                         static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(difference) > tolerance) {
            return false;
        }
    }
    return true;
}

// Collects the outcome of checks made in a forked child, where gtest's own assertions would be
// lost: each failure is a line on standard error, which the parent shows.
class ChildChecks {
public:
    void check(bool ok, const std::string& what) {
        if (!ok) {
            std::fprintf(stderr, "child check failed: %s\n", what.c_str());
            ++m_failures;
        }
    }
    template <typename A, typename B>
    void equal(const A& actual, const B& expected, const std::string& what) {
        check(actual == expected, what + ": expected " + ::testing::PrintToString(expected) +
                                      ", got " + ::testing::PrintToString(actual));
    }
    int failures() const { return m_failures; }

private:
    int m_failures = 0;
};

// Runs body(checks) in a forked child, which fails on a failed check and, under the leak
// checker, on memory that nothing points to any more once body returned.
template <typename Body> void inChild(Body body, [[maybe_unused]] bool leakCheck = true) {
    EXPECT_EXIT(
        {
            ChildChecks checks;
            body(checks);
#ifdef GW_TEST_HAS_LSAN
            checks.check(!leakCheck || __lsan_do_recoverable_leak_check() == 0, "leaked memory");
#endif
            std::fflush(stderr);
            TestSupport::exitChild(checks.failures() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace GameWrapperTest
