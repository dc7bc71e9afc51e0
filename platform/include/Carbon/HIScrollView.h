// Scroll views: a view that shows its one subview through itself and scrolls it vertically, with
// a thin scroll bar along its right edge.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

#define kHIScrollViewClassID CFSTR("com.apple.HIScrollView")

enum { kHIScrollViewOptionsVertScroll = 1u << 1 };

// The scrollable protocol between a scroll view and its subview. The scroll view asks the
// subview for its sizes with kEventScrollableGetInfo (the subview answers with
// kEventParamImageSize, the size of all it could show, kEventParamViewSize, the size it shows at
// a time, kEventParamLineSize, one step of scrolling, and kEventParamOrigin, where in the image
// its top left corner is) and moves it with kEventScrollableScrollTo (kEventParamOrigin).
enum { kEventClassScrollable = 0x7363726C }; // 'scrl'
enum {
    kEventScrollableGetInfo = 1,
    kEventScrollableInfoChanged = 2,
    kEventScrollableScrollTo = 10
};
enum {
    kEventParamImageSize = 0x696D737A, // 'imsz'
    kEventParamViewSize = 0x7677737A,  // 'vwsz'
    kEventParamLineSize = 0x6C6E737A,  // 'lnsz'
    kEventParamOrigin = 0x6F72676E     // 'orgn'
};

// A hidden scroll view with an empty frame. Its subview (added with HIViewAddSubview) fills it
// but for the scroll bar. The mouse wheel over it and the Page Up, Page Down, Home and End keys
// of its window scroll it while it is visible. paramErr for a null result or options without
// kHIScrollViewOptionsVertScroll.
OSStatus HIScrollViewCreate(OptionBits inOptions, HIViewRef* outView);

#ifdef __cplusplus
}
#endif
