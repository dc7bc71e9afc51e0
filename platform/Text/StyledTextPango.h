// Hands a StyledText's style runs to Pango.
#pragma once

#include "StyledText.h"

// Declared as Pango declares it, so that callers need not see Pango's headers.
typedef struct _PangoAttrList PangoAttrList;

namespace MacPlatform {

// A new attribute list (the caller unrefs it) with a bold weight, an italic style and a single
// underline over the runs that have them; text set with the StyledText's text gets the styles.
// Runs past 4 GiB, which Pango cannot index, are cut off there.
PangoAttrList* createPangoAttributes(const StyledText& styled);

} // namespace MacPlatform
