// Hands a StyledText's style runs to Pango.
#pragma once

#include "StyledText.h"

#include <string>
#include <string_view>

// Declared as Pango declares it, so that callers need not see Pango's headers.
typedef struct _PangoAttrList PangoAttrList;

namespace MacPlatform {

// A new attribute list (the caller unrefs it) with a bold weight, an italic style, a single
// underline, capitals, small capitals and font families over the runs that have them; text set
// with the StyledText's text gets the styles. Small capitals are the font's own where it has
// them, else capitals at a smaller size, as Pango makes them. Runs past 4 GiB, which Pango cannot
// index, are cut off there.
PangoAttrList* createPangoAttributes(const StyledText& styled);

// The text to give Pango with those attributes: the StyledText's text, except that Greek
// letters in runs of capitals or small capitals lose their tonos, as Greek is written in
// capitals (Pango's capitals keep it: "ΆΔΕΙΑ" for "ΑΔΕΙΑ"). Every byte offset stays where it
// was: those letters take two bytes of UTF-8 with and without the accent.
std::string textForShaping(const StyledText& styled);

// The family that draws a font of a StyledText: the first name of the comma-separated list that
// fontconfig has, or that it has a metric-compatible face for ("Times New Roman" gives
// Liberation Serif or Nimbus Roman); empty when it would only give its generic fallback, so that
// the view's own font draws the text instead.
std::string resolveFontFamily(std::string_view families);

} // namespace MacPlatform
