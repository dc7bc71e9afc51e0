// Text views: views that show a text object (MacTextEditor.h), read-only.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#include <Carbon/HIToolboxTypes.h>
#include <Carbon/MacTextEditor.h>

#ifdef __cplusplus
extern "C" {
#endif

#define kHITextViewClassID CFSTR("com.apple.HITextView")

// A hidden text view with the given frame (empty when null), black 12-point Helvetica text and
// a transparent background. Inside a scroll view (HIScrollView.h) it takes the scroll view's
// size and scrolls there. paramErr for a null result.
OSStatus HITextViewCreate(const HIRect* inBoundsRect, OptionBits inOptions,
                          TXNFrameOptions inTXNFrameOptions, HIViewRef* outTextView);
// The view's text object, which lives as long as the view; null for a view that is not a text
// view.
TXNObject HITextViewGetTXNObject(HIViewRef inTextView);
// Fills the view with the colour (retained) behind its text; null makes it transparent again.
OSStatus HITextViewSetBackgroundColor(HIViewRef inTextView, CGColorRef inColor);

#ifdef __cplusplus
}
#endif
