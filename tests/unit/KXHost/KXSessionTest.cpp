// The menu session while the storefront is shown: frames into the launcher's buffer, mouse
// positions, events, palettes, and the completion poll.
#include "KXHostTestHelpers.h"

#include <Carbon/Carbon.h>

#include <cstdint>

namespace {

using KXHostTest::captureStdout;
using KXHostTest::HostTest;
using ::testing::ElementsAre;

constexpr int kWidth = 720;
constexpr int kHeight = 540;
constexpr int kRowBytes = kWidth * 4;

class SessionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        installPlugin("recording");
        captureStdout([&] { ASSERT_EQ(initializeDemo(), 0); });
        m_callsAtStart = calls().size();
        m_frame.assign(static_cast<size_t>(kWidth) * kHeight, 0xDEADBEEF);
    }

    uint32_t pixel(int x, int y) const { return m_frame[static_cast<size_t>(y) * kWidth + x]; }
    void drawFrame() { KX_DrawNextFrameIntoBuffer(m_frame.data(), kRowBytes, 4, 1); }

    size_t m_callsAtStart = 0;
    std::vector<uint32_t> m_frame;
};

EventRef makeKeyDown(char character, UInt32 keyCode) {
    EventRef event = nullptr;
    EXPECT_EQ(
        CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyDown, 0, kEventAttributeNone, &event),
        noErr);
    SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &character);
    SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
    return event;
}

TEST_F(SessionTest, PalettesFramesMousePositionsAndEventsReachThePlugin) {
    unsigned char palette[768];
    for (int index = 0; index < 768; ++index) {
        palette[index] = static_cast<unsigned char>(index * 7);
    }
    KX_SetPalette(palette);
    // The kept copy handed back in leaves it as it is.
    KX_SetPalette(g_PaletteData);
    EXPECT_EQ(std::memcmp(g_PaletteData, palette, sizeof palette), 0);
    EXPECT_EQ(KX_EnterMenuSession(1, kWidth, kHeight), 0);
    // No frame buffer at all is not handed to the plug-in.
    KX_DrawNextFrameIntoBuffer(nullptr, kRowBytes, 4, 1);
    EXPECT_TRUE(KX_SetMousePosition(100, 200));
    drawFrame();
    EXPECT_EQ(KX_GetNumberOfRectsToUpdate(), 1);
    // Red is x, green is y, blue the frame number, white under the mouse; the top byte is never
    // used.
    EXPECT_EQ(pixel(100, 200), 0x00FFFFFFu);
    EXPECT_EQ(pixel(kWidth - 1, kHeight - 1), 0x00CF1B01u); // 719 & 0xFF, 539 & 0xFF
    EXPECT_FALSE(KX_IsTheMenuSessionComplete());
    // Esc ends the menu session, as a storefront's own Esc does.
    EventRef escape = makeKeyDown(27, 53);
    EXPECT_TRUE(KX_HandleMacEvent(escape));
    EXPECT_TRUE(KX_IsTheMenuSessionComplete());
    ReleaseEvent(escape);
    KX_EnableWindowsMouseCursor(true);
    KX_SetTrackingMetadata("campaign=spring");
    EXPECT_THAT(callsAfter(m_callsAtStart),
                ElementsAre("kxdll_SetPalette 00070e ebf2f9", "kxdll_SetPalette 00070e ebf2f9",
                            "kxdll_EnterMenuSession 1 720 540", "kxdll_SetMousePosition 100 200",
                            "kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0",
                            "kxdll_IsASystemUpdateRequired 0", "kxdll_GetNumberOfRectsToUpdate",
                            "kxdll_IsTheMenuSessionComplete 0", "kxdll_HandleMacEvent keyb 1",
                            "kxdll_IsTheMenuSessionComplete 1", "kxdll_EnableWindowsMouseCursor 1",
                            "kxdll_SetTrackingMetadata \"campaign=spring\""));
    // A new session starts incomplete again.
    KX_EnterMenuSession(1, kWidth, kHeight);
    EXPECT_FALSE(KX_IsTheMenuSessionComplete());
}

} // namespace
