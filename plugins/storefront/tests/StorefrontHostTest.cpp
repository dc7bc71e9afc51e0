// The storefront under the launcher's own plug-in host: a system update asked for by the
// plug-in runs through the host on real files, once.
#include "KX_APIFunctionsMac.h"
#include "TestSupport.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string catalogue(int version) {
    return "catalogue-version = " + std::to_string(version) +
           "\n[game]\ntitle = Harbour Lights\nprice = 9.99\n";
}

class StorefrontUnderTheHost : public ::testing::Test {
protected:
    void SetUp() override {
        bundle = temp / "Demo Game.app";
        resources = bundle + "/Contents/Resources/";
        TestSupport::writeFile(resources + "Pellucid.dylib",
                               TestSupport::readFile(STOREFRONT_PLUGIN_PATH));
        TestSupport::writeFile(resources + "Storefront/catalogue.txt", catalogue(1));
        MacPlatformTestSetMainBundlePath(bundle.c_str());
    }

    void TearDown() override {
        KX_ShutDown();
        MacPlatformTestSetMainBundlePath(nullptr);
    }

    TestSupport::TempDir temp;
    std::string bundle;
    std::string resources;
};

} // namespace

TEST_F(StorefrontUnderTheHost, ANewerCatalogueIsUpdatedOnceBetweenTwoFrames) {
    TestSupport::writeFile(resources + "Update/Storefront/catalogue.txt", catalogue(2));
    for (const char* marker : {"Tessaly.red", "Application.red", "Channel.red"}) {
        TestSupport::writeFile(resources + "Update/" + marker, "");
    }
    ASSERT_EQ(KX_Initialize(42, "Demo Game", 7, 1.5f, 1), 0) << KX_GetLastErrorInformation();
    ASSERT_EQ(KX_EnterMenuSession(1, 720, 540), 0);

    std::vector<std::uint32_t> buffer(720 * 540, 0);
    KX_DrawNextFrameIntoBuffer(buffer.data(), 2880, 4, 1);
    EXPECT_TRUE(g_bIsAnUpdatePending);
    EXPECT_FALSE(KX_IsTheMenuSessionComplete());

    // The next frame carries the update out: markers gone, plug-in loaded again, frame drawn.
    std::fill(buffer.begin(), buffer.end(), 0u);
    KX_DrawNextFrameIntoBuffer(buffer.data(), 2880, 4, 1);
    EXPECT_FALSE(g_bUnrecoverableErrorMode);
    EXPECT_FALSE(TestSupport::pathExists(resources + "Update/Tessaly.red"));
    EXPECT_NE(std::count(buffer.begin(), buffer.end(), 0u), static_cast<long>(buffer.size()));
    // The host only prints the moves, so the newer catalogue still waits; without its marker
    // the plug-in does not ask again.
    for (int frame = 0; frame < 30; ++frame) {
        KX_DrawNextFrameIntoBuffer(buffer.data(), 2880, 4, 1);
        ASSERT_FALSE(g_bIsAnUpdatePending) << "frame " << frame;
    }
    EXPECT_FALSE(KX_IsTheMenuSessionComplete());
}
