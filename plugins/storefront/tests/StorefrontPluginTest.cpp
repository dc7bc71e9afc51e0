// The built plug-in driven as the launcher drives it: initialise, enter the menu session, draw
// frames into a 720 x 540 buffer, forward the pointer and events, poll for completion and for
// an update.
#include "PluginHarness.h"

#include "StoreInput.h"
#include "StoreLayout.h"

#include "TestSupport.h"

#include <memory>
#include <string>

using namespace StorefrontTest;
using Storefront::Box;
using Storefront::cardBox;
namespace Layout = Storefront::Layout;

using StorefrontPlugin = PluginTest;

TEST_F(StorefrontPlugin, DrawsTheCatalogueAndKeepsMoving) {
    LoadedPlugin& plugin = open(6);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("GameCount"), 6);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("CatalogueVersion"), 1);

    Frame first;
    drawFrame(plugin, first);
    EXPECT_EQ(plugin.kxdll_GetNumberOfRectsToUpdate(), 1);
    // Every card of the grid is painted: its middle is not the page's background.
    for (int index = 0; index < 6; ++index) {
        Box card = cardBox(index, 0);
        EXPECT_NE(
            first.at(static_cast<int>(card.x + card.width / 2), static_cast<int>(card.y + 150)),
            first.at(5, 530))
            << "card " << index;
    }

    // At rest only the banner still moves, and that is what the plug-in reports. (That it moves
    // on its own is the storefront's end-to-end test's business.)
    Frame later = first;
    settle(plugin, later);
    int32_t left = -1, top = -1, right = -1, bottom = -1;
    ASSERT_TRUE(plugin.kxdll_GetUpdateRect(0, &left, &top, &right, &bottom));
    EXPECT_EQ(bottom, static_cast<int32_t>(Layout::kBanner.bottom()));
    EXPECT_EQ(right, 720);
    EXPECT_FALSE(plugin.kxdll_GetUpdateRect(1, &left, &top, &right, &bottom));
    // The rest of a fresh buffer is painted in full on the first frame into it.
    Frame fresh;
    drawFrame(plugin, fresh);
    EXPECT_EQ(regionOf(fresh, Layout::kGridArea), regionOf(later, Layout::kGridArea));
}

TEST_F(StorefrontPlugin, LeavesOutTheLaunchersOwnGame) {
    LoadedPlugin& plugin = open(6, 103);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("GameCount"), 5);
    // Game 3 has the launcher's id 103: the grid goes from Game 2 to Game 4.
    EXPECT_EQ(press(plugin, "RR"), "Game 2|Game 4|");
}

TEST_F(StorefrontPlugin, HoverLightsACardAndThePointerIsDrawnWhenTheCursorIsOff) {
    LoadedPlugin& plugin = open(6);
    Frame frame;
    settle(plugin, frame);
    Box card = cardBox(2, 0);
    std::vector<std::uint32_t> before = regionOf(frame, card);

    plugin.kxdll_SetMousePosition(static_cast<int>(card.x + 20), static_cast<int>(card.y + 20));
    drawFrame(plugin, frame);
    EXPECT_EQ(plugin.kxdll_GetNumberOfRectsToUpdate(), 1);
    std::vector<std::uint32_t> halfway = regionOf(frame, card);
    EXPECT_NE(halfway, before);
    settle(plugin, frame);
    EXPECT_NE(regionOf(frame, card), halfway) << "the highlight eases in over several frames";

    plugin.kxdll_SetMousePosition(600, 300);
    settle(plugin, frame);
    EXPECT_EQ(regionOf(frame, card), before);
    // Without the system's cursor the plug-in draws a pointer, and only where the pointer is.
    plugin.kxdll_EnableWindowsMouseCursor(false);
    Frame drawn;
    settle(plugin, drawn);
    EXPECT_NE(drawn.region(600, 300, 12, 20), frame.region(600, 300, 12, 20));
    EXPECT_EQ(drawn.region(400, 300, 12, 20), frame.region(400, 300, 12, 20));
}

