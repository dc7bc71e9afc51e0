#include "BundleChecks.h"
#include "FileSystem.h"

#include "StoreConfig.h"

#include <dirent.h>

namespace gwbundle {

void checkStoreConfig(const BundlePaths& paths, CheckReport& report) {
    std::string path = paths.resources + "/Storefront/store.conf";
    std::string file = paths.relative(path);
    if (!isRegularFile(path)) {
        return; // the store works from the bundle's files alone
    }
    Storefront::StoreConfigResult result = Storefront::loadStoreConfig(path, file);
    if (!result.config) {
        report.fail(file, result.error,
                    "write catalogue-url = https://... and public-key = the line gwbundle keygen "
                    "printed");
        return;
    }
    if (!result.config->catalogueURL.empty() && !result.config->publicKey) {
        report.warn(file, "no public-key: the storefront will never install an update");
    }
    if (!result.config->catalogueURL.empty() &&
        !isRegularFile(paths.resources + "/Storefront/catalogue.txt")) {
        report.warn(file, "no Storefront/catalogue.txt beside it: a player without a network "
                          "on the first run sees an empty store");
    }
    // A secret key is a file of its own; one inside the bundle reaches every player.
    DIR* directory = opendir((paths.resources + "/Storefront").c_str());
    while (dirent* entry = directory ? readdir(directory) : nullptr) {
        std::string name = entry->d_name;
        if (name.ends_with(".key")) {
            report.fail(paths.relative(paths.resources + "/Storefront/" + name),
                        "looks like a secret signing key, which must never be shipped",
                        "remove it from the bundle and keep it on your release machine only");
        }
    }
    if (directory) {
        closedir(directory);
    }
}

} // namespace gwbundle
