// The scroll view: shows its one subview through itself, sized to fill it but for a thin scroll
// bar on the right, and moves it vertically through the scrollable protocol.
#pragma once

#include <Carbon/HIScrollView.h>

#include <CoreGraphics/CoreGraphics.h>

namespace MacPlatform {

class ScrollView {
public:
    static constexpr double kBarWidth = 8;
    // Wheel notches scroll this many lines each.
    static constexpr double kLinesPerNotch = 3;

    static OSStatus create(HIViewRef* outView);
    static ScrollView* fromView(HIViewRef view);
    // The class handler: construct, destruct, draw, the scrollable protocol and input.
    static OSStatus handleEventForClass(EventHandlerCallRef call, EventRef event, void* userData);

    ScrollView(const ScrollView&) = delete;
    ScrollView& operator=(const ScrollView&) = delete;

    // Moves the subview by delta pixels (positive: further down its image), kept between its
    // top and the point where its end reaches the bottom; false when it did not move.
    bool scrollBy(double delta);

private:
    // The shared construct/destruct and draw answers (ViewSubclassEvents.h).
    template <typename View> friend OSStatus handleHIObjectEvent(EventRef, View*);
    template <typename View> friend OSStatus handleDrawEvent(EventRef, View*);

    struct ScrollInfo {
        HISize image;
        HISize view;
        HISize line;
        HIPoint origin;
    };

    explicit ScrollView(HIViewRef view) : m_view(view) {}
    ~ScrollView();

    // The subview that told this view about itself, while it still is a subview; else null.
    HIViewRef content();
    void adopt(HIViewRef content);
    void layoutContent();
    bool askInfo(ScrollInfo& info);
    void draw(CGContextRef context);
    void drawBar(CGContextRef context);

    // Input reaches the window, not the views, so the view listens on its window.
    void listenToWindow();
    static OSStatus handleWindowEvent(EventHandlerCallRef call, EventRef event, void* userData);
    OSStatus handleWheel(EventRef event);
    OSStatus handleKey(EventRef event);
    bool containsWindowPoint(const HIPoint& point);

    // Not retained: the view owns this object.
    HIViewRef m_view;
    // Retained while adopted.
    HIViewRef m_content = nullptr;
    WindowRef m_window = nullptr;
    EventHandlerRef m_windowHandler = nullptr;
};

} // namespace MacPlatform
