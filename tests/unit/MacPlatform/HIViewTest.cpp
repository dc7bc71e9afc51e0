// Views on a window of the headless display: the tree, its event chain, and compositing through
// the window's one context.
#include "ControlTestHelpers.h"
#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>
#include <Carbon/HIView.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Colour {
    CGFloat r, g, b;
};

// A test view class that fills its bounds with its colour and notes what happens to it.
struct Filler {
    Colour colour{1, 0, 0};
    std::vector<CGContextRef> contexts;
    int destructs = 0;
};

// Every filler made, in order; the test owns them, so that they can be read after destruct.
std::vector<std::unique_ptr<Filler>> g_fillers;

OSStatus fillerHandler(EventHandlerCallRef call, EventRef event, void* userData) {
    auto* filler = static_cast<Filler*>(userData);
    if (GetEventClass(event) == kEventClassHIObject) {
        switch (GetEventKind(event)) {
        case kEventHIObjectConstruct:
            g_fillers.push_back(std::make_unique<Filler>());
            filler = g_fillers.back().get();
            return SetEventParameter(event, kEventParamHIObjectInstance, typeVoidPtr, sizeof filler,
                                     &filler);
        case kEventHIObjectDestruct:
            ++filler->destructs;
            return noErr;
        default:
            return CallNextEventHandler(call, event);
        }
    }
    CGContextRef context = nullptr;
    HIViewRef view = nullptr;
    GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr, sizeof context,
                      nullptr, &context);
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof view, nullptr,
                      &view);
    filler->contexts.push_back(context);
    HIRect bounds;
    HIViewGetBounds(view, &bounds);
    // Deliberately larger than the bounds: the clip keeps it inside.
    CGContextSetRGBFillColor(context, filler->colour.r, filler->colour.g, filler->colour.b, 1);
    CGContextFillRect(context, CGRectMake(0, 0, bounds.size.width + 50, bounds.size.height + 50));
    return noErr;
}

OSStatus countEvent(EventHandlerCallRef, EventRef, void* userData) {
    ++*static_cast<int*>(userData);
    return noErr;
}

class HIViewTest : public ControlTests::WindowFixture {
protected:
    static void SetUpTestSuite() {
        static const EventTypeSpec events[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                               {kEventClassHIObject, kEventHIObjectInitialize},
                                               {kEventClassHIObject, kEventHIObjectDestruct},
                                               {kEventClassControl, kEventControlDraw}};
        ASSERT_EQ(HIObjectRegisterSubclass(CFSTR("test.hiview.filler"), kHIViewClassID, 0,
                                           fillerHandler, 4, events, nullptr, &s_class),
                  noErr);
    }
    static void TearDownTestSuite() { HIObjectUnregisterClass(s_class); }
    void TearDown() override {
        WindowFixture::TearDown();
        g_fillers.clear();
    }

    // A shown filler view that only `parent` holds.
    static Filler* addFiller(HIViewRef parent, Colour colour, short left, short top, short width,
                             short height, HIViewRef* outView = nullptr) {
        HIViewRef view =
            ControlTests::addView(parent, left, top, width, height, CFSTR("test.hiview.filler"));
        g_fillers.back()->colour = colour;
        if (outView) {
            *outView = view;
        }
        return g_fillers.back().get();
    }
    static HIObjectClassRef s_class;
};

HIObjectClassRef HIViewTest::s_class = nullptr;

