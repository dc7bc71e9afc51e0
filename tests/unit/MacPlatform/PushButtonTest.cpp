// Push buttons and static texts in a window of the headless display: clicks, Return and Escape
// send the buttons' commands; hover and pressed states show.
#include "ControlTestHelpers.h"

namespace {

constexpr UInt32 kAgree = 0x6F6B2020;   // 'ok  '
constexpr UInt32 kDecline = 0x6E6F7421; // 'not!'

class PushButtonTest : public ControlTests::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        Rect agreeBounds{150, 180, 180, 280};
        ASSERT_EQ(CreatePushButtonControl(m_window, &agreeBounds, CFSTR("Agree"), &m_agree), noErr);
        SetControlCommandID(m_agree, kAgree);
        Rect declineBounds{150, 60, 180, 160};
        ASSERT_EQ(CreatePushButtonControl(m_window, &declineBounds, CFSTR("Disagree"), &m_decline),
                  noErr);
        SetControlCommandID(m_decline, kDecline);
        pump();
    }

    ControlRef m_agree = nullptr;
    ControlRef m_decline = nullptr;
};

TEST_F(PushButtonTest, ClicksInsideAndReturnAndEscapeSendTheButtonsCommands) {
    EXPECT_EQ(HIViewGetSuperview(m_agree), content()) << "made in the window's content view";
    click(200, 160);
    // Down on one button and up outside it sends nothing, nor does up on the other one.
    mouse(EventType::MouseDown, 200, 160);
    mouse(EventType::MouseMoved, 100, 160, true);
    mouse(EventType::MouseUp, 100, 160);
    // Down outside and up inside is no click either; the right and bottom edges are outside.
    mouse(EventType::MouseDown, 10, 10);
    mouse(EventType::MouseUp, 200, 160);
    click(280, 160);
    click(200, 180);
    click(100, 151);
    key(kReturn); // no default button yet
    pump();
    ASSERT_EQ(commandIDs(), (std::vector<UInt32>{kAgree, kDecline}));
    EXPECT_EQ(m_commands[0].attributes, static_cast<UInt32>(kHICommandFromControl));
    EXPECT_EQ(m_commands[0].source.control, m_agree);

    ASSERT_EQ(SetWindowDefaultButton(m_window, m_agree), noErr);
    ASSERT_EQ(SetWindowCancelButton(m_window, m_decline), noErr);
    key(kReturn);
    key(kEscape);
    key(kEnter);
    pump();
    HIViewSetVisible(m_decline, false);
    key(kEscape); // a hidden button is not clicked
    pump();
    EXPECT_EQ(commandIDs(), (std::vector<UInt32>{kAgree, kDecline, kAgree, kDecline, kAgree}));
}

TEST_F(PushButtonTest, HoverAndPressedLookDifferentAndTheDefaultIsEmphasised) {
    // The button's part lit and a pixel of it after the mouse did something.
    auto after = [&](EventType type, int x, int y, bool held = false) {
        mouse(type, x, y, held);
        pump();
        return std::pair{GetControlHilite(m_agree), pixel(185, 160)};
    };
    UInt32 normal = pixel(185, 160);
    auto hover = after(EventType::MouseMoved, 200, 165);
    auto pressed = after(EventType::MouseDown, 200, 165, true);
    // Dragged off, the button looks released (neither hover nor pressed); back on, pressed.
    auto off = after(EventType::MouseMoved, 20, 20, true);
    EXPECT_EQ(after(EventType::MouseMoved, 200, 165, true), pressed);
    EXPECT_NE(hover.second, normal);
    EXPECT_NE(pressed.second, hover.second);
    EXPECT_EQ(pressed.first, kControlButtonPart);
    EXPECT_EQ(off, (std::pair<ControlPartCode, UInt32>{kControlNoPart, normal}));
    after(EventType::MouseUp, 20, 20);
    SetWindowDefaultButton(m_window, m_agree);
    EXPECT_NE(after(EventType::MouseMoved, 20, 20).second, normal)
        << "the default button is drawn in the accent colour";
}

TEST_F(PushButtonTest, StaticTextDrawsItsTextAndRefusesStyles) {
    Rect bounds{20, 20, 60, 200};
    ControlRef label = nullptr;
    EXPECT_EQ(CreateStaticTextControl(m_window, &bounds, CFSTR("Hello"),
                                      reinterpret_cast<const ControlFontStyleRec*>(&bounds),
                                      &label),
              paramErr);
    ASSERT_EQ(CreateStaticTextControl(m_window, &bounds, CFSTR("Hello"), nullptr, &label), noErr);
    pump();
    std::vector<UInt32> pixels = ControlTests::windowPixels(m_window);
    int dark = 0;
    for (int y = 20; y < 60; ++y) {
        for (int x = 20; x < 200; ++x) {
            dark += (pixels[static_cast<size_t>(y * 300 + x)] & 0xFF) < 0x80;
        }
    }
    EXPECT_GT(dark, 10) << "the text's pixels";
    EXPECT_EQ(CreatePushButtonControl(m_window, nullptr, CFSTR("x"), &label), paramErr);
}

} // namespace
