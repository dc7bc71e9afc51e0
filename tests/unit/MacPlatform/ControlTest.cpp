// Control IDs, the content view, QuickDraw bounds, point conversion and the standard handler's
// hit test, on a window of the headless display.
#include "ControlTestHelpers.h"

namespace {

using namespace ControlTests;

struct HitRecord {
    HIViewRef view = nullptr;
    HIPoint location{};
    int count = 0;
};

OSStatus recordHitTest(EventHandlerCallRef, EventRef event, void* userData) {
    auto* record = static_cast<HitRecord*>(userData);
    ++record->count;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof record->view,
                      nullptr, &record->view);
    GetEventParameter(event, kEventParamMouseLocation, typeHIPoint, nullptr,
                      sizeof record->location, nullptr, &record->location);
    return noErr;
}

class ControlTest : public WindowFixture {};

TEST_F(ControlTest, ViewsAreFoundByTheirIDsAndTheContentViewFillsTheWindow) {
    HIViewRef content = this->content();
    HIRect frame;
    ASSERT_EQ(HIViewGetFrame(content, &frame), noErr);
    EXPECT_TRUE(CGRectEqualToRect(frame, CGRectMake(0, 0, 300, 200)));

    HIViewRef outer = addView(content, 10, 20, 100, 100);
    HIViewRef inner = addView(outer, 5, 7, 30, 30);
    const ControlID text{0x4D545854 /* 'MTXT' */, 0}, other{0x4D545854, 1};
    ASSERT_EQ(SetControlID(inner, &text), noErr);
    ASSERT_EQ(SetControlID(outer, &other), noErr);

    HIViewRef found = nullptr;
    EXPECT_EQ(HIViewFindByID(HIViewGetRoot(m_window), text, &found), noErr);
    EXPECT_EQ(found, inner) << "the search goes down into subviews";
    EXPECT_EQ(GetControlByID(m_window, &other, &found), noErr);
    EXPECT_EQ(found, outer);
    EXPECT_EQ(HIViewFindByID(inner, other, &found), errUnknownControl)
        << "a search starting below a view does not find it";
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(HIViewFindByID(nullptr, text, &found), paramErr);

    // The content view follows the window when it is resized.
    ASSERT_TRUE(MacPlatform::Display::Headless::resizeWindow(windowID(), 320, 180));
    pump();
    ASSERT_EQ(HIViewGetFrame(content, &frame), noErr);
    EXPECT_TRUE(CGRectEqualToRect(frame, CGRectMake(0, 0, 320, 180)));
}

TEST_F(ControlTest, BoundsAndPointsConvertBetweenWindowViewsAndScreen) {
    HIViewRef outer = addView(content(), 10, 20, 100, 100);
    HIViewRef inner = addView(outer, 5, 7, 30, 30);
    Rect bounds{};
    EXPECT_EQ(edges(*GetControlBounds(inner, &bounds)), (Edges{7, 5, 37, 35}));
    Rect moved{8, 6, 48, 56};
    SetControlBounds(inner, &moved);
    HIRect frame;
    HIViewGetFrame(inner, &frame);
    EXPECT_TRUE(CGRectEqualToRect(frame, CGRectMake(6, 8, 50, 40)));

    HIPoint point{20, 30};
    ASSERT_EQ(HIPointConvert(&point, kHICoordSpaceWindow, m_window, kHICoordSpaceView, inner),
              noErr);
    EXPECT_EQ(xy(point), (XY{20 - 10 - 6, 30 - 20 - 8}));
    ASSERT_EQ(HIPointConvert(&point, kHICoordSpaceView, inner, kHICoordSpaceView, outer), noErr);
    EXPECT_EQ(xy(point), (XY{10, 10}));
    ASSERT_EQ(HIPointConvert(&point, kHICoordSpaceView, outer, kHICoordSpace72DPIGlobal, nullptr),
              noErr);
    Rect content = MacPlatform::Window::fromRef(m_window)->contentBounds();
    EXPECT_EQ(xy(point), (XY{content.left + 20.0, content.top + 30.0}));
    ASSERT_EQ(
        HIPointConvert(&point, kHICoordSpace72DPIGlobal, nullptr, kHICoordSpaceWindow, m_window),
        noErr);
    EXPECT_EQ(xy(point), (XY{20, 30}));
    EXPECT_EQ(HIPointConvert(&point, kHICoordSpaceView, nullptr, kHICoordSpaceWindow, m_window),
              paramErr);

    // QuickDraw's point-in-rectangle (its edges are in the launcher's button tests).
    EXPECT_FALSE(PtInRect(Point{20, 40}, nullptr));
}

TEST_F(ControlTest, MouseDownSendsHitTestToTheDeepestVisibleViewWithItsLocalPoint) {
    HIViewRef outer = addView(content(), 10, 20, 100, 100);
    HIViewRef inner = addView(outer, 5, 7, 30, 30);
    HIViewRef hiddenOnTop = addView(outer, 0, 0, 100, 100);
    HIViewSetVisible(hiddenOnTop, false);
    HitRecord atOuter, atHidden;
    static const EventTypeSpec hitTest{kEventClassControl, kEventControlHitTest};
    InstallControlEventHandler(outer, recordHitTest, 1, &hitTest, &atOuter, nullptr);
    InstallControlEventHandler(hiddenOnTop, recordHitTest, 1, &hitTest, &atHidden, nullptr);

    // The inner view has no handler: the event goes on to its parent, still naming the inner
    // view and its local point.
    mouse(EventType::MouseDown, 10 + 5 + 3, 20 + 7 + 4);
    pump();
    ASSERT_EQ(atOuter.count, 1);
    EXPECT_EQ(atOuter.view, inner);
    EXPECT_EQ(xy(atOuter.location), (XY{3, 4}));
    EXPECT_EQ(atHidden.count, 0) << "hidden views are not hit";

    // Outside the inner view the outer one is the deepest; the far edge belongs to no one.
    mouse(EventType::MouseDown, 10 + 50, 20 + 60);
    mouse(EventType::MouseDown, 10 + 100, 20 + 5);
    pump();
    ASSERT_EQ(atOuter.count, 2);
    EXPECT_EQ(atOuter.view, outer);
    EXPECT_EQ(xy(atOuter.location), (XY{50, 60}));
}

} // namespace
