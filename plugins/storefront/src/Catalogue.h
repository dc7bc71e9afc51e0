// The list of games the storefront offers, read from its plain-text catalogue file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Storefront {

struct CatalogueEntry {
    int id = 0; // 0 when the catalogue gives none
    std::string title;
    long priceInCents = 0;
    std::string description;
    std::string coverPath; // relative to the catalogue's folder; empty draws a generated cover
};

// A newer storefront build the publisher offers: an archive to fetch, its SHA-256 and an
// Ed25519 signature over it by the key in the bundle's store.conf (all hexadecimal).
struct UpdateAnnouncement {
    int version = 0; // the build's kxdll_GetDLLVersionAsInt
    std::string url; // relative to the catalogue's address, or absolute
    std::string sha256;
    std::string signature;
};

struct Catalogue {
    int version = 0;
    std::string heading;
    std::vector<CatalogueEntry> entries;
    std::optional<UpdateAnnouncement> update;
};

// A parse result: either a catalogue or a one-line reason naming the line at fault.
struct CatalogueResult {
    std::optional<Catalogue> catalogue;
    std::string error;
};

inline constexpr std::size_t kMaxCatalogueBytes = 256 * 1024;
inline constexpr std::size_t kMaxCatalogueEntries = 64;

// Parses catalogue text. `sourceName` only names the file in error texts.
CatalogueResult parseCatalogue(const std::string& text, const std::string& sourceName);
// Reads and parses the file; a missing or unreadable file is an error like any other.
CatalogueResult loadCatalogue(const std::string& path, const std::string& sourceName);

// "Free" for zero, otherwise "$9.99".
std::string formatPrice(long priceInCents);

} // namespace Storefront
