// Helpers of the launcher's tests: bundles built in temporary folders, and checks made inside a
// forked child. The launcher keeps process-wide state (the main bundle, the settings caches,
// the working directory), so scenarios that touch it run in a child that ends with _exit, and
// nothing of them reaches the next test.
#pragma once

#include "TestSupport.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

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
inline std::string makeBundle(const std::string& parent, const std::string& name = "Game") {
    std::string bundle = parent + "/" + name + ".app";
    TestSupport::makeDirectories(bundle + "/Contents/Resources");
    return bundle;
}

inline std::string resourcesOf(const std::string& bundle) {
    return bundle + "/Contents/Resources";
}

// Collects the outcome of checks made in a forked child, where gtest's own assertions would be
// lost: each failure is written to standard error (which the parent shows) and finish() turns
// the count into the exit status that EXPECT_EXIT(..., ExitedWithCode(0), "") expects.
class ChildChecks {
public:
    void check(bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "child check failed: %s\n", what);
            ++m_failures;
        }
    }
    template <typename A, typename B>
    void equal(const A& actual, const B& expected, const char* what) {
        if (!(actual == expected)) {
            std::fprintf(stderr, "child check failed: %s: expected %s, got %s\n", what,
                         ::testing::PrintToString(expected).c_str(),
                         ::testing::PrintToString(actual).c_str());
            ++m_failures;
        }
    }
    // Under the leak checker, memory that nothing points to any more counts as a failure.
    void checkNoLeaks() {
#ifdef GW_TEST_HAS_LSAN
        check(__lsan_do_recoverable_leak_check() == 0, "no leaked memory");
#endif
    }
    int failures() const {
        return m_failures;
    }
    [[noreturn]] void finish() {
        std::fflush(stderr);
        _exit(m_failures == 0 ? 0 : 1);
    }

private:
    int m_failures = 0;
};

} // namespace GameWrapperTest
