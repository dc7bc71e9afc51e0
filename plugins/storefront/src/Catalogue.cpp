#include "Catalogue.h"

#include "FileRead.h"

#include <glib.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <sstream>

namespace Storefront {

namespace {

constexpr std::size_t kMaxLineBytes = 2048;
constexpr long kMaxPriceInCents = 9999999;

std::string trim(const std::string& text) {
    const char* blanks = " \t\r";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::optional<int> parsePositiveInt(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

// "12", "12.5" or "12.50"; no sign, no exponent, at most two decimals.
std::optional<long> parsePrice(const std::string& text) {
    std::size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 5 || fraction.size() > 2 ||
        (dot != std::string::npos && fraction.empty())) {
        return std::nullopt;
    }
    for (char c : whole + fraction) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    long cents = std::stol(whole) * 100;
    if (!fraction.empty()) {
        cents += std::stol(fraction) * (fraction.size() == 1 ? 10 : 1);
    }
    if (cents > kMaxPriceInCents) {
        return std::nullopt;
    }
    return cents;
}

// Covers stay inside the storefront's own folder.
bool isSafeRelativePath(const std::string& path) {
    if (path.empty() || path[0] == '/' || path.find('\\') != std::string::npos) {
        return false;
    }
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part == "..") {
            return false;
        }
    }
    return true;
}

bool isHex(const std::string& text, std::size_t length) {
    if (text.size() != length) {
        return false;
    }
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

class CatalogueParser {
public:
    explicit CatalogueParser(const std::string& sourceName) : m_sourceName(sourceName) {}

    CatalogueResult parse(const std::string& text) {
        if (text.size() > kMaxCatalogueBytes) {
            return failWhole("is larger than " + std::to_string(kMaxCatalogueBytes / 1024) + " KB");
        }
        if (text.find('\0') != std::string::npos) {
            return failWhole("holds a NUL byte; it is not a text file");
        }
        if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
            return failWhole("is not valid UTF-8 text");
        }
        std::stringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            ++m_lineNumber;
            if (!takeLine(line)) {
                return {std::nullopt, m_error};
            }
        }
        if (!finishEntry()) {
            return {std::nullopt, m_error};
        }
        if (m_catalogue.version == 0) {
            return failWhole("gives no catalogue-version");
        }
        return {std::move(m_catalogue), {}};
    }

private:
    CatalogueResult failWhole(const std::string& reason) {
        return {std::nullopt, m_sourceName + " " + reason + "."};
    }

    bool fail(const std::string& reason) {
        m_error = m_sourceName + ", line " + std::to_string(m_lineNumber) + ": " + reason + ".";
        return false;
    }

