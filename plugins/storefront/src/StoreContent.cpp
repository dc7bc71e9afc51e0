#include "StoreContent.h"

#include "StoreLayout.h"

namespace Storefront {

StoreContent loadStoreContent(const std::string& resourcesFolder, int ownApplicationID) {
    std::string folder = resourcesFolder + kStorefrontFolder + "/";
    std::string shownName = std::string(kStorefrontFolder) + "/" + kCatalogueFileName;
    CatalogueResult result = loadCatalogue(folder + kCatalogueFileName, shownName);
    StoreContent content;
    if (!result.catalogue) {
        content.problem = result.error;
        return content;
    }
    content.catalogueVersion = result.catalogue->version;
    content.heading = result.catalogue->heading;
    for (CatalogueEntry& entry : result.catalogue->entries) {
        if (ownApplicationID != 0 && entry.id == ownApplicationID) {
            continue;
        }
        std::string coverPath = entry.coverPath.empty() ? std::string() : folder + entry.coverPath;
        StoreGame game;
        game.cardCover = makeCover(coverPath, entry.title, Layout::kCardCoverWidth,
                                   Layout::kCardCoverHeight, Layout::kCardCoverRadius);
        game.detailsCover = makeCover(coverPath, entry.title, Layout::kDetailsCoverWidth,
                                      Layout::kDetailsCoverHeight, Layout::kDetailsCoverRadius);
        game.entry = std::move(entry);
        content.games.push_back(std::move(game));
    }
    return content;
}

} // namespace Storefront
