#include "UpdateCheck.h"

#include "Catalogue.h"
#include "StoreContent.h"

#include <sys/stat.h>

namespace Storefront {

UpdateFinding checkForUpdate(const std::string& resourcesFolder, int installedVersion) {
    struct stat marker {};
    if (stat((resourcesFolder + kUpdateMarker).c_str(), &marker) != 0) {
        return {false, "no update is waiting"};
    }
    std::string relative =
        std::string(kUpdateFolder) + "/" + kStorefrontFolder + "/" + kCatalogueFileName;
    CatalogueResult update = loadCatalogue(resourcesFolder + relative, relative);
    if (!update.catalogue) {
        return {false, "the waiting update is not used: " + update.error};
    }
    int version = update.catalogue->version;
    if (version <= installedVersion) {
        return {false, "the waiting catalogue version " + std::to_string(version) +
                           " is not newer than version " + std::to_string(installedVersion)};
    }
    return {true, "catalogue version " + std::to_string(version) + " replaces version " +
                      std::to_string(installedVersion)};
}

} // namespace Storefront
