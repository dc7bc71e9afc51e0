#include "HIToolbox/TextView.h"
#include "CoreGraphics/CGContextCairo.h"
#include "HIToolbox/ControlClass.h"
#include "HIToolbox/ViewSubclassEvents.h"

#include <Carbon/HIView.h>

#include <algorithm>
#include <unordered_set>

namespace MacPlatform {

namespace {

constexpr char kClassID[] = "com.apple.HITextView";

// Text objects handed out and still alive, so that a stale TXNObject is refused, not followed.
std::unordered_set<const TextView*>& liveTextViews() {
    static auto* views = new std::unordered_set<const TextView*>;
    return *views;
}

const EventTypeSpec kEvents[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                 {kEventClassHIObject, kEventHIObjectDestruct},
                                 {kEventClassControl, kEventControlDraw},
                                 {kEventClassScrollable, kEventScrollableGetInfo},
                                 {kEventClassScrollable, kEventScrollableScrollTo}};

const ControlClassDescription kTextViewClass{kClassID, TextView::handleEventForClass, kEvents,
                                             GetEventTypeCount(kEvents)};

} // namespace

OSStatus TextView::create(const HIRect* bounds, HIViewRef* outView) {
    OSStatus status = createView(kTextViewClass, outView);
    if (status == noErr && bounds) {
        HIViewSetFrame(*outView, bounds);
    }
    return status;
}

TextView* TextView::fromView(HIViewRef view) {
    return static_cast<TextView*>(controlData(view, kClassID));
}

TextView* TextView::fromTXN(TXNObject object) {
    auto* view = reinterpret_cast<TextView*>(object);
    return liveTextViews().contains(view) ? view : nullptr;
}

TextView::TextView(HIViewRef view) : m_view(view) {
    liveTextViews().insert(this);
}

TextView::~TextView() {
    liveTextViews().erase(this);
    if (m_background) {
        CGColorRelease(m_background);
    }
}

OSStatus TextView::handleEventForClass(EventHandlerCallRef, EventRef event, void* userData) {
    auto* self = static_cast<TextView*>(userData);
    switch (GetEventClass(event)) {
    case kEventClassHIObject:
        return handleHIObjectEvent(event, self);
    case kEventClassControl:
        return handleDrawEvent(event, self);
    case kEventClassScrollable:
        return GetEventKind(event) == kEventScrollableGetInfo ? self->answerScrollInfo(event)
                                                              : self->scrollTo(event);
    default:
        return eventNotHandledErr;
    }
}

void TextView::setBackground(CGColorRef colour) {
    CGColorRetain(colour);
    CGColorRelease(m_background);
    m_background = colour;
    HIViewSetNeedsDisplay(m_view, true);
}

void TextView::contentChanged() {
    m_scrollOffset = std::min(m_scrollOffset, maxScrollOffset());
    HIViewSetNeedsDisplay(m_view, true);
    announceToParent();
}

void TextView::announceToParent() {
    m_announcedTo = HIViewGetSuperview(m_view);
    if (!m_announcedTo) {
        return;
    }
    // Straight to the parent: while the view draws, compositing has cut the link to it.
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassScrollable, kEventScrollableInfoChanged, 0, 0, &event) ==
        noErr) {
        SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof m_view, &m_view);
        SendEventToEventTarget(event, GetControlEventTarget(m_announcedTo));
        ReleaseEvent(event);
    }
}

HIRect TextView::viewRect() const {
    HIRect bounds = CGRectMake(0, 0, 0, 0);
    HIViewGetBounds(m_view, &bounds);
    return bounds;
}

HIRect TextView::textRect() {
    TextExtent extent = m_layout.extent(width());
    return CGRectMake(extent.x, extent.y - m_scrollOffset, extent.width, extent.height);
}

double TextView::maxScrollOffset() {
    double visible = viewRect().size.height;
    return std::max(0.0, m_layout.extent(width()).height - visible);
}

void TextView::draw(CGContextRef context) {
    // A text filled before the view was put in a scroll view has not been announced there yet.
    if (HIViewGetSuperview(m_view) != m_announcedTo) {
        announceToParent();
    }
    cairo_t* cr = cairoOfContext(context);
    if (!cr) {
        return;
    }
    HIRect bounds = viewRect();
    if (m_background) {
        const CGFloat* c = CGColorGetComponents(m_background);
        size_t count = CGColorGetNumberOfComponents(m_background);
        cairo_save(cr);
        if (count == 4) {
            cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3]);
        } else {
            cairo_set_source_rgba(cr, c[0], c[0], c[0], c[1]);
        }
        cairo_rectangle(cr, 0, 0, bounds.size.width, bounds.size.height);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    m_layout.draw(cr, bounds.size.width, -m_scrollOffset);
}

OSStatus TextView::answerScrollInfo(EventRef event) {
    double viewWidth = width();
    TextExtent extent = m_layout.extent(viewWidth);
    HISize image = CGSizeMake(viewWidth, extent.height);
    HISize view = viewRect().size;
    HISize line = CGSizeMake(viewWidth, m_layout.lineHeight(viewWidth));
    HIPoint origin = CGPointMake(0, m_scrollOffset);
    SetEventParameter(event, kEventParamImageSize, typeHISize, sizeof image, &image);
    SetEventParameter(event, kEventParamViewSize, typeHISize, sizeof view, &view);
    SetEventParameter(event, kEventParamLineSize, typeHISize, sizeof line, &line);
    return SetEventParameter(event, kEventParamOrigin, typeHIPoint, sizeof origin, &origin);
}

OSStatus TextView::scrollTo(EventRef event) {
    HIPoint origin;
    OSStatus status = GetEventParameter(event, kEventParamOrigin, typeHIPoint, nullptr,
                                        sizeof origin, nullptr, &origin);
    if (status != noErr) {
        return status;
    }
    double offset = std::clamp(origin.y, 0.0, maxScrollOffset());
    if (offset != m_scrollOffset) {
        m_scrollOffset = offset;
        HIViewSetNeedsDisplay(m_view, true);
    }
    return noErr;
}

} // namespace MacPlatform

using MacPlatform::TextView;

extern "C" {

// The view always wraps at its edge and lets fontconfig substitute fonts, so the options change
// nothing.
OSStatus HITextViewCreate(const HIRect* inBoundsRect, OptionBits, TXNFrameOptions,
                          HIViewRef* outTextView) {
    return TextView::create(inBoundsRect, outTextView);
}

TXNObject HITextViewGetTXNObject(HIViewRef inTextView) {
    TextView* view = TextView::fromView(inTextView);
    return view ? view->txn() : nullptr;
}

OSStatus HITextViewSetBackgroundColor(HIViewRef inTextView, CGColorRef inColor) {
    TextView* view = TextView::fromView(inTextView);
    if (!view || (inColor && CGColorGetNumberOfComponents(inColor) == 0)) {
        return paramErr;
    }
    view->setBackground(inColor);
    return noErr;
}

} // extern "C"
