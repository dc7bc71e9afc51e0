#include "StoreContent.h"

#include "StoreLayout.h"

#include <sys/stat.h>

namespace Storefront {

void drawCovers(StoreGame& game) {
    game.cardCover = makeCover(game.coverFile, game.entry.title, Layout::kCardCoverWidth,
                               Layout::kCardCoverHeight, Layout::kCardCoverRadius);
    game.detailsCover = makeCover(game.coverFile, game.entry.title, Layout::kDetailsCoverWidth,
                                  Layout::kDetailsCoverHeight, Layout::kDetailsCoverRadius);
    game.coverState = CoverState::Ready;
}

StoreContent contentFromCatalogue(Catalogue catalogue, int ownApplicationID,
                                  const std::function<CoverSource(const CatalogueEntry&)>& source,
                                  bool readKeptCovers) {
    StoreContent content;
    content.catalogueVersion = catalogue.version;
    content.heading = catalogue.heading;
    for (CatalogueEntry& entry : catalogue.entries) {
        if (ownApplicationID != 0 && entry.id == ownApplicationID) {
            continue;
        }
        StoreGame game;
        CoverSource cover = entry.coverPath.empty() ? CoverSource{} : source(entry);
        game.coverFile = cover.file;
        game.coverURL = cover.url;
        game.entry = std::move(entry);
        struct stat info {};
        bool kept = !game.coverFile.empty() && stat(game.coverFile.c_str(), &info) == 0;
        if (game.coverURL.empty() || (readKeptCovers && kept)) {
            game.coverState = CoverState::Unpainted;
        } else {
            game.coverState = CoverState::Waiting;
        }
        content.games.push_back(std::move(game));
    }
    return content;
}

StoreContent loadStoreContent(const std::string& resourcesFolder, int ownApplicationID) {
    std::string folder = resourcesFolder + kStorefrontFolder + "/";
    std::string shownName = std::string(kStorefrontFolder) + "/" + kCatalogueFileName;
    CatalogueResult result = loadCatalogue(folder + kCatalogueFileName, shownName);
    if (!result.catalogue) {
        StoreContent content;
        content.problem = result.error;
        return content;
    }
    return contentFromCatalogue(
        std::move(*result.catalogue), ownApplicationID,
        [&](const CatalogueEntry& entry) {
            return CoverSource{folder + entry.coverPath, {}};
        },
        true);
}

} // namespace Storefront
