// What the storefront shows: the catalogue's games with their covers at both sizes, or the
// reason why there is nothing to show.
#pragma once

#include "Catalogue.h"
#include "CoverImage.h"

#include <functional>
#include <string>
#include <vector>

namespace Storefront {

enum class CoverState {
    Ready,     // both covers are drawn (from a picture or generated)
    Unpainted, // the picture is at hand; the covers are drawn when the game is first in view
    Waiting,   // a placeholder shows until the picture is fetched
    Requested, // the picture is being fetched
};

struct StoreGame {
    CatalogueEntry entry;
    CoverImage cardCover;
    CoverImage detailsCover;
    CoverState coverState = CoverState::Ready;
    std::string coverFile; // where the picture is read from
    std::string coverURL;  // where it is fetched from; empty for the bundle's own covers
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

// Where a game's cover comes from: the file, and the address to fetch it from first (empty
// when the file is all there is).
struct CoverSource {
    std::string file;
    std::string url;
};

// The content of a parsed catalogue. Covers without an address are Unpainted, to be drawn when
// first shown (the launcher loads the plug-in while it starts, and a player who never opens the
// store should not wait for them); covers with one show a placeholder until drawCovers() is
// called for them, unless `readKeptCovers` and their file is already there.
StoreContent contentFromCatalogue(Catalogue catalogue, int ownApplicationID,
                                  const std::function<CoverSource(const CatalogueEntry&)>& source,
                                  bool readKeptCovers);

// Draws both covers of the game from its cover file (a generated one when it cannot be read).
void drawCovers(StoreGame& game);

} // namespace Storefront
