// The settings of the game-information file "RAW_002.wdt": every key the launcher reads, the
// manifest key a publisher writes it with, its default, and what a well-formed value looks
// like. Building a bundle and checking one both go through this table, so they cannot drift
// apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwbundle {

enum class GameInfoValue {
    text,       // any text up to 1023 bytes
    identifier, // a whole number from 1 up
    count,      // a whole number from 0 up
    price,      // a decimal number from 0 up
    colour,     // hexadecimal RRGGBB, optionally with 0x
    position,   // a whole number of pixels, may be negative
    flag,       // 0 or 1
    gamePath,   // a relative path inside the bundle's .Game folder
};

struct GameInfoKey {
    const char* key;         // as written in the file, with its '='
    const char* manifestKey; // as written in a gwbundle manifest
    GameInfoValue value;
    bool required;           // the launcher has no useful default for it
    const char* defaultText; // what the launcher uses when the line is absent
    const char* meaning;
};

// All thirteen keys, in the order build writes them.
const std::vector<GameInfoKey>& gameInfoKeys();
const GameInfoKey* findGameInfoKeyByManifestName(std::string_view manifestKey);

// Values are cut by the launcher at this many bytes.
constexpr std::size_t kMaxGameInfoValue = 1023;

// Nothing when the value is well-formed for the key; otherwise what is wrong with it, phrased
// to follow "Key= ..." (for example "is 'abc', not a whole number from 1 up").
std::optional<std::string> gameInfoValueProblem(const GameInfoKey& key, std::string_view value);

// A value the launcher would read differently from what the publisher meant: for example a
// colour written "#FF0000" reads as 0 (black).
std::string describeExpectedValue(GameInfoValue value);

} // namespace gwbundle
