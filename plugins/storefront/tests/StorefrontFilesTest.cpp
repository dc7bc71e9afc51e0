// The plug-in's files: a missing or damaged catalogue, covers, and the update it asks for.
#include "PluginHarness.h"

#include "StoreLayout.h"

#include "TestSupport.h"

#include <string>

using namespace StorefrontTest;

using StorefrontFiles = PluginTest;

namespace {

// Draws one frame and answers what the host asks right after it.
bool updateRequestedAfterAFrame(LoadedPlugin& plugin, bool suspend = false) {
    Frame frame;
    drawFrame(plugin, frame, suspend);
    return plugin.kxdll_IsASystemUpdateRequired();
}

void writeUpdate(const std::string& resources, int version, bool withMarker) {
    writeCatalogue(resources, catalogueText(2, version), "Update/Storefront");
    if (withMarker) {
        TestSupport::writeFile(resources + "/Update/Tessaly.red", "");
    }
}

} // namespace

TEST_F(StorefrontFiles, AMissingOrDamagedCatalogueOpensAnEmptyStoreThatSaysWhy) {
    struct Case {
        std::string text; // empty: no catalogue file at all
        const char* reason;
    };
    const Case cases[] = {
        {"", "Storefront/catalogue.txt could not be opened."},
        {"[game]\ntitle = A\nprice = 1\n", "Storefront/catalogue.txt gives no catalogue-version."},
        {std::string("\xff\xd8\xff\x00garbage", 11),
         "Storefront/catalogue.txt holds a NUL byte; it is not a text file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        TestSupport::TempDir folder;
        if (!c.text.empty()) {
            writeCatalogue(folder.path(), c.text);
        }
        LoadedPlugin plugin(folder.path());
        ASSERT_TRUE(plugin.loaded());
        // The launcher quits when initialisation fails; a store without games is no reason.
        ASSERT_EQ(plugin.kxdll_Initialize(1, "Demo Game", 7, 0, 0, KXDLL_HOST_VERSION), 0);
        EXPECT_STREQ(plugin.kxdll_GetLastErrorInformation(), c.reason);
        ASSERT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0);
        EXPECT_EQ(plugin.kxdll_GetValueAsInt("GameCount"), 0);
        Frame frame;
        drawFrame(plugin, frame);
        EXPECT_FALSE(frame.allOneColour());
        // With no games, Return is on the back button.
        press(plugin, "E");
        EXPECT_TRUE(plugin.kxdll_IsTheMenuSessionComplete());
    }
}

TEST_F(StorefrontFiles, CoversComeFromTheirJPEGsOrAreDrawn) {
    writeCatalogue(resources.path(), "catalogue-version = 1\n"
                                     "[game]\ntitle = Pictured\nprice = 1\ncover = covers/a.jpg\n"
                                     "[game]\ntitle = Broken\nprice = 1\ncover = covers/b.jpg\n"
                                     "[game]\ntitle = Drawn\nprice = 1\n");
    TestSupport::writeFile(resources / "Storefront/covers/a.jpg",
                           TestSupport::halvesJPEG(300, 200, 0x404040, 0x404040));
    TestSupport::writeFile(resources / "Storefront/covers/b.jpg",
                           TestSupport::halvesJPEG(300, 200, 0x404040, 0x404040).substr(0, 200));
    LoadedPlugin& plugin = load();
    Frame frame;
    drawFrame(plugin, frame);
    // The picture's own grey, scaled to the card, fills the first cover.
    Storefront::Box first = Storefront::cardBox(0, 0);
    std::uint32_t pictured =
        frame.at(static_cast<int>(first.x + 40), static_cast<int>(first.y + 50));
    EXPECT_NEAR(static_cast<int>(pictured & 0xFF), 0x40, 3);
    EXPECT_NEAR(static_cast<int>((pictured >> 16) & 0xFF), 0x40, 3);
    // The truncated picture and the missing one are both drawn instead, with colour.
    for (int index : {1, 2}) {
        Storefront::Box card = Storefront::cardBox(index, 0);
        std::uint32_t drawn =
            frame.at(static_cast<int>(card.x + 12), static_cast<int>(card.y + 12));
        EXPECT_NE(drawn & 0xFF, (drawn >> 8) & 0xFF) << "card " << index << " is grey";
    }
}