TEST_F(HIViewTest, TreeKeepsItsViewsAndPassesEventsUpToTheWindow) {
    HIViewRef root = HIViewGetRoot(m_window);
    ASSERT_NE(root, nullptr);
    HIViewRef outer = ControlTests::createView(kHIViewClassID, 5, 6, 30, 20);
    // Views start hidden.
    EXPECT_FALSE(HIViewIsVisible(outer));
    HIViewRef inner = nullptr;
    Filler* filler = addFiller(outer, {0, 1, 0}, 1, 1, 5, 5, &inner);
    EXPECT_EQ(HIViewAddSubview(root, outer), noErr);
    HIViewSetVisible(outer, true);
    EXPECT_EQ(HIViewGetWindow(inner), m_window);
    EXPECT_TRUE(HIViewIsVisible(inner));
    HIViewSetVisible(outer, false);
    EXPECT_FALSE(HIViewIsVisible(inner));

    EXPECT_EQ(HIViewAddSubview(inner, outer), errCantEmbedIntoSelf);
    EXPECT_EQ(HIViewAddSubview(outer, root), errCantEmbedRoot);

    // Events a view leaves go to its parent views and then the window.
    int windowGot = 0;
    EventTypeSpec click{kEventClassControl, kEventControlClick};
    InstallWindowEventHandler(m_window, countEvent, 1, &click, &windowGot, nullptr);
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassControl, kEventControlClick, 0, 0, &event);
    EXPECT_EQ(SendEventToEventTarget(event, GetControlEventTarget(inner)), noErr);
    EXPECT_EQ(windowGot, 1);

    // Moved to the root, the inner view no longer passes events through the outer one.
    int outerGot = 0;
    InstallControlEventHandler(outer, countEvent, 1, &click, &outerGot, nullptr);
    EXPECT_EQ(HIViewAddSubview(root, inner), noErr);
    SendEventToEventTarget(event, GetControlEventTarget(inner));
    EXPECT_EQ((std::pair{outerGot, windowGot}), (std::pair{0, 2}));
    EXPECT_EQ(filler->destructs, 0);
    EXPECT_EQ(HIViewRemoveFromSuperview(inner), noErr);
    EXPECT_EQ(filler->destructs, 1) << "the parent held the last reference";
    ReleaseEvent(event);
    CFRelease(outer);
}

TEST_F(HIViewTest, CompositingDrawsVisibleViewsInOrderThroughTheWindowContext) {
    HIViewRef root = HIViewGetRoot(m_window);
    HIViewRef container = nullptr;
    Filler* back = addFiller(root, {1, 0, 0}, 10, 10, 40, 30, &container);
    Filler* front = addFiller(root, {0, 0, 1}, 30, 20, 20, 20);
    Filler* child = addFiller(container, {0, 1, 0}, 35, 25, 20, 20);
    HIViewRef hiddenView = nullptr;
    Filler* hidden = addFiller(root, {0, 0, 0}, 0, 0, 80, 60, &hiddenView);
    HIViewSetVisible(hiddenView, false);
    RunCurrentEventLoop(0);

    // Later subviews draw on top; a subview is clipped to its parent (ending at 50, 40).
    EXPECT_EQ(
        (std::vector{pixel(5, 5), pixel(10, 10), pixel(30, 20), pixel(45, 35), pixel(50, 50)}),
        (std::vector<UInt32>{0xFFFFFF, 0xFF0000, 0x0000FF, 0x0000FF, 0xFFFFFF}));
    CGContextRef context = back->contexts.at(0);
    using Contexts = std::vector<CGContextRef>;
    EXPECT_EQ((std::vector{back->contexts, front->contexts, child->contexts, hidden->contexts}),
              (std::vector<Contexts>{{context}, {context}, {context}, {}}));

    // Nothing changed: no drawing on the next wake.
    RunCurrentEventLoop(0);
    EXPECT_EQ(back->contexts.size(), 1u);
    // Bringing the child's parent to the top shows the child over the front view, clipped.
    HIViewAddSubview(root, container);
    RunCurrentEventLoop(0);
    EXPECT_EQ(back->contexts.size(), 2u);
    EXPECT_EQ((std::vector{pixel(45, 35), pixel(49, 39), pixel(44, 36)}),
              (std::vector<UInt32>{0x00FF00, 0x00FF00, 0xFF0000}));
    HIViewSetNeedsDisplay(root, true);
    RunCurrentEventLoop(0);
    EXPECT_EQ(back->contexts.size(), 3u);

    // A resized window's root view follows the content, and the views draw again.
    ASSERT_TRUE(MacPlatform::Display::Headless::resizeWindow(
        MacPlatform::Window::fromRef(m_window)->displayID(), 120, 90));
    RunCurrentEventLoop(0);
    HIRect rootFrame;
    HIViewGetFrame(root, &rootFrame);
    EXPECT_TRUE(CGRectEqualToRect(rootFrame, CGRectMake(0, 0, 120, 90)));
    EXPECT_EQ(back->contexts, std::vector<CGContextRef>(4, context));
    // Coming back on screen after being hidden, the window is drawn afresh.
    HideWindow(m_window);
    ShowWindow(m_window);
    RunCurrentEventLoop(0);
    EXPECT_EQ(back->contexts.size(), 5u);

    // Disposing of the window destructs its views.
    DisposeWindow(m_window);
    m_window = nullptr;
    EXPECT_EQ((std::vector{back->destructs, child->destructs, hidden->destructs}),
              (std::vector{1, 1, 1}));
}

} // namespace
