// How the desktop's scale is chosen from its sources: the order they are heard in, the
// rounding to whole and half steps, and values that are no scale at all.
#include "Display/DisplayScale.h"

#include <gtest/gtest.h>

#include <string>

using MacPlatform::Display::chooseScale;
using MacPlatform::Display::ScaleSources;

namespace {

struct Case {
    const char* what;
    ScaleSources sources;
    double scale;
    std::string source;
    bool ownRefused;
};

constexpr const char* kResources192 = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";

} // namespace

TEST(Scale, SourcesAreHeardInOrderRoundedToHalfStepsAndNonsenseIsSkipped) {
    const Case cases[] = {
        {"our variable over every other source",
         {.own = "1.5",
          .gdkScale = "3",
          .qtScaleFactor = "2",
          .xResources = kResources192,
          .displayDpi = 288},
         1.5,
         "MACPLATFORM_SCALE",
         false},
        {"GDK_SCALE over QT_SCALE_FACTOR and Xft.dpi",
         {.gdkScale = "2", .qtScaleFactor = "1.5", .xResources = kResources192},
         2,
         "GDK_SCALE",
         false},
        {"QT_SCALE_FACTOR over Xft.dpi",
         {.qtScaleFactor = "3", .xResources = kResources192},
         3,
         "QT_SCALE_FACTOR",
         false},
        {"Xft.dpi over the display's DPI",
         {.xResources = "Xft.dpi:\t96\n", .displayDpi = 192},
         1,
         "Xft.dpi",
         false},
        {"the last Xft.dpi line counts, and other resources are not it",
         {.xResources = "Xft.dpi:\t96\nXft.dpi:\t192\nXft.dpis:\t144\n"},
         2,
         "Xft.dpi",
         false},
        {"a broken Xft.dpi leaves it to the display's DPI",
         {.xResources = "Xft.dpi:\tlarge\n", .displayDpi = 240},
         2.5,
         "display DPI",
         false},
        {"above a quarter rounds up", {.own = "1.3"}, 1.5, "MACPLATFORM_SCALE", false},
        {"below it down", {.own = "2.2"}, 2, "MACPLATFORM_SCALE", false},
        {"and a quarter itself down", {.xResources = "Xft.dpi:\t120\n"}, 1, "Xft.dpi", false},
        {"never below 1", {.own = "0.5"}, 1, "MACPLATFORM_SCALE", false},
        {"never above the largest", {.own = "40"}, 4, "MACPLATFORM_SCALE", false},
        {"our variable as text", {.own = "big", .gdkScale = "2"}, 2, "GDK_SCALE", true},
        {"our variable 0", {.own = "0"}, 1, "default", true},
        {"our variable with a unit", {.own = "2x"}, 1, "default", true},
        {"our variable not a finite number", {.own = "inf"}, 1, "default", true},
        {"a toolkit's nonsense is skipped quietly",
         {.gdkScale = "-1", .qtScaleFactor = "nan"},
         1,
         "default",
         false},
    };
    for (const Case& c : cases) {
        auto choice = chooseScale(c.sources);
        EXPECT_EQ(choice.scale, c.scale) << c.what;
        EXPECT_EQ(choice.source, c.source) << c.what;
        EXPECT_EQ(choice.ownRefused, c.ownRefused) << c.what;
    }
}
