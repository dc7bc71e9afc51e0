// The scroll view around a long text, as the agreement window builds it: the text view fills
// it, and the wheel and the page keys of its window move the text, never past its ends.
#include "HIToolbox/ScrollView.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ScrollViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Rect bounds{0, 0, 100, 200};
        ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &bounds, &m_window), noErr);
        ShowWindow(m_window);
        // As a nib builds it: the scroll view, then the text view in it, then the text.
        ASSERT_EQ(HIScrollViewCreate(kHIScrollViewOptionsVertScroll, &m_scroll), noErr);
        HIRect frame = CGRectMake(0, 0, 150, 100);
        HIViewSetFrame(m_scroll, &frame);
        ASSERT_EQ(HITextViewCreate(nullptr, 0, 0, &m_text), noErr);
        ASSERT_EQ(HIViewAddSubview(m_scroll, m_text), noErr);
        ASSERT_EQ(HIViewAddSubview(HIViewGetRoot(m_window), m_scroll), noErr);
        HIViewSetVisible(m_text, true);
        HIViewSetVisible(m_scroll, true);
        m_txn = HITextViewGetTXNObject(m_text);
    }
    void TearDown() override {
        CFRelease(m_text);
        CFRelease(m_scroll);
        DisposeWindow(m_window);
    }

    void fillWithLines(int count) {
        std::string text;
        for (int i = 1; i <= count; ++i) {
            text += "Line " + std::to_string(i) + "\r";
        }
        ASSERT_EQ(TXNSetData(m_txn, kTXNTextData, text.data(), text.size(), kTXNStartOffset,
                             kTXNEndOffset),
                  noErr);
    }
    HIRect textRect() const {
        HIRect rect{};
        EXPECT_EQ(TXNGetHIRect(m_txn, kTXNTextRectKey, &rect), noErr);
        return rect;
    }
    OSStatus wheel(SInt32 delta, HIPoint where) {
        EventRef event = nullptr;
        CreateEvent(nullptr, kEventClassMouse, kEventMouseWheelMoved, 0, 0, &event);
        EventMouseWheelAxis axis = kEventMouseWheelAxisY;
        SetEventParameter(event, kEventParamWindowMouseLocation, typeHIPoint, sizeof where, &where);
        SetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, sizeof axis, &axis);
        SetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, sizeof delta, &delta);
        OSStatus status = SendEventToEventTarget(event, GetWindowEventTarget(m_window));
        ReleaseEvent(event);
        return status;
    }
    OSStatus key(UInt32 code) {
        EventRef event = nullptr;
        CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyDown, 0, 0, &event);
        SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof code, &code);
        OSStatus status = SendEventToEventTarget(event, GetWindowEventTarget(m_window));
        ReleaseEvent(event);
        return status;
    }
    std::vector<UInt32> pixels() {
        std::vector<UInt32> out(200 * 100);
        SInt32 width = 0, height = 0;
        EXPECT_EQ(
            MacPlatformTestCopyWindowPixels(m_window, out.data(), out.size(), &width, &height),
            noErr);
        return out;
    }

    WindowRef m_window = nullptr;
    HIViewRef m_scroll = nullptr;
    HIViewRef m_text = nullptr;
    TXNObject m_txn = nullptr;
};

TEST_F(ScrollViewTest, TextFillsItButForTheBarAndScrollsUpToItsEnds) {
    HIViewRef refused = m_scroll;
    EXPECT_EQ(HIScrollViewCreate(0, &refused), paramErr);
    EXPECT_EQ(refused, nullptr);
    fillWithLines(3);
    HIRect frame{};
    HIViewGetFrame(m_text, &frame);
    EXPECT_TRUE(
        CGRectEqualToRect(frame, CGRectMake(0, 0, 150 - MacPlatform::ScrollView::kBarWidth, 100)));
    // A short text does not scroll.
    RunCurrentEventLoop(0);
    EXPECT_EQ(wheel(-1, CGPointMake(50, 50)), noErr);
    EXPECT_EQ(key(0x79), noErr);
    EXPECT_EQ(textRect().origin.y, 0);

    // A long text scrolls.
    fillWithLines(40);
    RunCurrentEventLoop(0);
    std::vector<UInt32> top = pixels();
    double height = textRect().size.height;
    ASSERT_GT(height, 300);

    // One notch towards the user moves the text up by three lines.
    EXPECT_EQ(wheel(-1, CGPointMake(50, 50)), noErr);
    double afterWheel = -textRect().origin.y;
    EXPECT_NEAR(afterWheel, 3 * height / 40, 3);
    RunCurrentEventLoop(0);
    EXPECT_NE(pixels(), top);
    // Outside the scroll view the wheel is not its business.
    EXPECT_EQ(wheel(-1, CGPointMake(180, 50)), eventNotHandledErr);
    EXPECT_EQ(-textRect().origin.y, afterWheel);

    EXPECT_EQ(key(0x79), noErr);
    double afterPage = -textRect().origin.y;
    EXPECT_GT(afterPage, afterWheel + 50);
    EXPECT_LT(afterPage, afterWheel + 100);
    for (int i = 0; i < 20; ++i) {
        key(0x79);
    }
    // At the end the last line sits at the bottom of the view, and no further.
    HIRect end = textRect();
    EXPECT_EQ(end.origin.y + end.size.height, 100);
    EXPECT_EQ(wheel(-5, CGPointMake(50, 50)), noErr);
    EXPECT_EQ(textRect().origin.y, end.origin.y);

    EXPECT_EQ(key(0x74), noErr);
    EXPECT_GT(textRect().origin.y, end.origin.y);
    EXPECT_EQ(wheel(100, CGPointMake(50, 50)), noErr);
    EXPECT_EQ(textRect().origin.y, 0);
    RunCurrentEventLoop(0);
    EXPECT_EQ(pixels(), top);

    // A text view filled before it was put in the scroll view is laid out at its first draw.
    HIViewRef filled = nullptr;
    ASSERT_EQ(HITextViewCreate(nullptr, 0, 0, &filled), noErr);
    ASSERT_EQ(TXNSetData(HITextViewGetTXNObject(filled), kTXNTextData, "early", 5, kTXNStartOffset,
                         kTXNEndOffset),
              noErr);
    ASSERT_EQ(HIViewAddSubview(m_scroll, filled), noErr);
    HIViewSetVisible(filled, true);
    RunCurrentEventLoop(0);
    HIViewGetFrame(filled, &frame);
    EXPECT_EQ(frame.size.height, 100);
    CFRelease(filled);

    // A hidden scroll view leaves the keys to others.
    HIViewSetVisible(m_scroll, false);
    EXPECT_EQ(key(0x79), eventNotHandledErr);
}

} // namespace
