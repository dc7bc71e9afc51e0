// Where views lie in their window: what the standard handler needs to find the view under the
// mouse and to give it the point in its own coordinates.
#pragma once

#include "HIToolbox/HIView.h"

namespace MacPlatform::HIView {

// The view's top left corner in the coordinates of the top of its tree (the root view, whose
// coordinates are the window's).
HIPoint originInTree(const ViewState& view);

// The deepest visible view under the point (in the root's coordinates) other than the root
// itself, the topmost where views overlap; null when only the root is there.
ViewState* deepestVisibleViewAt(ViewState& root, HIPoint point);

} // namespace MacPlatform::HIView