TEST_F(StorefrontFiles, AsksForAnUpdateOnlyForANewerCompleteCatalogue) {
    writeCatalogue(resources.path(), catalogueText(3, 4));
    // Whether a plug-in loaded afresh asks for an update after its first frame.
    auto asksAfterAFrame = [&](bool suspend) {
        return updateRequestedAfterAFrame(load(), suspend);
    };
    EXPECT_FALSE(asksAfterAFrame(false)) << "no Update folder";
    // The host removes the markers before it installs an update: the reloaded plug-in must not
    // ask again even though the files were not moved.
    writeUpdate(resources.path(), 5, false);
    EXPECT_FALSE(asksAfterAFrame(false)) << "newer but without its marker";
    {
        LoadedPlugin& plugin = load();
        EXPECT_FALSE(updateRequestedAfterAFrame(plugin));
        // The marker arrives during the session: a frame within a second of frames sees it.
        writeUpdate(resources.path(), 5, true);
        EXPECT_FALSE(plugin.kxdll_IsASystemUpdateRequired()) << "only a frame looks";
        bool asked = false;
        for (int frame = 0; frame < 12 && !asked; ++frame) {
            asked = updateRequestedAfterAFrame(plugin);
        }
        EXPECT_TRUE(asked);
        // Suspended after a failed update: the files are left alone.
        EXPECT_FALSE(updateRequestedAfterAFrame(plugin, true));
    }
    EXPECT_FALSE(asksAfterAFrame(true)) << "suspended from the first frame";
    writeUpdate(resources.path(), 4, true);
    EXPECT_FALSE(asksAfterAFrame(false)) << "the same version";
    writeCatalogue(resources.path(), "catalogue-version = 9\n[game]\nprice = 1\n",
                   "Update/Storefront");
    EXPECT_FALSE(asksAfterAFrame(false)) << "a damaged update";
}

TEST_F(StorefrontFiles, AFailedUpdateIsShownToTheUserForAWhile) {
    LoadedPlugin& plugin = open(3);
    Frame plain;
    settle(plugin, plain);
    Frame told = plain;
    drawFrame(plugin, told, true, true);
    drawFrame(plugin, told, true, false);
    EXPECT_NE(told.region(80, 458, 560, 44), plain.region(80, 458, 560, 44));
    for (int i = 0; i < 80; ++i) {
        drawFrame(plugin, told, true, false);
    }
    EXPECT_EQ(told.region(80, 458, 560, 44), plain.region(80, 458, 560, 44));
}

TEST_F(StorefrontFiles, CallsOutsideTheContractAreRefusedWithAReason) {
    writeCatalogue(resources.path(), catalogueText(2));
    LoadedPlugin plugin(resources.path());
    ASSERT_TRUE(plugin.loaded());
    EXPECT_EQ(plugin.kxdll_Initialize(1, nullptr, 7, 0, 0, 5), 2);
    EXPECT_THAT(std::string(plugin.kxdll_GetLastErrorInformation()),
                testing::HasSubstr("version 5"));
    ASSERT_EQ(plugin.kxdll_Initialize(1, nullptr, 7, 0, 0, KXDLL_HOST_VERSION), 0);

    Frame frame;
    drawFrame(plugin, frame);
    EXPECT_TRUE(frame.allOneColour()) << "no frame before a menu session";
    EXPECT_EQ(plugin.kxdll_GetNumberOfRectsToUpdate(), 0);
    EXPECT_EQ(plugin.kxdll_EnterMenuSession(2, 720, 540), 6);
    EXPECT_EQ(plugin.kxdll_EnterMenuSession(1, 640, 480), 7);
    EXPECT_THAT(std::string(plugin.kxdll_GetLastErrorInformation()),
                testing::HasSubstr("640 x 480"));
    ASSERT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 0);
    plugin.kxdll_DrawNextFrameIntoBuffer(nullptr, 2880, 4, 1, 0, 0);
    plugin.kxdll_DrawNextFrameIntoBuffer(frame.pixels.data(), 100, 4, 1, 0, 0);
    EXPECT_TRUE(frame.allOneColour());
    EXPECT_FALSE(plugin.kxdll_HandleMacEvent(nullptr));
    plugin.kxdll_SetPalette(nullptr);
    plugin.kxdll_SetTrackingMetadata("campaign=spring");
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("TrackingMetadata"), "campaign=spring");
    EXPECT_STREQ(plugin.kxdll_GetValueAsString("NoSuchValue"), "");
    EXPECT_EQ(plugin.kxdll_GetValueAsInt(nullptr), 0);
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());

    plugin.kxdll_ShutDown();
    EXPECT_EQ(plugin.kxdll_EnterMenuSession(1, 720, 540), 4);
    EXPECT_EQ(plugin.kxdll_GetValueAsInt("GameCount"), 0);
    EXPECT_STREQ(plugin.kxdll_GetLastErrorInformation(),
                 "The storefront has not been initialised.");
    EXPECT_FALSE(plugin.kxdll_IsTheMenuSessionComplete());
    EXPECT_FALSE(plugin.kxdll_SetMousePosition(3, 3));
}
