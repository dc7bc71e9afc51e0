// The demo game's tour mode, used by the scripted tour of the launcher and by the tests: the
// game starts its helper application and quits by itself after a few seconds, as if the player
// had finished.
//
// Tour mode is on when either
//   - the environment variable DEMO_GAME_TOUR_SECONDS is set (the launcher hands its own
//     environment on to the game), or
//   - the file Contents/Resources/tour-mode exists in the game's bundle;
// the variable wins over the file. Their value (the file's first line) is the number of seconds
// to play, 1 to 600; an empty, unreadable or out-of-range value plays the default 4 seconds.
#pragma once

#include <optional>
#include <string>

namespace DemoGame {

constexpr int kDefaultTourSeconds = 4;

// The seconds a text asks for, or kDefaultTourSeconds when it is not a whole number from 1 to
// 600 (surrounding white space allowed).
int ParseTourSeconds(const std::string& text);

// How long to play in tour mode, or nothing when tour mode is off. resourcesFolder is the
// bundle's Contents/Resources folder.
std::optional<int> TourSeconds(const std::string& resourcesFolder);

} // namespace DemoGame
