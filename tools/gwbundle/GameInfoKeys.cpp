#include "GameInfoKeys.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace gwbundle {

namespace {

bool allDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The launcher reads numbers with atoi, which stops at the first character that is not a digit
// and gives nonsense past int's range: only plain digits within range mean what they say.
bool isWholeNumber(std::string_view text, long minimum) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-') {
        digits.remove_prefix(1);
    }
    if (!allDigits(digits) || digits.size() > 10) {
        return false;
    }
    long long value = std::strtoll(std::string(text).c_str(), nullptr, 10);
    return value >= minimum && value <= INT_MAX;
}

bool isColour(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 6) {
        return false;
    }
    for (char c : text) {
        if (!isHexDigit(c)) {
            return false;
        }
    }
    return true;
}

bool isPrice(std::string_view text) {
    if (text.empty() || text.front() == '-' || text.front() == '+' || text.front() == ' ') {
        return false;
    }
    std::string copy(text);
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && errno == 0 && std::isfinite(value) && value >= 0 &&
           value <= 3.4e38;
}

bool isGamePath(std::string_view text) {
    if (text.empty() || text.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view component = text.substr(start, end - start);
        if (component == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

const std::vector<GameInfoKey> kKeys = {
    {"Application ID=", "Application ID", GameInfoValue::identifier, true, "0",
     "the game's numeric identifier: handed to the storefront plug-in and part of the key "
     "that remembers the user's agreement"},
    {"Application Name=", "Name", GameInfoValue::text, true, "",
     "the game's name: the start page's title and the plug-in's name for the game"},
    {"Application Exec Path=", "Game Exec Path", GameInfoValue::gamePath, true, "",
     "the game inside the bundle's .Game folder: an .app folder or an executable file"},
    {"Developer Channel ID=", "Channel ID", GameInfoValue::count, true, "0",
     "the publisher's channel number, handed to the plug-in"},
    {"App Version String=", "Version", GameInfoValue::text, true, "",
     "the build line shown on the start page"},
    {"Application Price=", "Price", GameInfoValue::price, true, "0",
     "the game's price, handed to the plug-in unchanged"},
    {"Font Color Build=", "Build Color", GameInfoValue::colour, false, "C3C3C3",
     "colour of the build line"},
    {"Font Color App Name=", "Name Color", GameInfoValue::colour, false, "000000",
     "colour of the game's name"},
    {"Build X=", "Build X", GameInfoValue::position, false, "450",
     "left edge of the build line, in pixels from the window's left"},
    {"Build Y=", "Build Y", GameInfoValue::position, false, "510",
     "baseline of the build line, in pixels from the window's top"},
    {"Brand X=", "Brand X", GameInfoValue::position, false, "9",
     "left edge of the branding picture"},
    {"Brand Y=", "Brand Y", GameInfoValue::position, false, "22",
     "top edge of the branding picture"},
    {"Track Child Processes=", "Track Child Processes", GameInfoValue::flag, false, "0",
     "1: when the game ends, the programs it started are stopped too"},
};

} // namespace

const std::vector<GameInfoKey>& gameInfoKeys() {
    return kKeys;
}

const GameInfoKey* findGameInfoKeyByManifestName(std::string_view manifestKey) {
    for (const GameInfoKey& key : kKeys) {
        if (manifestKey == key.manifestKey) {
            return &key;
        }
    }
    return nullptr;
}

std::string describeExpectedValue(GameInfoValue value) {
    switch (value) {
    case GameInfoValue::text:
        return "text";
    case GameInfoValue::identifier:
        return "a whole number from 1 up";
    case GameInfoValue::count:
        return "a whole number from 0 up";
    case GameInfoValue::price:
        return "a decimal number from 0 up, such as 9.99";
    case GameInfoValue::colour:
        return "a hexadecimal colour RRGGBB, such as C3C3C3";
    case GameInfoValue::position:
        return "a whole number of pixels";
    case GameInfoValue::flag:
        return "0 or 1";
    case GameInfoValue::gamePath:
        return "a path inside .Game without '..', such as Demo.app";
    }
    return "a value";
}

std::optional<std::string> gameInfoValueProblem(const GameInfoKey& key, std::string_view value) {
    if (value.size() > kMaxGameInfoValue) {
        return "is " + std::to_string(value.size()) + " bytes long; the launcher keeps only " +
               std::to_string(kMaxGameInfoValue);
    }
    if (value.find('\r') != std::string_view::npos) {
        return std::string("holds a carriage return inside its value");
    }
    bool ok = true;
    switch (key.value) {
    case GameInfoValue::text:
        ok = !value.empty() || !key.required;
        break;
    case GameInfoValue::identifier:
        ok = isWholeNumber(value, 1);
        break;
    case GameInfoValue::count:
        ok = isWholeNumber(value, 0);
        break;
    case GameInfoValue::price:
        ok = isPrice(value);
        break;
    case GameInfoValue::colour:
        ok = isColour(value);
        break;
    case GameInfoValue::position:
        ok = isWholeNumber(value, INT_MIN + 1L);
        break;
    case GameInfoValue::flag:
        ok = value == "0" || value == "1";
        break;
    case GameInfoValue::gamePath:
        ok = isGamePath(value);
        break;
    }
    if (ok) {
        return std::nullopt;
    }
    if (value.empty()) {
        return "is empty; it must be " + describeExpectedValue(key.value);
    }
    return "is '" + std::string(value) + "', not " + describeExpectedValue(key.value);
}

} // namespace gwbundle
