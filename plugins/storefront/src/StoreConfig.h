// The storefront's own settings, Resources/Storefront/store.conf: where the publisher's
// catalogue lives and the public key that signs the publisher's storefront updates.
//
//   # lines starting with '#' are comments
//   catalogue-url = https://games.example.com/store/catalogue.txt
//   public-key = 64 hexadecimal digits (an Ed25519 public key, from "gwbundle keygen")
//
// Without the file, or without a catalogue-url, the store works from the bundle's files alone.
// The key is needed only for updates: a store without one never installs an update.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace Storefront {

inline constexpr const char* kStoreConfigFileName = "store.conf";
inline constexpr std::size_t kPublicKeyBytes = 32;

using PublicKey = std::array<std::uint8_t, kPublicKeyBytes>;

struct StoreConfig {
    std::string catalogueURL;           // empty: the store stays offline
    std::optional<PublicKey> publicKey; // absent: updates are never installed
};

struct StoreConfigResult {
    std::optional<StoreConfig> config;
    std::string error; // one line naming the line at fault
};

StoreConfigResult parseStoreConfig(const std::string& text, const std::string& sourceName);
// A missing file is an empty configuration, not an error.
StoreConfigResult loadStoreConfig(const std::string& path, const std::string& sourceName);

// Why the storefront would refuse to fetch from `url`, or empty when it may: only https, or
// plain http to this machine (localhost, 127.0.0.1, [::1]); no user name or password in it.
// Every address is checked, the catalogue's own and each one a server redirects to.
std::string urlRefusal(const std::string& url);

// `hex` as a key of exactly 32 bytes, or nothing.
std::optional<PublicKey> parsePublicKey(const std::string& hex);

} // namespace Storefront

namespace Storefront {

// `reference` resolved against the absolute address `base` (as a browser would), or empty.
std::string resolveURL(const std::string& base, const std::string& reference);

} // namespace Storefront
