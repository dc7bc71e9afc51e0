// Fuzzes the storefront's catalogue parser: the input is a catalogue text as a server might send
// it. Whatever it holds, the parser returns a catalogue or a reason, never both; a catalogue
// keeps within the limits the store relies on, and its cover names stay inside their folder.
#include "Catalogue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    Storefront::CatalogueResult result = Storefront::parseCatalogue(text, "fuzz.txt");
    if (result.catalogue.has_value() == !result.error.empty()) {
        std::abort();
    }
    if (!result.catalogue) {
        return 0;
    }
    const Storefront::Catalogue& catalogue = *result.catalogue;
    if (catalogue.version <= 0 || catalogue.entries.size() > Storefront::kMaxCatalogueEntries) {
        std::abort();
    }
    for (const Storefront::CatalogueEntry& entry : catalogue.entries) {
        std::string parts = "/" + entry.coverPath + "/";
        if (entry.title.empty() || entry.priceInCents < 0 || entry.coverPath.starts_with('/') ||
            parts.find("/../") != std::string::npos) {
            std::abort();
        }
        Storefront::formatPrice(entry.priceInCents);
    }
    if (catalogue.update &&
        (catalogue.update->version <= 0 || catalogue.update->url.empty() ||
         catalogue.update->sha256.size() != 64 || catalogue.update->signature.size() != 128)) {
        std::abort();
    }
    return 0;
}
