// Converting points between a window, its views and the screen.
#include "HIToolbox/ControlGeometry.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

namespace MacPlatform::HIView {

namespace {

bool contains(const HIRect& frame, HIPoint point) {
    // As QuickDraw's PtInRect: the right and bottom edges belong to the neighbour.
    return point.x >= frame.origin.x && point.y >= frame.origin.y &&
           point.x < frame.origin.x + frame.size.width &&
           point.y < frame.origin.y + frame.size.height;
}

ViewState* deepestIn(ViewState& view, HIPoint local) {
    for (auto it = view.subviews.rbegin(); it != view.subviews.rend(); ++it) {
        ViewState* child = *it;
        if (!child->visible || !contains(child->frame, local)) {
            continue;
        }
        HIPoint inChild{local.x - child->frame.origin.x, local.y - child->frame.origin.y};
        ViewState* deeper = deepestIn(*child, inChild);
        return deeper ? deeper : child;
    }
    return nullptr;
}

// A point of some space, expressed in the coordinates of a tree's top (tree set) or in global
// coordinates (tree null).
struct TreePoint {
    const ViewState* tree = nullptr;
    HIPoint point{};
};

const ViewState* topOf(const ViewState* view) {
    while (view->parent) {
        view = view->parent;
    }
    return view;
}

OSStatus fromSpace(HICoordinateSpace space, void* object, HIPoint point, TreePoint& out) {
    switch (space) {
    case kHICoordSpace72DPIGlobal:
    case kHICoordSpaceScreenPixel:
        out = {nullptr, point};
        return noErr;
    case kHICoordSpaceWindow: {
        ViewState* root = stateOf(HIViewGetRoot(static_cast<WindowRef>(object)));
        if (!root) {
            return paramErr;
        }
        out = {root, point};
        return noErr;
    }
    case kHICoordSpaceView: {
        ViewState* view = stateOf(static_cast<HIViewRef>(object));
        if (!view) {
            return paramErr;
        }
        HIPoint origin = originInTree(*view);
        out = {topOf(view), HIPoint{point.x + origin.x, point.y + origin.y}};
        return noErr;
    }
    default:
        return paramErr;
    }
}

OSStatus toGlobal(TreePoint& at) {
    if (!at.tree) {
        return noErr;
    }
    Window* window = at.tree->window;
    if (!window) {
        return paramErr;
    }
    Rect content = window->contentBounds();
    at = {nullptr, HIPoint{at.point.x + content.left, at.point.y + content.top}};
    return noErr;
}

OSStatus fromGlobal(TreePoint& at, const ViewState* tree) {
    if (!tree) {
        return noErr;
    }
    if (!tree->window) {
        return paramErr;
    }
    Rect content = tree->window->contentBounds();
    at = {tree, HIPoint{at.point.x - content.left, at.point.y - content.top}};
    return noErr;
}

} // namespace

HIPoint originInTree(const ViewState& view) {
    HIPoint origin{0, 0};
    for (const ViewState* at = &view; at; at = at->parent) {
        origin.x += at->frame.origin.x;
        origin.y += at->frame.origin.y;
    }
    return origin;
}

ViewState* deepestVisibleViewAt(ViewState& root, HIPoint point) {
    return root.visible ? deepestIn(root, point) : nullptr;
}

} // namespace MacPlatform::HIView

extern "C" OSStatus HIPointConvert(HIPoint* ioPoint, HICoordinateSpace inSourceSpace,
                                   void* inSourceObject, HICoordinateSpace inDestinationSpace,
                                   void* inDestinationObject) {
    using namespace MacPlatform::HIView;
    if (!ioPoint) {
        return paramErr;
    }
    TreePoint at;
    OSStatus status = fromSpace(inSourceSpace, inSourceObject, *ioPoint, at);
    if (status != noErr) {
        return status;
    }
    // Where the destination's origin lies, found by converting its own origin.
    TreePoint destination;
    status = fromSpace(inDestinationSpace, inDestinationObject, HIPoint{0, 0}, destination);
    if (status != noErr) {
        return status;
    }
    if (at.tree != destination.tree) {
        status = toGlobal(at);
        if (status == noErr) {
            status = fromGlobal(at, destination.tree);
        }
        if (status != noErr) {
            return status;
        }
    }
    *ioPoint = HIPoint{at.point.x - destination.point.x, at.point.y - destination.point.y};
    return noErr;
}
