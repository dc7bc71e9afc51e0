#include "TourMode.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace DemoGame {

int ParseTourSeconds(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    if (begin == end || end - begin > 3) {
        return kDefaultTourSeconds;
    }
    int seconds = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return kDefaultTourSeconds;
        }
        seconds = seconds * 10 + (text[i] - '0');
    }
    return seconds >= 1 && seconds <= 600 ? seconds : kDefaultTourSeconds;
}

std::optional<int> TourSeconds(const std::string& resourcesFolder) {
    if (const char* variable = std::getenv("DEMO_GAME_TOUR_SECONDS")) {
        return ParseTourSeconds(variable);
    }
    const std::string marker = resourcesFolder + "/tour-mode";
    struct stat info {};
    if (resourcesFolder.empty() || stat(marker.c_str(), &info) != 0) {
        return std::nullopt;
    }
    std::ifstream file(marker);
    std::string firstLine;
    std::getline(file, firstLine);
    return ParseTourSeconds(firstLine);
}

} // namespace DemoGame
