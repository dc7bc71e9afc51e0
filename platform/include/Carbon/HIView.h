// Views: a tree of HIObjects per window, drawn by compositing through the window's context.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/Controls.h>
#include <Carbon/HIObject.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// The base class of every view, for HIObjectRegisterSubclass and HIObjectCreate.
#define kHIViewClassID CFSTR("com.apple.hiview")

enum { errCantEmbedIntoSelf = -30560, errCantEmbedRoot = -30561 };

// The window's root view, made with the window's content size on first use; null for a window
// that is not one.
HIViewRef HIViewGetRoot(WindowRef window);
// Moves the view into `parent`, on top of its other subviews; the parent keeps a reference.
// errCantEmbedRoot for a root view, errCantEmbedIntoSelf when the parent lies inside the view.
OSStatus HIViewAddSubview(HIViewRef parent, HIViewRef view);
OSStatus HIViewRemoveFromSuperview(HIViewRef view);
HIViewRef HIViewGetSuperview(HIViewRef view);
WindowRef HIViewGetWindow(HIViewRef view);

// Views start hidden, as the Mac makes them; only visible views with visible ancestors draw.
OSStatus HIViewSetVisible(HIViewRef view, Boolean visible);
Boolean HIViewIsVisible(HIViewRef view);

// The frame in the parent's coordinates (initialised from kEventParamBounds of the
// initialize event); the bounds are the same size at 0,0.
OSStatus HIViewGetFrame(HIViewRef view, HIRect* outFrame);
OSStatus HIViewSetFrame(HIViewRef view, const HIRect* frame);
OSStatus HIViewGetBounds(HIViewRef view, HIRect* outBounds);

// Marks the view's window for compositing, which the event loop does once per wake: every
// visible view receives kEventControlDraw with the window's context, moved to its origin and
// clipped to it.
OSStatus HIViewSetNeedsDisplay(HIViewRef view, Boolean needsDisplay);

typedef ControlID HIViewID;

// Searches the tree from startView (itself first, then its subviews depth first, bottom to
// top) for the view with the ID. kHIViewWindowContentID names the window's content view.
// errUnknownControl when no view has it, paramErr for a start that is not a view.
OSStatus HIViewFindByID(HIViewRef startView, HIViewID id, HIViewRef* outView);

typedef UInt32 HICoordinateSpace;
enum {
    kHICoordSpace72DPIGlobal = 1,
    kHICoordSpaceScreenPixel = 2,
    kHICoordSpaceWindow = 3,
    kHICoordSpaceView = 4
};

// Converts the point between spaces. The window space has its origin at the top left of the
// content area (windows here have no structure drawn by the program); the view space at the
// top left of the view's bounds; the global spaces at the top left of the main screen, one
// pixel per point. The objects are the WindowRef or HIViewRef of the space (null for the
// global ones). paramErr for a missing object or a view in no window when global or another
// window's coordinates are asked for.
OSStatus HIPointConvert(HIPoint* ioPoint, HICoordinateSpace inSourceSpace, void* inSourceObject,
                        HICoordinateSpace inDestinationSpace, void* inDestinationObject);

#ifdef __cplusplus
}
#endif
