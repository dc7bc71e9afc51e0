#include "HIToolbox/HIView.h"
#include "CoreGraphics/CGContextCairo.h"
#include "HIToolbox/HIObject.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

#include <algorithm>
#include <vector>

namespace MacPlatform::HIView {

namespace {

constexpr char kViewClassID[] = "com.apple.hiview";

} // namespace

ViewState* stateOf(HIViewRef view) {
    HIObjectInstance* object = HIObjectInstance::fromRef(objectOfView(view));
    if (!object || !object->isOfClass(kViewClassID)) {
        return nullptr;
    }
    return static_cast<ViewState*>(object->instanceDataOf(kViewClassID));
}

HIViewRef refOf(const ViewState& state) {
    return viewOfObject(state.object->ref());
}

Window* windowOf(const ViewState* state) {
    while (state->parent) {
        state = state->parent;
    }
    return state->window;
}

void needsCompositing(const ViewState* state) {
    if (Window* window = windowOf(state)) {
        window->setNeedsCompositing();
    }
}

namespace {

void detach(ViewState& child) {
    ViewState* parent = child.parent;
    std::erase(parent->subviews, &child);
    child.parent = nullptr;
    child.object->eventTarget().setParent(nullptr);
}

OSStatus viewClassHandler(EventHandlerCallRef, EventRef event, void* userData) {
    switch (GetEventKind(event)) {
    case kEventHIObjectConstruct: {
        HIObjectRef ref = nullptr;
        OSStatus status = GetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef,
                                            nullptr, sizeof ref, nullptr, &ref);
        if (status != noErr) {
            return status;
        }
        auto* state = new ViewState;
        state->object = HIObjectInstance::fromRef(ref);
        return SetEventParameter(event, kEventParamHIObjectInstance, typeVoidPtr, sizeof state,
                                 &state);
    }
    case kEventHIObjectInitialize: {
        auto* state = static_cast<ViewState*>(userData);
        Rect bounds;
        if (GetEventParameter(event, kEventParamBounds, typeQDRectangle, nullptr, sizeof bounds,
                              nullptr, &bounds) == noErr) {
            state->frame = CGRectMake(bounds.left, bounds.top, bounds.right - bounds.left,
                                      bounds.bottom - bounds.top);
        }
        return noErr;
    }
    case kEventHIObjectDestruct: {
        auto* state = static_cast<ViewState*>(userData);
        // A view is destructed only once no parent holds it, so only its subviews are left.
        for (ViewState* child : std::vector<ViewState*>(state->subviews)) {
            detach(*child);
            CFRelease(refOf(*child));
        }
        delete state;
        return noErr;
    }
    default:
        return eventNotHandledErr;
    }
}

// Draws the view and then its subviews over it, each in its own coordinates and clipped to
// its own and its ancestors' bounds.
void drawView(ViewState& state, CGContextRef context) {
    if (!state.visible) {
        return;
    }
    HIViewRef ref = refOf(state);
    CFRetain(ref);
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, state.frame.origin.x, state.frame.origin.y);
    CGContextClipToRect(context, CGRectMake(0, 0, state.frame.size.width, state.frame.size.height));
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassControl, kEventControlDraw, 0, 0, &event) == noErr) {
        SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof ref, &ref);
        SetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, sizeof context,
                          &context);
        // Drawing is the view's own: a draw it leaves unhandled must not make its parent
        // draw again in the child's place.
        EventTarget& target = state.object->eventTarget();
        target.setParent(nullptr);
        target.send(event);
        // The chain is linked again from where the view is now: a draw handler may have moved
        // it, and a root view goes on to its window.
        if (state.parent) {
            target.setParent(&state.parent->object->eventTarget());
        } else if (state.window) {
            target.setParent(&state.window->eventTarget());
        }
        ReleaseEvent(event);
    }
    std::vector<ViewState*> subviews = state.subviews;
    for (ViewState* child : subviews) {
        CFRetain(refOf(*child));
    }
    for (ViewState* child : subviews) {
        drawView(*child, context);
        CFRelease(refOf(*child));
    }
    CGContextRestoreGState(context);
    CFRelease(ref);
}

} // namespace

void describeBaseClass(HIObjectClass& viewClass) {
    static const EventTypeSpec events[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                           {kEventClassHIObject, kEventHIObjectInitialize},
                                           {kEventClassHIObject, kEventHIObjectDestruct}};
    viewClass.id = kViewClassID;
    viewClass.proc = viewClassHandler;
    viewClass.events.assign(std::begin(events), std::end(events));
}

HIViewRef createRoot(Window& window) {
    HIViewRef root = nullptr;
    if (createViewOfClass(kViewClassID, nullptr, &root) != noErr) {
        return nullptr;
    }
    ViewState* state = stateOf(root);
    state->window = &window;
    state->visible = true;
    state->frame = CGRectMake(0, 0, window.width(), window.height());
    state->object->eventTarget().setParent(&window.eventTarget());

    // Programs put their views into the content view, found with kHIViewWindowContentID.
    HIViewRef content = nullptr;
    if (createViewOfClass(kViewClassID, nullptr, &content) != noErr) {
        CFRelease(root);
        return nullptr;
    }
    ViewState* contentState = stateOf(content);
    contentState->visible = true;
    contentState->frame = state->frame;
    contentState->controlID = kHIViewWindowContentID;
    HIViewAddSubview(root, content);
    CFRelease(content);
    return root;
}

