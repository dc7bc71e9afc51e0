// What `gwbundle check` found: one line per problem, each naming the file (relative to the
// bundle) and what to do about it, and warnings that do not fail the check.
#pragma once

#include <string>
#include <vector>

namespace gwbundle {

// The places of a bundle that the checks look at, all absolute.
struct BundlePaths {
    explicit BundlePaths(const std::string& bundlePath);
    std::string bundle;
    std::string contents;
    std::string resources;
    std::string games; // the hidden .Game folder
    // "Contents/Resources/x" for a path inside the bundle; other paths unchanged.
    std::string relative(const std::string& path) const;
};

class CheckReport {
public:
    // "FILE: problem. Fix: fix"
    void fail(const std::string& file, const std::string& problem, const std::string& fix);
    // "FILE: warning: note"
    void warn(const std::string& file, const std::string& note);

    bool passed() const { return m_failures.empty(); }
    // Whether a failure line about file has been added.
    bool hasFailureFor(const std::string& file) const;
    const std::vector<std::string>& failures() const { return m_failures; }
    const std::vector<std::string>& warnings() const { return m_warnings; }

private:
    std::vector<std::string> m_failures;
    std::vector<std::string> m_warnings;
};

} // namespace gwbundle
