// The scroll view around a long text, as the agreement window builds it: the text view fills
// it, and the wheel and the page keys of its window move the text, never past its ends.
#include "ControlTestHelpers.h"
#include "HIToolbox/ScrollView.h"

#include <string>
#include <vector>

namespace {

class ScrollViewTest : public ControlTests::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
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
        WindowFixture::TearDown();
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
    // Where the text starts above the view's top, after the wheel or a key went to the window.
    double wheel(int delta, int x = 50) {
        post({.type = EventType::MouseWheel,
              .windowID = windowID(),
              .x = x,
              .y = 50,
              .deltaY = delta});
        pump();
        return -textRect().origin.y;
    }
    double press(int code) {
        key({code, 0});
        pump();
        return -textRect().origin.y;
    }

    HIViewRef m_scroll = nullptr;
    HIViewRef m_text = nullptr;
    TXNObject m_txn = nullptr;
};

TEST_F(ScrollViewTest, TextFillsItButForTheBarAndScrollsUpToItsEnds) {
    constexpr int kPageDown = 0x79, kPageUp = 0x74;
    HIViewRef refused = m_scroll;
    EXPECT_EQ(HIScrollViewCreate(0, &refused), paramErr);
    EXPECT_EQ(refused, nullptr);
    fillWithLines(3);
    HIRect frame{};
    HIViewGetFrame(m_text, &frame);
    EXPECT_TRUE(
        CGRectEqualToRect(frame, CGRectMake(0, 0, 150 - MacPlatform::ScrollView::kBarWidth, 100)));
    // A short text does not scroll.
    EXPECT_EQ(wheel(-1), 0);
    EXPECT_EQ(press(kPageDown), 0);

    // A long text scrolls: one notch towards the user moves it up by three lines, a page by
    // the view's height less a line; outside the scroll view the wheel is not its business.
    fillWithLines(40);
    pump();
    std::vector<UInt32> top = ControlTests::windowPixels(m_window);
    double height = textRect().size.height;
    ASSERT_GT(height, 300);
    double afterWheel = wheel(-1);
    EXPECT_NEAR(afterWheel, 3 * height / 40, 3);
    EXPECT_NE(ControlTests::windowPixels(m_window), top);
    EXPECT_EQ(wheel(-1, 180), afterWheel);
    double afterPage = press(kPageDown);
    EXPECT_GT(afterPage, afterWheel + 50);
    EXPECT_LT(afterPage, afterWheel + 100);
    for (int i = 0; i < 20; ++i) {
        press(kPageDown);
    }
    // At the end the last line sits at the bottom of the view, and no further.
    HIRect end = textRect();
    EXPECT_EQ(end.origin.y + end.size.height, 100);
    EXPECT_EQ(wheel(-5), -end.origin.y);
    EXPECT_LT(press(kPageUp), -end.origin.y);
    EXPECT_EQ(wheel(100), 0);
    EXPECT_EQ(ControlTests::windowPixels(m_window), top);

    // A text view filled before it was put in the scroll view is laid out at its first draw.
    HIViewRef filled = nullptr;
    ASSERT_EQ(HITextViewCreate(nullptr, 0, 0, &filled), noErr);
    ASSERT_EQ(TXNSetData(HITextViewGetTXNObject(filled), kTXNTextData, "early", 5, kTXNStartOffset,
                         kTXNEndOffset),
              noErr);
    ASSERT_EQ(HIViewAddSubview(m_scroll, filled), noErr);
    HIViewSetVisible(filled, true);
    pump();
    HIViewGetFrame(filled, &frame);
    EXPECT_EQ(frame.size.height, 100);
    CFRelease(filled);
}

} // namespace
