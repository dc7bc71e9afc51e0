// Control IDs, commands, QuickDraw bounds and highlighting: what every view carries in its base
// state, and the searches that find a view by its ID.
#include "HIToolbox/HIView.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

#include <cmath>

using MacPlatform::HIView::stateOf;
using MacPlatform::HIView::ViewState;

namespace {

bool sameID(const ControlID& a, const ControlID& b) {
    return a.signature == b.signature && a.id == b.id;
}

ViewState* findByID(ViewState& start, const ControlID& id) {
    if (sameID(start.controlID, id)) {
        return &start;
    }
    for (ViewState* child : start.subviews) {
        if (ViewState* found = findByID(*child, id)) {
            return found;
        }
    }
    return nullptr;
}

short toQuickDraw(CGFloat value) {
    return static_cast<short>(std::lround(value));
}

} // namespace

extern "C" {

const ControlID kHIViewWindowContentID = {0x77696E64 /* 'wind' */, 1};

OSStatus SetControlID(ControlRef control, const ControlID* id) {
    ViewState* state = stateOf(control);
    if (!state || !id) {
        return paramErr;
    }
    state->controlID = *id;
    return noErr;
}

OSStatus GetControlID(ControlRef control, ControlID* outID) {
    ViewState* state = stateOf(control);
    if (!state || !outID) {
        return paramErr;
    }
    *outID = state->controlID;
    return noErr;
}

OSStatus HIViewFindByID(HIViewRef startView, HIViewID id, HIViewRef* outView) {
    ViewState* start = stateOf(startView);
    if (!start || !outView) {
        return paramErr;
    }
    ViewState* found = findByID(*start, id);
    *outView = found ? MacPlatform::HIView::refOf(*found) : nullptr;
    return found ? noErr : errUnknownControl;
}

OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* outControl) {
    if (!MacPlatform::Window::fromRef(window)) {
        return errInvalidWindowRef;
    }
    if (!id || !outControl) {
        return paramErr;
    }
    return HIViewFindByID(HIViewGetRoot(window), *id, outControl);
}

OSStatus SetControlCommandID(ControlRef control, UInt32 commandID) {
    ViewState* state = stateOf(control);
    if (!state) {
        return paramErr;
    }
    state->commandID = commandID;
    return noErr;
}

OSStatus GetControlCommandID(ControlRef control, UInt32* outCommandID) {
    ViewState* state = stateOf(control);
    if (!state || !outCommandID) {
        return paramErr;
    }
    *outCommandID = state->commandID;
    return noErr;
}

void SetControlBounds(ControlRef control, const Rect* bounds) {
    if (!bounds) {
        return;
    }
    HIRect frame = CGRectMake(bounds->left, bounds->top, bounds->right - bounds->left,
                              bounds->bottom - bounds->top);
    HIViewSetFrame(control, &frame);
}

Rect* GetControlBounds(ControlRef control, Rect* outBounds) {
    if (!outBounds) {
        return nullptr;
    }
    *outBounds = Rect{0, 0, 0, 0};
    HIRect frame;
    if (HIViewGetFrame(control, &frame) == noErr) {
        outBounds->left = toQuickDraw(CGRectGetMinX(frame));
        outBounds->top = toQuickDraw(CGRectGetMinY(frame));
        outBounds->right = toQuickDraw(CGRectGetMaxX(frame));
        outBounds->bottom = toQuickDraw(CGRectGetMaxY(frame));
    }
    return outBounds;
}

void HiliteControl(ControlRef control, ControlPartCode part) {
    ViewState* state = stateOf(control);
    if (state && state->hilite != part) {
        state->hilite = part;
        MacPlatform::HIView::needsCompositing(state);
    }
}

ControlPartCode GetControlHilite(ControlRef control) {
    ViewState* state = stateOf(control);
    return state ? state->hilite : static_cast<ControlPartCode>(kControlNoPart);
}

Boolean PtInRect(Point pt, const Rect* r) {
    return r != nullptr && pt.h >= r->left && pt.h < r->right && pt.v >= r->top && pt.v < r->bottom;
}

} // extern "C"
