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
namespace Layout = Storefront::Layout;
namespace MacKey = Storefront::MacKey;

namespace {

class StorefrontPlugin : public ::testing::Test {
protected:
    // Loads the plug-in beside a catalogue of `games` games, initialises it as the launcher
    // does (application id, name, channel, price, debug mode 1, host version 6) and opens the
    // 720 x 540 session.
    LoadedPlugin& open(int games, int applicationID = 1) {
        writeCatalogue(resources.path(), catalogueText(games));
        loaded = std::make_unique<LoadedPlugin>(resources.path());
        start(*loaded, applicationID);
        return *loaded;
    }

    static void start(LoadedPlugin& plugin, int applicationID) {
        ASSERT_TRUE(plugin.loaded());
        plugin.kxdll_GetDLLVersionAsString();
        plugin.kxdll_GetDLLVersionAsInt();
        ASSERT_EQ(
            plugin.kxdll_Initialize(applicationID, "Demo Game", 7, 9.99f, 1, KXDLL_HOST_VERSION), 0)
            << plugin.kxdll_GetLastErrorInformation();
        plugin.kxdll_EnableWindowsMouseCursor(true);
        ASSERT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0)
            << plugin.kxdll_GetLastErrorInformation();
    }

    // Enough frames for every eased value to come to rest.
    static void settle(LoadedPlugin& plugin, Frame& frame) {
        for (int i = 0; i < 20; ++i) {
            drawFrame(plugin, frame);
        }
    }

    static std::vector<std::uint32_t> regionOf(const Frame& frame, const Box& box) {
        return frame.region(static_cast<int>(box.x), static_cast<int>(box.y),
                            static_cast<int>(box.width), static_cast<int>(box.height));
    }

    TestSupport::TempDir resources;
    std::unique_ptr<LoadedPlugin> loaded;
};

} // namespace

TEST_F(StorefrontPlugin, DrawsTheCatalogueAndKeepsMoving) {
    LoadedPlugin& plugin = open(6);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("GameCount"), 6);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("CatalogueVersion"), 1);

    Frame first;
    drawFrame(plugin, first);
    EXPECT_FALSE(first.allOneColour());
    EXPECT_EQ(plugin.kxdll_GetNumberOfRectsToUpdate(), 1);
    // Every card of the grid is painted: its middle is not the page's background.
    for (int index = 0; index < 6; ++index) {
        Box card = Storefront::cardBox(index, 0);
        EXPECT_NE(
            first.at(static_cast<int>(card.x + card.width / 2), static_cast<int>(card.y + 150)),
            first.at(5, 530))
            << "card " << index;
    }

    Frame later = first;
    for (int i = 0; i < 6; ++i) {
        drawFrame(plugin, later);
    }
    EXPECT_NE(regionOf(first, Layout::kBanner), regionOf(later, Layout::kBanner));

    // At rest only the banner still moves, and that is what the plug-in reports.
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
    pressKey(plugin, MacKey::kRightArrow, 0x1D);
    pressKey(plugin, MacKey::kRightArrow, 0x1D);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 4");
}

TEST_F(StorefrontPlugin, HoverLightsTheCardUnderThePointerAndFadesBack) {
    LoadedPlugin& plugin = open(6);
    Frame frame;
    settle(plugin, frame);
    Box card = Storefront::cardBox(2, 0);
    std::vector<std::uint32_t> before = regionOf(frame, card);

    plugin.kxdll_SetMousePosition(static_cast<int>(card.x + 20), static_cast<int>(card.y + 20));
    drawFrame(plugin, frame);
    EXPECT_EQ(plugin.kxdll_GetNumberOfRectsToUpdate(), 1);
    std::vector<std::uint32_t> halfway = regionOf(frame, card);
    EXPECT_NE(halfway, before);
    settle(plugin, frame);
    std::vector<std::uint32_t> lit = regionOf(frame, card);
    EXPECT_NE(lit, halfway) << "the highlight eases in over several frames";

    plugin.kxdll_SetMousePosition(5, 530);
    settle(plugin, frame);
    EXPECT_EQ(regionOf(frame, card), before);
}

TEST_F(StorefrontPlugin, EscapeAndTheBackButtonEndTheSession) {
    LoadedPlugin& plugin = open(3);
    Frame frame;
    drawFrame(plugin, frame);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    pressKey(plugin, MacKey::kEscape, 0x1B);
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());

    // A new visit starts afresh.
    ASSERT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    const Box& back = Layout::kBackButton;
    int backX = static_cast<int>(back.x + back.width / 2);
    int backY = static_cast<int>(back.y + back.height / 2);
    // Pressed on the button but released elsewhere: no click.
    EventRef down = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassMouse, kEventMouseDown, 0, 0, &down), noErr);
    plugin.kxdll_SetMousePosition(backX, backY);
    plugin.kxdll_HandleMacEvent(down);
    ReleaseEvent(down);
    clickAt(plugin, 5, 530);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    clickAt(plugin, backX, backY);
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());
}

