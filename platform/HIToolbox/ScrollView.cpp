#include "HIToolbox/ScrollView.h"
#include "HIToolbox/ControlClass.h"
#include "HIToolbox/ViewSubclassEvents.h"

#include <Carbon/HIView.h>
#include <Carbon/MacWindows.h>

#include <algorithm>
#include <iterator>

namespace MacPlatform {

namespace {

constexpr char kClassID[] = "com.apple.HIScrollView";

const EventTypeSpec kEvents[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                 {kEventClassHIObject, kEventHIObjectDestruct},
                                 {kEventClassControl, kEventControlDraw},
                                 {kEventClassScrollable, kEventScrollableInfoChanged},
                                 {kEventClassMouse, kEventMouseWheelMoved},
                                 {kEventClassKeyboard, kEventRawKeyDown},
                                 {kEventClassKeyboard, kEventRawKeyRepeat}};

const ControlClassDescription kScrollViewClass{kClassID, ScrollView::handleEventForClass, kEvents,
                                               GetEventTypeCount(kEvents)};

} // namespace

OSStatus ScrollView::create(HIViewRef* outView) {
    return createView(kScrollViewClass, outView);
}

ScrollView* ScrollView::fromView(HIViewRef view) {
    return static_cast<ScrollView*>(controlData(view, kClassID));
}

ScrollView::~ScrollView() {
    if (m_windowHandler) {
        // Refused harmlessly when the window and its handlers are gone already.
        RemoveEventHandler(m_windowHandler);
    }
    if (m_content) {
        CFRelease(m_content);
    }
}

OSStatus ScrollView::handleEventForClass(EventHandlerCallRef, EventRef event, void* userData) {
    auto* self = static_cast<ScrollView*>(userData);
    switch (GetEventClass(event)) {
    case kEventClassHIObject:
        return handleHIObjectEvent(event, self);
    case kEventClassControl:
        return handleDrawEvent(event, self);
    case kEventClassScrollable: {
        HIViewRef content = nullptr;
        OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr,
                                            sizeof content, nullptr, &content);
        if (status != noErr) {
            return status;
        }
        if (HIViewGetSuperview(content) != self->m_view) {
            return eventNotHandledErr;
        }
        self->adopt(content);
        return noErr;
    }
    case kEventClassMouse:
        return self->handleWheel(event);
    case kEventClassKeyboard:
        return self->handleKey(event);
    default:
        return eventNotHandledErr;
    }
}

HIViewRef ScrollView::content() {
    if (m_content && HIViewGetSuperview(m_content) != m_view) {
        CFRelease(m_content);
        m_content = nullptr;
    }
    return m_content;
}

void ScrollView::adopt(HIViewRef content) {
    if (content != m_content) {
        CFRetain(content);
        if (m_content) {
            CFRelease(m_content);
        }
        m_content = content;
    }
    layoutContent();
    listenToWindow();
    HIViewSetNeedsDisplay(m_view, true);
}

void ScrollView::layoutContent() {
    HIRect bounds, frame;
    if (!content() || HIViewGetBounds(m_view, &bounds) != noErr ||
        HIViewGetFrame(m_content, &frame) != noErr) {
        return;
    }
    HIRect wanted =
        CGRectMake(0, 0, std::max(0.0, bounds.size.width - kBarWidth), bounds.size.height);
    if (!CGRectEqualToRect(frame, wanted)) {
        HIViewSetFrame(m_content, &wanted);
    }
}

bool ScrollView::askInfo(ScrollInfo& info) {
    if (!content()) {
        return false;
    }
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassScrollable, kEventScrollableGetInfo, 0, 0, &event) !=
        noErr) {
        return false;
    }
    // Straight to the subview's handlers: the protocol is between the two views alone.
    bool answered = SendEventToEventTarget(event, GetControlEventTarget(m_content)) == noErr &&
                    GetEventParameter(event, kEventParamImageSize, typeHISize, nullptr,
                                      sizeof info.image, nullptr, &info.image) == noErr &&
                    GetEventParameter(event, kEventParamViewSize, typeHISize, nullptr,
                                      sizeof info.view, nullptr, &info.view) == noErr &&
                    GetEventParameter(event, kEventParamLineSize, typeHISize, nullptr,
                                      sizeof info.line, nullptr, &info.line) == noErr &&
                    GetEventParameter(event, kEventParamOrigin, typeHIPoint, nullptr,
                                      sizeof info.origin, nullptr, &info.origin) == noErr;
    ReleaseEvent(event);
    return answered;
}

bool ScrollView::scrollBy(double delta) {
    ScrollInfo info;
    if (!askInfo(info)) {
        return false;
    }
    double limit = std::max(0.0, info.image.height - info.view.height);
    double target = std::clamp(info.origin.y + delta, 0.0, limit);
    if (target == info.origin.y) {
        return false;
    }
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassScrollable, kEventScrollableScrollTo, 0, 0, &event) !=
        noErr) {
        return false;
    }
    HIPoint origin = CGPointMake(info.origin.x, target);
    SetEventParameter(event, kEventParamOrigin, typeHIPoint, sizeof origin, &origin);
    bool moved = SendEventToEventTarget(event, GetControlEventTarget(m_content)) == noErr;
    ReleaseEvent(event);
    // The bar moves with the subview.
    HIViewSetNeedsDisplay(m_view, true);
    return moved;
}

