// How many device pixels one point takes on this desktop: the window's content is laid out in
// points (a 720 by 540 window stays 720 by 540 for the program) and drawn at that many pixels
// per point, so that it has the size the desktop gives every application and its text stays
// crisp. The backends read the sources they have and leave the choice to chooseScale.
#pragma once

namespace MacPlatform::Display {

// Our own variable: when it holds a scale, that scale is used whatever the desktop says.
constexpr const char* kScaleVariable = "MACPLATFORM_SCALE";

// Where a scale can come from; null (or 0 for the DPI) for a source that is not there.
struct ScaleSources {
    const char* own = nullptr;           // MACPLATFORM_SCALE
    const char* gdkScale = nullptr;      // GDK_SCALE, the toolkits' per-session setting
    const char* qtScaleFactor = nullptr; // QT_SCALE_FACTOR
    const char* xResources = nullptr;    // the X resource database as text (its Xft.dpi)
    double displayDpi = 0;               // the display's own measure of its pixels per inch
};

struct ScaleChoice {
    double scale = 1;
    // The source that decided: "MACPLATFORM_SCALE", "GDK_SCALE", "QT_SCALE_FACTOR",
    // "Xft.dpi", "display DPI", or "default" when none said anything usable.
    const char* source = "default";
    // Our own variable was set to something that is no scale (not a number, 0, negative):
    // the choice went on with the other sources.
    bool ownRefused = false;
};

// The first usable source in the order of ScaleSources (96 dpi is 1), rounded to the nearest
// whole or half step (down from a quarter: 1.25 is 1) and kept between 1 and kMaxScale. Values that
// are not positive numbers are skipped.
constexpr double kMaxScale = 4;
ScaleChoice chooseScale(const ScaleSources& sources);

// The sources the environment holds (our variable, GDK_SCALE, QT_SCALE_FACTOR); the backend
// adds what its display says.
ScaleSources environmentScaleSources();

// chooseScale, saying on standard error (once per process) when our own variable was refused.
double decideScale(const ScaleSources& sources);

} // namespace MacPlatform::Display