TEST_F(StorefrontPlugin, KeyboardMovesFocusAndReturnOpensTheDetails) {
    LoadedPlugin& plugin = open(6);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 1");
    pressKey(plugin, MacKey::kRightArrow, 0x1D);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 2");
    pressKey(plugin, MacKey::kDownArrow, 0x1F);
    // The second row is short: down from its missing place goes to its last game.
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 6");
    pressKey(plugin, MacKey::kLeftArrow, 0x1C);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 5");
    pressKey(plugin, MacKey::kUpArrow, 0x1E);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 1");
    for (int i = 0; i < 3; ++i) {
        pressKey(plugin, MacKey::kRightArrow, 0x1D);
    }
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 4");

    Frame frame;
    settle(plugin, frame);
    std::vector<std::uint32_t> grid = regionOf(frame, Layout::kDetailsPanel);
    pressKey(plugin, MacKey::kReturn, '\r');
    settle(plugin, frame);
    EXPECT_NE(regionOf(frame, Layout::kDetailsPanel), grid);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    // Right shows the next game in the panel; Esc closes the panel, then a second one leaves.
    pressKey(plugin, MacKey::kRightArrow, 0x1D);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 5");
    pressKey(plugin, MacKey::kEscape, 0x1B);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    // Closed again, with focus back on Game 4, the page is as it was before the panel.
    pressKey(plugin, MacKey::kLeftArrow, 0x1C);
    settle(plugin, frame);
    EXPECT_EQ(regionOf(frame, Layout::kDetailsPanel), grid);
    pressKey(plugin, MacKey::kUpArrow, 0x1E);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "");
    pressKey(plugin, MacKey::kReturn, '\r');
    EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());
}

TEST_F(StorefrontPlugin, AClickOnACardOpensItsDetails) {
    LoadedPlugin& plugin = open(3);
    Box card = Storefront::cardBox(1, 0);
    clickAt(plugin, static_cast<int>(card.x + 10), static_cast<int>(card.y + 10));
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 2");
    Frame frame;
    settle(plugin, frame);
    Frame closed;
    const Box& close = Layout::kDetailsClose;
    clickAt(plugin, static_cast<int>(close.x + 5), static_cast<int>(close.y + 5));
    settle(plugin, closed);
    EXPECT_NE(regionOf(frame, Layout::kDetailsPanel), regionOf(closed, Layout::kDetailsPanel));
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
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
    Box place = Storefront::cardBox(0, 0);
    clickAt(plugin, static_cast<int>(place.x + 10), static_cast<int>(place.y + 10));
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 5");
    pressKey(plugin, MacKey::kEscape, 0x1B);

    // Back to the top, the first frame's picture returns once focus is on Game 1 again.
    wheel(5);
    for (int i = 0; i < 4; ++i) {
        pressKey(plugin, MacKey::kLeftArrow, 0x1C);
    }
    plugin.kxdll_SetMousePosition(-1, -1);
    settle(plugin, scrolled);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 1");
    EXPECT_EQ(regionOf(scrolled, Layout::kGridArea), regionOf(top, Layout::kGridArea));

    // Keys scroll too: down twice reaches the third row.
    pressKey(plugin, MacKey::kDownArrow, 0x1F);
    pressKey(plugin, MacKey::kDownArrow, 0x1F);
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("FocusedGame"), "Game 9");
    settle(plugin, scrolled);
    EXPECT_NE(regionOf(scrolled, Layout::kGridArea), regionOf(top, Layout::kGridArea));
}

TEST_F(StorefrontPlugin, DrawsItsOwnPointerWhenTheSystemCursorIsOff) {
    LoadedPlugin& plugin = open(2);
    plugin.kxdll_SetMousePosition(600, 300);
    Frame withCursor;
    settle(plugin, withCursor);
    plugin.kxdll_EnableWindowsMouseCursor(false);
    Frame drawn;
    settle(plugin, drawn);
    EXPECT_NE(drawn.region(600, 300, 12, 20), withCursor.region(600, 300, 12, 20));
    EXPECT_EQ(drawn.region(400, 300, 12, 20), withCursor.region(400, 300, 12, 20));
}
