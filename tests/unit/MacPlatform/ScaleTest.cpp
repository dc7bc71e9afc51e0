// How the desktop's scale is chosen from its sources: the order they are heard in, the
// rounding to whole and half steps, and values that are no scale at all.
#include "Display/DisplayScale.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using MacPlatform::Display::ScaleSources;

namespace {

// The scale chosen, the source it came from, and whether our own variable was refused.
std::string chosen(const ScaleSources& sources) {
    auto choice = MacPlatform::Display::chooseScale(sources);
    std::ostringstream text;
    text << choice.scale << " " << choice.source << (choice.ownRefused ? " refused" : "");
    return text.str();
}

constexpr const char* kDpi192 = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";

} // namespace

TEST(Scale, SourcesAreHeardInOrderRoundedToHalfStepsAndNonsenseIsSkipped) {
    // Our variable over every other source, GDK_SCALE over QT_SCALE_FACTOR, that over Xft.dpi,
    // and that over the display's DPI.
    EXPECT_EQ(chosen({.own = "1.5", .gdkScale = "3", .qtScaleFactor = "2", .xResources = kDpi192}),
              "1.5 MACPLATFORM_SCALE");
    EXPECT_EQ(chosen({.gdkScale = "2", .qtScaleFactor = "1.5", .xResources = kDpi192}),
              "2 GDK_SCALE");
    EXPECT_EQ(chosen({.qtScaleFactor = "3", .xResources = kDpi192}), "3 QT_SCALE_FACTOR");
    EXPECT_EQ(chosen({.xResources = "Xft.dpi:\t96\n", .displayDpi = 192}), "1 Xft.dpi");
    // The last Xft.dpi line counts, and other resources are not it.
    EXPECT_EQ(chosen({.xResources = "Xft.dpi:\t96\nXft.dpi:\t192\nXft.dpis:\t144\n"}), "2 Xft.dpi");
    EXPECT_EQ(chosen({.xResources = "Xft.dpi:\tlarge\n", .displayDpi = 240}), "2.5 display DPI");

    // Half steps: above a quarter rounds up, below it and a quarter itself down; 1 to 4.
    EXPECT_EQ(chosen({.own = "1.3"}), "1.5 MACPLATFORM_SCALE");
    EXPECT_EQ(chosen({.own = "2.2"}), "2 MACPLATFORM_SCALE");
    EXPECT_EQ(chosen({.xResources = "Xft.dpi:\t120\n"}), "1 Xft.dpi");
    EXPECT_EQ(chosen({.own = "0.5"}), "1 MACPLATFORM_SCALE");
    EXPECT_EQ(chosen({.own = "40"}), "4 MACPLATFORM_SCALE");

    // Our variable is refused when it is no positive finite number; a toolkit's, quietly.
    EXPECT_EQ(chosen({.own = "big", .gdkScale = "2"}), "2 GDK_SCALE refused");
    for (const char* nonsense : {"0", "2x", "inf"}) {
        EXPECT_EQ(chosen({.own = nonsense}), "1 default refused") << nonsense;
    }
    EXPECT_EQ(chosen({.gdkScale = "-1", .qtScaleFactor = "nan"}), "1 default");
}
