#include "StoreConfig.h"

#include "FileRead.h"
#include "OnlineLibraries.h"

#include <sstream>

namespace Storefront {

namespace {

constexpr std::size_t kMaxConfigBytes = 16 * 1024;

std::string trim(const std::string& text) {
    const char* blanks = " \t\r";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// One part of a parsed address, or empty.
std::string urlPart(const CurlLibrary& curl, CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl.urlGet(url, part, &text, 0) != CURLUE_OK || !text) {
        return {};
    }
    std::string copy = text;
    curl.free(text);
    return copy;
}

} // namespace

std::string urlRefusal(const std::string& url) {
    std::string error;
    const CurlLibrary* curl = curlLibrary(error);
    if (!curl) {
        return "\"" + url + "\" cannot be checked: " + error;
    }
    CURLU* parsed = curl->url();
    if (!parsed) {
        return "out of memory";
    }
    std::string refusal;
    if (curl->urlSet(parsed, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        refusal = "\"" + url + "\" is not an absolute web address";
    } else {
        std::string scheme = urlPart(*curl, parsed, CURLUPART_SCHEME);
        std::string host = urlPart(*curl, parsed, CURLUPART_HOST);
        bool local = host == "localhost" || host == "127.0.0.1" || host == "[::1]";
        if (!urlPart(*curl, parsed, CURLUPART_USER).empty() ||
            !urlPart(*curl, parsed, CURLUPART_PASSWORD).empty()) {
            refusal = "\"" + url + "\" carries a user name or password";
        } else if (scheme == "http" && !local) {
            refusal = "\"" + url + "\" is plain http to another machine; use https";
        } else if (scheme != "https" && scheme != "http") {
            refusal = "\"" + url + "\" is neither https nor http";
        }
    }
    curl->urlCleanup(parsed);
    return refusal;
}

std::optional<PublicKey> parsePublicKey(const std::string& hex) {
    if (hex.size() != 2 * kPublicKeyBytes) {
        return std::nullopt;
    }
    std::string error;
    const SodiumLibrary* sodium = sodiumLibrary(error);
    if (!sodium) {
        return std::nullopt;
    }
    PublicKey key{};
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium->hex2bin(key.data(), key.size(), hex.data(), hex.size(), nullptr, &length, &end) !=
            0 ||
        length != key.size() || end != hex.data() + hex.size()) {
        return std::nullopt;
    }
    return key;
}

StoreConfigResult parseStoreConfig(const std::string& text, const std::string& sourceName) {
    StoreConfig config;
    std::stringstream lines(text);
    std::string line;
    int number = 0;
    bool sawURL = false;
    bool sawKey = false;
    auto fail = [&](const std::string& reason) -> StoreConfigResult {
        return {std::nullopt,
                sourceName + ", line " + std::to_string(number) + ": " + reason + "."};
    };
    while (std::getline(lines, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return fail("expected \"key = value\"");
        }
        std::string key = trim(line.substr(0, equals));
        std::string value = trim(line.substr(equals + 1));
        if (key == "catalogue-url") {
            if (sawURL) {
                return fail("catalogue-url is given twice");
            }
            sawURL = true;
            if (!value.empty()) {
                if (std::string refusal = urlRefusal(value); !refusal.empty()) {
                    return fail(refusal);
                }
            }
            config.catalogueURL = value;
        } else if (key == "public-key") {
            if (sawKey) {
                return fail("public-key is given twice");
            }
            sawKey = true;
            if (std::string error; !sodiumLibrary(error)) {
                return fail("the key cannot be read: " + error);
            }
            config.publicKey = parsePublicKey(value);
            if (!config.publicKey) {
                return fail("public-key is not 64 hexadecimal digits (32 bytes)");
            }
        } else {
            return fail("unknown key \"" + key + "\"");
        }
    }
    return {config, {}};
}

StoreConfigResult loadStoreConfig(const std::string& path, const std::string& sourceName) {
    std::string text;
    switch (readSmallFile(path, kMaxConfigBytes, text)) {
    case FileReadResult::Read:
        return parseStoreConfig(text, sourceName);
    case FileReadResult::Missing:
        return {StoreConfig{}, {}};
    case FileReadResult::NotAFile:
        return {std::nullopt, sourceName + " is not a file."};
    case FileReadResult::TooLarge:
        return {std::nullopt, sourceName + " is larger than 16 KB."};
    case FileReadResult::Unreadable:
        break;
    }
    return {std::nullopt, sourceName + " could not be read."};
}

} // namespace Storefront

namespace Storefront {

std::string resolveURL(const std::string& base, const std::string& reference) {
    std::string error;
    const CurlLibrary* curl = curlLibrary(error);
    CURLU* url = curl ? curl->url() : nullptr;
    if (!url) {
        return {};
    }
    std::string resolved;
    if (curl->urlSet(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl->urlSet(url, CURLUPART_URL, reference.c_str(), 0) == CURLUE_OK) {
        resolved = urlPart(*curl, url, CURLUPART_URL);
    }
    curl->urlCleanup(url);
    return resolved;
}

} // namespace Storefront