void ScrollView::draw(CGContextRef context) {
    // The subviews draw after this view, so a frame set here is the one they draw in.
    layoutContent();
    listenToWindow();
    drawBar(context);
}

void ScrollView::drawBar(CGContextRef context) {
    ScrollInfo info;
    HIRect bounds;
    if (!askInfo(info) || HIViewGetBounds(m_view, &bounds) != noErr ||
        info.image.height <= info.view.height || info.view.height <= 0) {
        return;
    }
    double trackX = bounds.size.width - kBarWidth;
    double trackHeight = bounds.size.height;
    double thumbHeight =
        std::max(kBarWidth * 2, trackHeight * info.view.height / info.image.height);
    thumbHeight = std::min(thumbHeight, trackHeight);
    double travel = info.image.height - info.view.height;
    double thumbY = (trackHeight - thumbHeight) * std::clamp(info.origin.y / travel, 0.0, 1.0);
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, 0.9, 0.9, 0.9, 1);
    CGContextFillRect(context, CGRectMake(trackX, 0, kBarWidth, trackHeight));
    CGContextSetRGBFillColor(context, 0.55, 0.55, 0.55, 1);
    CGContextFillRect(context, CGRectMake(trackX + 2, thumbY + 1, kBarWidth - 4, thumbHeight - 2));
    CGContextRestoreGState(context);
}

void ScrollView::listenToWindow() {
    WindowRef window = HIViewGetWindow(m_view);
    if (window == m_window) {
        return;
    }
    if (m_windowHandler) {
        RemoveEventHandler(m_windowHandler);
        m_windowHandler = nullptr;
    }
    m_window = window;
    if (window) {
        static const EventTypeSpec events[] = {{kEventClassMouse, kEventMouseWheelMoved},
                                               {kEventClassKeyboard, kEventRawKeyDown},
                                               {kEventClassKeyboard, kEventRawKeyRepeat}};
        InstallEventHandler(GetWindowEventTarget(window), handleWindowEvent, std::size(events),
                            events, this, &m_windowHandler);
    }
}

OSStatus ScrollView::handleWindowEvent(EventHandlerCallRef, EventRef event, void* userData) {
    auto* self = static_cast<ScrollView*>(userData);
    if (!HIViewIsVisible(self->m_view) || HIViewGetWindow(self->m_view) != self->m_window) {
        return eventNotHandledErr;
    }
    if (GetEventClass(event) == kEventClassKeyboard) {
        return self->handleKey(event);
    }
    HIPoint where;
    if (GetEventParameter(event, kEventParamWindowMouseLocation, typeHIPoint, nullptr, sizeof where,
                          nullptr, &where) != noErr ||
        !self->containsWindowPoint(where)) {
        return eventNotHandledErr;
    }
    return self->handleWheel(event);
}

bool ScrollView::containsWindowPoint(const HIPoint& point) {
    HIRect frame;
    if (HIViewGetFrame(m_view, &frame) != noErr) {
        return false;
    }
    for (HIViewRef at = HIViewGetSuperview(m_view); at; at = HIViewGetSuperview(at)) {
        HIRect outer;
        HIViewGetFrame(at, &outer);
        frame.origin.x += outer.origin.x;
        frame.origin.y += outer.origin.y;
    }
    return CGRectContainsPoint(frame, point);
}

OSStatus ScrollView::handleWheel(EventRef event) {
    EventMouseWheelAxis axis = kEventMouseWheelAxisX;
    SInt32 delta = 0;
    if (GetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, nullptr,
                          sizeof axis, nullptr, &axis) != noErr ||
        axis != kEventMouseWheelAxisY ||
        GetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, nullptr, sizeof delta,
                          nullptr, &delta) != noErr) {
        return eventNotHandledErr;
    }
    ScrollInfo info;
    if (!askInfo(info)) {
        return eventNotHandledErr;
    }
    // A positive delta turns the wheel away from the user, which shows what lies above.
    scrollBy(-static_cast<double>(delta) * kLinesPerNotch * info.line.height);
    return noErr;
}

OSStatus ScrollView::handleKey(EventRef event) {
    enum : UInt32 { kHome = 0x73, kPageUp = 0x74, kEnd = 0x77, kPageDown = 0x79 };
    UInt32 keyCode = 0;
    ScrollInfo info;
    if (GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof keyCode, nullptr,
                          &keyCode) != noErr ||
        !askInfo(info)) {
        return eventNotHandledErr;
    }
    // A page keeps one line of the previous page in sight.
    double page = std::max(info.line.height, info.view.height - info.line.height);
    switch (keyCode) {
    case kPageDown:
        scrollBy(page);
        return noErr;
    case kPageUp:
        scrollBy(-page);
        return noErr;
    case kHome:
        scrollBy(-info.origin.y);
        return noErr;
    case kEnd:
        scrollBy(info.image.height);
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

} // namespace MacPlatform

extern "C" OSStatus HIScrollViewCreate(OptionBits inOptions, HIViewRef* outView) {
    if (!(inOptions & kHIScrollViewOptionsVertScroll)) {
        if (outView) {
            *outView = nullptr;
        }
        return paramErr;
    }
    return MacPlatform::ScrollView::create(outView);
}
