// The publisher's side of the online store: a key pair, an update signed with it that the
// storefront accepts, and store.conf as gwbundle check reads it.
#include "BundleChecks.h"
#include "GwbundleTestSupport.h"

#include "StoreConfig.h"
#include "UpdateArchive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>

using namespace GwbundleTest;

namespace {

// The rest of the line that follows prefix in text, or "" when prefix is not there.
std::string lineAfter(const std::string& text, const std::string& prefix) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(prefix + "(.*)")) ? match.str(1) : "";
}

} // namespace

TEST(GwbundleStore, KeygenMakesAPrivateKeyPairOnlyOutsideBundles) {
    TestSupport::TempDir dir;
    ToolResult keygen = runTool({"keygen", dir / "publisher"});
    ASSERT_EQ(keygen.exitStatus, 0) << keygen.output;
    struct stat secret {};
    ASSERT_EQ(stat((dir / "publisher.key").c_str(), &secret), 0);
    EXPECT_EQ(secret.st_mode & 0777, 0600u);
    EXPECT_TRUE(Storefront::parsePublicKey(lineAfter(keygen.output, "public-key = ")))
        << keygen.output;
    // Never overwritten, never made inside a bundle.
    EXPECT_EQ(runTool({"keygen", dir / "publisher"}).exitStatus, 1);
    EXPECT_EQ(runTool({"keygen", dir / "Game.app/Contents/publisher"}).exitStatus, 1);
    EXPECT_FALSE(TestSupport::pathExists(dir / "Game.app"));

    // Each key pair is a new one.
    ToolResult other = runTool({"keygen", dir / "other"});
    ASSERT_EQ(other.exitStatus, 0) << other.output;
    EXPECT_NE(lineAfter(other.output, "public-key = "), lineAfter(keygen.output, "public-key = "));
}

TEST(GwbundleStore, AKeyPairSignsAnUpdateTheStorefrontAccepts) {
    TestSupport::TempDir dir;
    ToolResult keygen = runTool({"keygen", dir / "publisher"});
    std::optional<Storefront::PublicKey> key =
        Storefront::parsePublicKey(lineAfter(keygen.output, "public-key = "));
    ASSERT_TRUE(key) << keygen.output;
    TestSupport::writeFile(dir / "build/Pellucid.dylib", "library bytes");
    TestSupport::writeFile(dir / "build/Storefront/covers/a.jpg", "cover bytes");
    ToolResult signed_ = runTool({"sign-update", "--key", dir / "publisher.key", "--version", "7",
                                  dir / "build", dir / "storefront-7.tar.gz"});
    ASSERT_EQ(signed_.exitStatus, 0) << signed_.output;
    EXPECT_THAT(signed_.output,
                testing::HasSubstr("[update]\nversion = 7\nurl = storefront-7.tar.gz\n"));
    std::string archive = TestSupport::readFile(dir / "storefront-7.tar.gz");
    std::string signature = lineAfter(signed_.output, "signature = ");
    EXPECT_EQ(signature + "\n", TestSupport::readFile(dir / "storefront-7.tar.gz.sig"));
    EXPECT_EQ(
        Storefront::updateRefusal(archive, lineAfter(signed_.output, "sha256 = "), signature, *key),
        "");
    std::vector<Storefront::UpdateFile> files;
    std::string error;
    ASSERT_TRUE(Storefront::readUpdateArchive(archive, files, error)) << error;
    ASSERT_EQ(files.size(), 2u);

    // A secret key, or a file the storefront does not own, is never packed.
    for (const char* stray : {"build/Storefront/publisher.key", "build/Tessaly.dat"}) {
        SCOPED_TRACE(stray);
        TestSupport::writeFile(dir / stray, "x");
        EXPECT_EQ(runTool({"sign-update", "--key", dir / "publisher.key", "--version", "8",
                           dir / "build", dir / "storefront-8.tar.gz"})
                      .exitStatus,
                  1);
        EXPECT_FALSE(TestSupport::pathExists(dir / "storefront-8.tar.gz"));
        TestSupport::removeTree(dir / stray);
    }
}

TEST(GwbundleStore, CheckReadsStoreConfAndFindsSecretKeys) {
    struct Case {
        const char* text;
        const char* problem; // empty: passes
    };
    const std::string key = "public-key = " + std::string(64, 'a') + "\n";
    const Case cases[] = {
        {"catalogue-url = https://games.example.com/c.txt\n", ""},
        {"catalogue-url = http://games.example.com/c.txt\n", "plain http to another machine"},
        {"catalogue-url = games.example.com/c.txt\n", "is not an absolute web address"},
        {"public-key = 12ab\n", "public-key is not 64 hexadecimal digits"},
        {"catalog-url = https://games.example.com/c.txt\n", "unknown key \"catalog-url\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TestSupport::TempDir dir;
        std::string bundle = dir / "Game.app";
        TestSupport::writeFile(bundle + "/Contents/Resources/Storefront/store.conf", c.text + key);
        gwbundle::CheckReport report;
        gwbundle::checkStoreConfig(gwbundle::BundlePaths(bundle), report);
        if (*c.problem) {
            ASSERT_EQ(report.failures().size(), 1u);
            EXPECT_THAT(report.failures()[0],
                        testing::HasSubstr("Contents/Resources/Storefront/store.conf"));
            EXPECT_THAT(report.failures()[0], testing::HasSubstr(c.problem));
        } else {
            EXPECT_TRUE(report.passed());
            TestSupport::writeFile(bundle + "/Contents/Resources/Storefront/store.key", "x");
            gwbundle::CheckReport withKey;
            gwbundle::checkStoreConfig(gwbundle::BundlePaths(bundle), withKey);
            EXPECT_EQ(withKey.failures().size(), 1u);
        }
    }
}
