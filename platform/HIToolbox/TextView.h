// The text view: an HIView subclass that draws a text object's layout, with an optional
// background colour, and answers the scrollable protocol so that a scroll view can move it.
#pragma once

#include "HIToolbox/TextViewLayout.h"

#include <Carbon/HIScrollView.h>
#include <Carbon/HITextViews.h>

namespace MacPlatform {

class TextView {
public:
    static OSStatus create(const HIRect* bounds, HIViewRef* outView);
    // The live text view behind a reference, or null.
    static TextView* fromView(HIViewRef view);
    static TextView* fromTXN(TXNObject object);

    // The class handler: construct, destruct, draw and the scrollable protocol.
    static OSStatus handleEventForClass(EventHandlerCallRef call, EventRef event, void* userData);

    TextView(const TextView&) = delete;
    TextView& operator=(const TextView&) = delete;

    TXNObject txn() const { return reinterpret_cast<TXNObject>(const_cast<TextView*>(this)); }
    HIViewRef view() const { return m_view; }
    TextViewLayout& layout() { return m_layout; }

    void setBackground(CGColorRef colour);
    // Redraws the view after a change of its text or attributes, and tells the view it lies in
    // (a scroll view) that the text's size may have changed.
    void contentChanged();

    // In the view's coordinates: its bounds, and the laid-out text moved up by the scroll offset.
    HIRect viewRect() const;
    HIRect textRect();
    double scrollOffset() const { return m_scrollOffset; }

private:
    // The shared construct/destruct and draw answers (ViewSubclassEvents.h).
    template <typename View> friend OSStatus handleHIObjectEvent(EventRef, View*);
    template <typename View> friend OSStatus handleDrawEvent(EventRef, View*);

    explicit TextView(HIViewRef view);
    ~TextView();

    double width() const { return viewRect().size.width; }
    // Tells the parent view with kEventScrollableInfoChanged that the text's size may have changed.
    void announceToParent();
    void draw(CGContextRef context);
    OSStatus answerScrollInfo(EventRef event);
    OSStatus scrollTo(EventRef event);
    double maxScrollOffset();

    // Not retained: the view owns this object.
    HIViewRef m_view;
    TextViewLayout m_layout;
    CGColorRef m_background = nullptr;
    double m_scrollOffset = 0;
    // The parent last told about the text; compared, never followed.
    HIViewRef m_announcedTo = nullptr;
};

} // namespace MacPlatform
