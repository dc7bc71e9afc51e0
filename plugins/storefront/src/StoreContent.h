// What the storefront shows: the catalogue's games with their covers at both sizes, or the
// reason why there is nothing to show.
#pragma once

#include "Catalogue.h"
#include "CoverImage.h"

#include <string>
#include <vector>

namespace Storefront {

struct StoreGame {
    CatalogueEntry entry;
    CoverImage cardCover;
    CoverImage detailsCover;
};

struct StoreContent {
    int catalogueVersion = 0; // 0 when the catalogue could not be read
    std::string heading;
    std::vector<StoreGame> games;
    // Why the store is empty when its catalogue could not be read; empty otherwise.
    std::string problem;
};

// The folder inside the resources folder that holds the catalogue and its covers.
inline constexpr const char* kStorefrontFolder = "Storefront";
inline constexpr const char* kCatalogueFileName = "catalogue.txt";

// Reads <resources>/Storefront/catalogue.txt and the covers it names. The game the launcher
// belongs to (`ownApplicationID`, when not 0) is left out: the store offers the others.
StoreContent loadStoreContent(const std::string& resourcesFolder, int ownApplicationID);

} // namespace Storefront
