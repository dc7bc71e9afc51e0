#include "BundleChecks.h"
#include "FileSystem.h"

namespace gwbundle {

CheckReport checkBundle(const std::string& bundlePath) {
    BundlePaths paths(bundlePath);
    CheckReport report;
    if (!isFolder(paths.bundle)) {
        report.fail(bundlePath, "is not a folder", "name the bundle's .app folder");
        return report;
    }
    if (!isFolder(paths.resources)) {
        report.fail("Contents/Resources", "missing: every resource of the launcher lies there",
                    "build the bundle with gwbundle build, or make Contents/Resources");
        return report;
    }
    checkBundleStructure(paths, report);
    checkResourceArchives(paths, report);
    checkGameInformation(paths, report);
    checkPictures(paths, report);
    checkNib(paths, report);
    checkAgreement(paths, report);
    checkPlugin(paths, report);
    checkStoreConfig(paths, report);
    return report;
}

} // namespace gwbundle
