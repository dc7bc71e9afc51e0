// Windows described in a nib: the window through the window code, then its views in the
// content view, back to front, each with its ControlID.
#include "CoreFoundation/CFStringObject.h"
#include "HIToolbox/Nib.h"

#include <Carbon/Controls.h>
#include <Carbon/HIScrollView.h>
#include <Carbon/HITextViews.h>
#include <Carbon/HIView.h>
#include <Carbon/MacWindows.h>

namespace MacPlatform {

namespace {

// Nibs give a window's size only. New windows open at the same place near the top left of
// the screen, clear of a desktop panel along the top.
constexpr short kNewWindowLeft = 80;
constexpr short kNewWindowTop = 80;

Rect quickDrawRect(const HIRect& frame) {
    return Rect{static_cast<short>(frame.origin.y), static_cast<short>(frame.origin.x),
                static_cast<short>(frame.origin.y + frame.size.height),
                static_cast<short>(frame.origin.x + frame.size.width)};
}

OSStatus makeView(const NibView& description, HIViewRef* outView) {
    Rect bounds = quickDrawRect(description.frame);
    switch (description.kind) {
    case NibViewKind::pushButton: {
        CFStringRef title = createString(description.title);
        OSStatus status = CreatePushButtonControl(nullptr, &bounds, title, outView);
        CFRelease(title);
        if (status == noErr) {
            status = SetControlCommandID(*outView, description.command);
        }
        return status;
    }
    case NibViewKind::staticText: {
        CFStringRef text = createString(description.title);
        OSStatus status = CreateStaticTextControl(nullptr, &bounds, text, nullptr, outView);
        CFRelease(text);
        return status;
    }
    case NibViewKind::scrollView: {
        OSStatus status = HIScrollViewCreate(kHIScrollViewOptionsVertScroll, outView);
        if (status == noErr) {
            status = HIViewSetFrame(*outView, &description.frame);
        }
        return status;
    }
    case NibViewKind::textView:
        return HITextViewCreate(&description.frame, 0,
                                kTXNAlwaysWrapAtViewEdgeMask | kTXNDoFontSubstitutionMask, outView);
    }
    return paramErr;
}

OSStatus addViews(const std::vector<NibView>& descriptions, HIViewRef parent, WindowRef window) {
    for (const NibView& description : descriptions) {
        HIViewRef view = nullptr;
        OSStatus status = makeView(description, &view);
        if (status == noErr) {
            status = HIViewAddSubview(parent, view);
        }
        if (view) {
            // The parent holds the view from here on; on failure nobody does.
            CFRelease(view);
        }
        if (status != noErr) {
            return status;
        }
        HIViewSetVisible(view, true);
        if (description.controlID) {
            ControlID id{description.controlID->signature, description.controlID->id};
            SetControlID(view, &id);
        }
        if (description.isDefault) {
            SetWindowDefaultButton(window, view);
        }
        if (description.isCancel) {
            SetWindowCancelButton(window, view);
        }
        status = addViews(description.subviews, view, window);
        if (status != noErr) {
            return status;
        }
    }
    return noErr;
}

} // namespace

} // namespace MacPlatform

extern "C" OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName,
                                        WindowRef* outWindow) {
    using namespace MacPlatform;
    if (!outWindow) {
        return paramErr;
    }
    *outWindow = nullptr;
    const NibWindowDescription* description = nullptr;
    OSStatus status = findNibWindow(inNibRef, inName, &description);
    if (status != noErr) {
        return status;
    }
    Rect bounds{kNewWindowTop, kNewWindowLeft,
                static_cast<short>(kNewWindowTop + description->height),
                static_cast<short>(kNewWindowLeft + description->width)};
    WindowRef window = nullptr;
    status = CreateNewWindow(description->windowClass, description->attributes, &bounds, &window);
    if (status != noErr) {
        return status;
    }
    CFStringRef title = createString(description->title);
    status = SetWindowTitleWithCFString(window, title);
    CFRelease(title);
    HIViewRef content = nullptr;
    if (status == noErr) {
        status = HIViewFindByID(HIViewGetRoot(window), kHIViewWindowContentID, &content);
    }
    if (status == noErr) {
        status = addViews(description->views, content, window);
    }
    if (status != noErr) {
        DisposeWindow(window);
        return status;
    }
    *outWindow = window;
    return noErr;
}
