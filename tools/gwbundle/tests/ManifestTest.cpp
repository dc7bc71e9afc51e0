#include "BundleBuilder.h"
#include "GwbundleTestSupport.h"
#include "Manifest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using gwbundle::Manifest;

namespace {

const char kRequired[] = "Name = N\nIdentifier = com.example.n\nApplication ID = 5\n"
                         "Channel ID = 0\nPrice = 0\nVersion = 1\nGame = g/N.app\n"
                         "Plugin = p.so\nNib = main.nib\nAgreement = e.txt\nBackground = b.jpg\n"
                         "Button Normal = 1.jpg\nButton Hover = 2.jpg\nButton Pressed = 3.jpg\n"
                         "Branding = br.jpg\nBranding Mask = m.jpg\n";

std::string parseError(const std::string& text) {
    std::string error;
    EXPECT_FALSE(Manifest::parse(text, "/in", error)) << text;
    return error;
}

} // namespace

// Comments, blank lines, CR LF line ends, keys in any case and spaces around values are in the
// test bundle's own manifest (inputs/demo.manifest), read by every GwbundleBuildCheck test.
TEST(GwbundleManifest, ErrorsNameTheLineAndTheKey) {
    EXPECT_EQ(parseError(std::string(kRequired) + "Colour = red\n"),
              "line 17: unknown key 'Colour' (docs/publishing.md lists them)");
    EXPECT_EQ(parseError(std::string(kRequired) + "name = again\n"),
              "line 17: 'Name' is given a second time");
    EXPECT_EQ(parseError("Name\n"), "line 1: 'Name' is not 'Key = value'");
    EXPECT_EQ(parseError("Name =   \n"), "line 1: 'Name' has no value");
    EXPECT_EQ(parseError("Name = N\nIdentifier = x\nGame = g\nPlugin = p\nNib = n\n"
                         "Background = b\nButton Normal = 1\nButton Hover = 2\n"
                         "Button Pressed = 3\nBranding = b\nBranding Mask = m\nPrice = 0\n"),
              "required keys missing: Agreement, Application ID, Channel ID, Version "
              "(docs/publishing.md describes them)");

    std::string error;
    std::optional<Manifest> manifest =
        Manifest::parse(std::string(kRequired) + "Brand Y = top\n", "/in", error);
    ASSERT_TRUE(manifest) << error;
    std::string text;
    EXPECT_FALSE(gwbundle::makeGameInfoText(*manifest, text, error));
    EXPECT_EQ(error, "manifest:17: Brand Y is 'top', not a whole number of pixels");
    manifest =
        Manifest::parse(std::string(kRequired) + "Game Exec Path = ../escape\n", "/in", error);
    ASSERT_TRUE(manifest) << error;
    EXPECT_FALSE(gwbundle::makeGameInfoText(*manifest, text, error));
    EXPECT_THAT(error, testing::HasSubstr("not a path inside .Game"));
}