    bool takeLine(const std::string& rawLine) {
        if (rawLine.size() > kMaxLineBytes) {
            return fail("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
        }
        std::string line = trim(rawLine);
        if (line.empty() || line[0] == '#') {
            return true;
        }
        if (line[0] == '[') {
            if (!finishEntry()) {
                return false;
            }
            if (line == "[update]") {
                if (m_catalogue.update) {
                    return fail("[update] is given twice");
                }
                m_catalogue.update = UpdateAnnouncement{};
                m_keysSeen.clear();
                m_inUpdate = true;
                m_entryLine = m_lineNumber;
                return true;
            }
            if (line != "[game]") {
                return fail("unknown section \"" + line +
                            "\" (only [game] and [update] are known)");
            }
            if (m_catalogue.entries.size() == kMaxCatalogueEntries) {
                return fail("more than " + std::to_string(kMaxCatalogueEntries) + " games");
            }
            m_entry = CatalogueEntry{};
            m_keysSeen.clear();
            m_inEntry = true;
            m_entryLine = m_lineNumber;
            return true;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return fail("expected \"key = value\"");
        }
        std::string key = trim(line.substr(0, equals));
        std::string value = trim(line.substr(equals + 1));
        if (!m_keysSeen.insert(key).second) {
            return fail("\"" + key + "\" is given twice");
        }
        if (m_inUpdate) {
            return takeUpdateKey(key, value);
        }
        return m_inEntry ? takeEntryKey(key, value) : takeHeaderKey(key, value);
    }

    bool takeHeaderKey(const std::string& key, const std::string& value) {
        if (key == "catalogue-version") {
            std::optional<int> version = parsePositiveInt(value);
            if (!version) {
                return fail("catalogue-version \"" + value + "\" is not a whole number above 0");
            }
            m_catalogue.version = *version;
        } else if (key == "heading") {
            m_catalogue.heading = value;
        } else {
            return fail("unknown key \"" + key + "\" before the first [game]");
        }
        return true;
    }

    bool takeEntryKey(const std::string& key, const std::string& value) {
        if (key == "id") {
            std::optional<int> id = parsePositiveInt(value);
            if (!id) {
                return fail("id \"" + value + "\" is not a whole number above 0");
            }
            m_entry.id = *id;
        } else if (key == "title") {
            if (value.empty()) {
                return fail("the title is empty");
            }
            m_entry.title = value;
        } else if (key == "price") {
            std::optional<long> cents = parsePrice(value);
            if (!cents) {
                return fail("price \"" + value + "\" is not an amount such as 9.99");
            }
            m_entry.priceInCents = *cents;
        } else if (key == "description") {
            m_entry.description = value;
        } else if (key == "cover") {
            if (!isSafeRelativePath(value)) {
                return fail("cover \"" + value +
                            "\" is not a relative path inside the storefront folder");
            }
            m_entry.coverPath = value;
        } else {
            return fail("unknown key \"" + key + "\" in a [game]");
        }
        return true;
    }

    bool takeUpdateKey(const std::string& key, const std::string& value) {
        UpdateAnnouncement& update = *m_catalogue.update;
        if (key == "version") {
            std::optional<int> version = parsePositiveInt(value);
            if (!version) {
                return fail("version \"" + value + "\" is not a whole number above 0");
            }
            update.version = *version;
        } else if (key == "url") {
            if (value.empty()) {
                return fail("the url is empty");
            }
            update.url = value;
        } else if (key == "sha256") {
            if (!isHex(value, 64)) {
                return fail("sha256 is not 64 hexadecimal digits");
            }
            update.sha256 = value;
        } else if (key == "signature") {
            if (!isHex(value, 128)) {
                return fail("signature is not 128 hexadecimal digits");
            }
            update.signature = value;
        } else {
            return fail("unknown key \"" + key + "\" in the [update]");
        }
        return true;
    }

    bool finishEntry() {
        if (m_inUpdate) {
            m_inUpdate = false;
            if (m_keysSeen.size() != 4) {
                m_lineNumber = m_entryLine;
                return fail("the [update] needs version, url, sha256 and signature");
            }
            m_keysSeen.clear();
            return true;
        }
        if (!m_inEntry) {
            return true;
        }
        if (m_entry.title.empty() || !m_keysSeen.contains("price")) {
            m_lineNumber = m_entryLine;
            return fail("the [game] needs both a title and a price");
        }
        m_catalogue.entries.push_back(std::move(m_entry));
        m_inEntry = false;
        m_keysSeen.clear();
        return true;
    }

    std::string m_sourceName;
    Catalogue m_catalogue;
    CatalogueEntry m_entry;
    std::set<std::string> m_keysSeen;
    bool m_inEntry = false;
    bool m_inUpdate = false;
    int m_lineNumber = 0;
    int m_entryLine = 0;
    std::string m_error;
};

} // namespace

CatalogueResult parseCatalogue(const std::string& text, const std::string& sourceName) {
    return CatalogueParser(sourceName).parse(text);
}

CatalogueResult loadCatalogue(const std::string& path, const std::string& sourceName) {
    std::string text;
    switch (readSmallFile(path, kMaxCatalogueBytes, text)) {
    case FileReadResult::Read:
        return parseCatalogue(text, sourceName);
    case FileReadResult::Missing:
        return {std::nullopt, sourceName + " could not be opened."};
    case FileReadResult::NotAFile:
        return {std::nullopt, sourceName + " is not a file."};
    case FileReadResult::TooLarge:
        return {std::nullopt, sourceName + " is larger than " +
                                  std::to_string(kMaxCatalogueBytes / 1024) + " KB."};
    case FileReadResult::Unreadable:
        break;
    }
    return {std::nullopt, sourceName + " could not be read."};
}

std::string formatPrice(long priceInCents) {
    if (priceInCents == 0) {
        return "Free";
    }
    char text[32];
    std::snprintf(text, sizeof text, "$%ld.%02ld", priceInCents / 100, priceInCents % 100);
    return text;
}

} // namespace Storefront