TEST_F(StorefrontPlugin, ClicksOpenACardsDetailsAndEscOrTheBackButtonLeave) {
    LoadedPlugin& plugin = open(3);
    clickOn(plugin, cardBox(1, 0));
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 2");
    Frame details, closed;
    settle(plugin, details);
    clickOn(plugin, Layout::kDetailsClose);
    settle(plugin, closed);
    EXPECT_NE(regionOf(details, Layout::kDetailsPanel), regionOf(closed, Layout::kDetailsPanel));
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    press(plugin, "X");
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());

    // A new visit starts afresh. Pressed on the back button and released on a card, or the other
    // way round: no click.
    ASSERT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    std::string focus = plugin.kxdll_GetValueAsString("FocusedGame");
    clickOn(plugin, Layout::kBackButton, cardBox(2, 0));
    clickOn(plugin, cardBox(2, 0), Layout::kBackButton);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    EXPECT_EQ(plugin.kxdll_GetValueAsString("FocusedGame"), focus);
    clickOn(plugin, Layout::kBackButton);
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());
}

TEST_F(StorefrontPlugin, KeyboardMovesFocusAndReturnOpensTheDetails) {
    LoadedPlugin& plugin = open(6);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 1");
    // The second row is short: down from its missing place goes to its last game.
    EXPECT_EQ(press(plugin, "LRDLURRR"),
              "Game 1|Game 2|Game 6|Game 5|Game 1|Game 2|Game 3|Game 4|");

    Frame frame;
    settle(plugin, frame);
    std::vector<std::uint32_t> grid = regionOf(frame, Layout::kDetailsPanel);
    // Return opens the panel and Right shows the next game in it; Esc closes the panel.
    EXPECT_EQ(press(plugin, "ER"), "Game 4|Game 5|");
    settle(plugin, frame);
    EXPECT_NE(regionOf(frame, Layout::kDetailsPanel), grid);
    EXPECT_EQ(press(plugin, "XL"), "Game 5|Game 4|");
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    // Closed again, with focus back on Game 4, the page is as it was before the panel.
    settle(plugin, frame);
    EXPECT_EQ(regionOf(frame, Layout::kDetailsPanel), grid);
    // Up from the first row reaches the back button, where Return leaves.
    EXPECT_EQ(press(plugin, "UE"), "||");
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());
}

TEST_F(StorefrontPlugin, MoreGamesThanFitScrollWithTheWheelAndTheKeys) {
    LoadedPlugin& plugin = open(12);
    Frame top;
    settle(plugin, top);

    auto wheel = [&](SInt32 delta) {
        EventRef event = nullptr;
        ASSERT_EQ(CreateEvent(nullptr, kEventClassMouse, kEventMouseWheelMoved, 0, 0, &event),
                  noErr);
        EventMouseWheelAxis axis = kEventMouseWheelAxisY;
        SetEventParameter(event, kEventParamMouseWheelAxis, typeMouseWheelAxis, sizeof axis, &axis);
        SetEventParameter(event, kEventParamMouseWheelDelta, typeSInt32, sizeof delta, &delta);
        EXPECT_TRUE(plugin.kxdll_HandleMacEvent(event));
        ReleaseEvent(event);
    };
    Frame scrolled = top;
    wheel(-5); // far past the end: stops at the last row
    settle(plugin, scrolled);
    EXPECT_NE(regionOf(scrolled, Layout::kGridArea), regionOf(top, Layout::kGridArea));
    // A click on the first card's place now opens the card scrolled under it, Game 5.
    clickOn(plugin, cardBox(0, 0));
    EXPECT_EQ(press(plugin, "X"), "Game 5|");

    // Back to the top, the first frame's picture returns once focus is on Game 1 again.
    wheel(5);
    EXPECT_EQ(press(plugin, "LLLL"), "Game 4|Game 3|Game 2|Game 1|");
    plugin.kxdll_SetMousePosition(-1, -1);
    settle(plugin, scrolled);
    EXPECT_EQ(regionOf(scrolled, Layout::kGridArea), regionOf(top, Layout::kGridArea));

    // Keys scroll too: down twice reaches the third row.
    EXPECT_EQ(press(plugin, "DD"), "Game 5|Game 9|");
    settle(plugin, scrolled);
    EXPECT_NE(regionOf(scrolled, Layout::kGridArea), regionOf(top, Layout::kGridArea));
}