void resizeRoot(HIViewRef root, int width, int height) {
    ViewState* state = stateOf(root);
    if (!state) {
        return;
    }
    HIRect frame = CGRectMake(0, 0, width, height);
    HIViewSetFrame(root, &frame);
    for (ViewState* child : state->subviews) {
        if (child->controlID.signature == kHIViewWindowContentID.signature &&
            child->controlID.id == kHIViewWindowContentID.id) {
            HIViewSetFrame(refOf(*child), &frame);
        }
    }
}

void compositeDirtyWindows() {
    for (Window* window : std::vector<Window*>(Window::frontToBack())) {
        if (!Window::fromRef(window->ref()) || !window->takeNeedsCompositing()) {
            continue;
        }
        ViewState* state = stateOf(window->rootView());
        if (!state) {
            continue;
        }
        CGContextRef context = window->context();
        resetContextForDrawing(context, nullptr);
        window->paintBackground();
        WindowRef ref = window->ref();
        drawView(*state, context);
        // A draw handler may have disposed of the window.
        if (Window::fromRef(ref) == window) {
            window->present();
        }
    }
}

} // namespace MacPlatform::HIView

using MacPlatform::HIView::stateOf;
using MacPlatform::HIView::ViewState;

extern "C" {

HIViewRef HIViewGetRoot(WindowRef window) {
    MacPlatform::Window* object = MacPlatform::Window::fromRef(window);
    return object ? object->rootView() : nullptr;
}

OSStatus HIViewAddSubview(HIViewRef parent, HIViewRef view) {
    ViewState* parentState = stateOf(parent);
    ViewState* child = stateOf(view);
    if (!parentState || !child) {
        return paramErr;
    }
    if (child->window) {
        return errCantEmbedRoot;
    }
    for (ViewState* at = parentState; at; at = at->parent) {
        if (at == child) {
            return errCantEmbedIntoSelf;
        }
    }
    CFRetain(view);
    if (child->parent) {
        MacPlatform::HIView::needsCompositing(child);
        MacPlatform::HIView::detach(*child);
        CFRelease(view);
    }
    parentState->subviews.push_back(child);
    child->parent = parentState;
    child->object->eventTarget().setParent(&parentState->object->eventTarget());
    MacPlatform::HIView::needsCompositing(child);
    return noErr;
}

OSStatus HIViewRemoveFromSuperview(HIViewRef view) {
    ViewState* state = stateOf(view);
    if (!state) {
        return paramErr;
    }
    if (!state->parent) {
        return noErr;
    }
    MacPlatform::HIView::needsCompositing(state);
    MacPlatform::HIView::detach(*state);
    CFRelease(view);
    return noErr;
}

HIViewRef HIViewGetSuperview(HIViewRef view) {
    ViewState* state = stateOf(view);
    return state && state->parent ? MacPlatform::HIView::refOf(*state->parent) : nullptr;
}

WindowRef HIViewGetWindow(HIViewRef view) {
    ViewState* state = stateOf(view);
    MacPlatform::Window* window = state ? MacPlatform::HIView::windowOf(state) : nullptr;
    return window ? window->ref() : nullptr;
}

OSStatus HIViewSetVisible(HIViewRef view, Boolean visible) {
    ViewState* state = stateOf(view);
    if (!state) {
        return paramErr;
    }
    if (state->visible != static_cast<bool>(visible)) {
        state->visible = visible;
        MacPlatform::HIView::needsCompositing(state);
    }
    return noErr;
}

Boolean HIViewIsVisible(HIViewRef view) {
    for (ViewState* state = stateOf(view); state; state = state->parent) {
        if (!state->visible) {
            return false;
        }
        if (!state->parent) {
            return true;
        }
    }
    return false;
}

OSStatus HIViewGetFrame(HIViewRef view, HIRect* outFrame) {
    ViewState* state = stateOf(view);
    if (!state || !outFrame) {
        return paramErr;
    }
    *outFrame = state->frame;
    return noErr;
}

OSStatus HIViewSetFrame(HIViewRef view, const HIRect* frame) {
    ViewState* state = stateOf(view);
    if (!state || !frame) {
        return paramErr;
    }
    MacPlatform::HIView::needsCompositing(state);
    state->frame = *frame;
    return noErr;
}

OSStatus HIViewGetBounds(HIViewRef view, HIRect* outBounds) {
    ViewState* state = stateOf(view);
    if (!state || !outBounds) {
        return paramErr;
    }
    *outBounds = CGRectMake(0, 0, state->frame.size.width, state->frame.size.height);
    return noErr;
}

OSStatus HIViewSetNeedsDisplay(HIViewRef view, Boolean needsDisplay) {
    ViewState* state = stateOf(view);
    if (!state) {
        return paramErr;
    }
    if (needsDisplay) {
        MacPlatform::HIView::needsCompositing(state);
    }
    return noErr;
}

EventTargetRef GetControlEventTarget(ControlRef control) {
    return HIObjectGetEventTarget(MacPlatform::objectOfView(control));
}

} // extern "C"
