#include "Display/DisplayScale.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace MacPlatform::Display {

namespace {

// A positive, finite number and nothing else but blanks around it.
std::optional<double> positiveNumber(std::string_view text) {
    std::string copy(text);
    const char* start = copy.c_str();
    char* end = nullptr;
    double value = std::strtod(start, &end);
    if (end == start) {
        return std::nullopt;
    }
    while (*end && std::isspace(static_cast<unsigned char>(*end))) {
        ++end;
    }
    if (*end || !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> positiveNumber(const char* text) {
    return text ? positiveNumber(std::string_view(text)) : std::nullopt;
}

// The value of Xft.dpi in a resource database's text: one "name:\tvalue" a line.
std::optional<double> xftDpi(const char* resources) {
    if (!resources) {
        return std::nullopt;
    }
    std::string_view rest(resources);
    std::optional<double> found;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
            name.remove_suffix(1);
        }
        if (name == "Xft.dpi") {
            // As the resource manager does, the last line for a name wins.
            found = positiveNumber(line.substr(colon + 1));
        }
    }
    return found;
}

// Desktops count 96 dots per inch as one pixel per point.
std::optional<double> perPoint(std::optional<double> dpi) {
    return dpi ? std::optional<double>(*dpi / 96) : std::nullopt;
}

// The nearest half step; a value just between two (1.25, the desktops' 125 %) takes the
// smaller, as a window too large for a small screen is worse than one a little small.
double rounded(double value) {
    double step = std::ceil(value * 2 - 0.5) / 2;
    return std::fmin(std::fmax(step, 1.0), kMaxScale);
}

} // namespace

ScaleChoice chooseScale(const ScaleSources& sources) {
    ScaleChoice choice;
    if (std::optional<double> own = positiveNumber(sources.own)) {
        choice.scale = rounded(*own);
        choice.source = kScaleVariable;
        return choice;
    }
    choice.ownRefused = sources.own != nullptr;
    const struct {
        std::optional<double> value;
        const char* name;
    } others[] = {
        {positiveNumber(sources.gdkScale), "GDK_SCALE"},
        {positiveNumber(sources.qtScaleFactor), "QT_SCALE_FACTOR"},
        {perPoint(xftDpi(sources.xResources)), "Xft.dpi"},
        {perPoint(sources.displayDpi > 0 && std::isfinite(sources.displayDpi)
                      ? std::optional<double>(sources.displayDpi)
                      : std::nullopt),
         "display DPI"},
    };
    for (const auto& other : others) {
        if (other.value) {
            choice.scale = rounded(*other.value);
            choice.source = other.name;
            return choice;
        }
    }
    return choice;
}

ScaleSources environmentScaleSources() {
    ScaleSources sources;
    // An empty variable counts as not set, as for the toolkits.
    auto variable = [](const char* name) -> const char* {
        const char* value = std::getenv(name);
        return value && *value ? value : nullptr;
    };
    sources.own = variable(kScaleVariable);
    sources.gdkScale = variable("GDK_SCALE");
    sources.qtScaleFactor = variable("QT_SCALE_FACTOR");
    return sources;
}

double decideScale(const ScaleSources& sources) {
    ScaleChoice choice = chooseScale(sources);
    static bool told = false;
    if (choice.ownRefused && !told) {
        told = true;
        std::fprintf(stderr,
                     "MacPlatform: %s=\"%s\" is not a scale (a number such as 1, 1.5 or 2); "
                     "using %g from %s\n",
                     kScaleVariable, sources.own, choice.scale, choice.source);
    }
    return choice.scale;
}

} // namespace MacPlatform::Display
