#include "CheckReport.h"

#include "FileSystem.h"

namespace gwbundle {

BundlePaths::BundlePaths(const std::string& bundlePath)
    : bundle(absolutePath(bundlePath)), contents(bundle + "/Contents"),
      resources(contents + "/Resources"), games(bundle + "/.Game") {}

std::string BundlePaths::relative(const std::string& path) const {
    if (path.size() > bundle.size() && path.compare(0, bundle.size(), bundle) == 0 &&
        path[bundle.size()] == '/') {
        return path.substr(bundle.size() + 1);
    }
    return path;
}

void CheckReport::fail(const std::string& file, const std::string& problem,
                       const std::string& fix) {
    m_failures.push_back(file + ": " + problem + ". Fix: " + fix);
}

bool CheckReport::hasFailureFor(const std::string& file) const {
    for (const std::string& line : m_failures) {
        if (line.compare(0, file.size() + 1, file + ":") == 0) {
            return true;
        }
    }
    return false;
}

void CheckReport::warn(const std::string& file, const std::string& note) {
    m_warnings.push_back(file + ": warning: " + note);
}

} // namespace gwbundle
