// Storefront updates under the launcher's own plug-in host: from the publisher's server, a signed
// newer build is installed by the storefront and loaded by the host's reload, and anything else
// is refused with the resources folder as it was.
#include "CatalogueServer.h"
#include "KX_APIFunctionsMac.h"
#include "PluginHarness.h"
#include "TestSupport.h"
#include "UpdateArchive.h"

#include "CacheFiles.h"

#include <MacPlatformTesting.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sodium.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace StorefrontTest;

namespace {

struct KeyPair {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    KeyPair() {
        EXPECT_GE(sodium_init(), 0);
        crypto_sign_keypair(publicKey, secretKey);
    }
    std::string publicHex() const {
        char text[2 * sizeof publicKey + 1];
        return sodium_bin2hex(text, sizeof text, publicKey, sizeof publicKey);
    }
    std::string sign(const std::string& bytes) const {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr,
                             reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                             secretKey);
        char text[2 * sizeof signature + 1];
        return sodium_bin2hex(text, sizeof text, signature, sizeof signature);
    }
};

std::string archiveOf(const std::string& library) {
    std::vector<Storefront::UpdateFile> files = {
        {"Pellucid.dylib", library, true},
        {"Storefront/covers/new.jpg", "cover of the new build", false}};
    std::string archive;
    std::string error;
    EXPECT_TRUE(Storefront::writeUpdateArchive(files, archive, error)) << error;
    return archive;
}

class StorefrontUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        bundle = root / "Store Test.app";
        resources = bundle + "/Contents/Resources/";
        TestSupport::writeFile(bundle + "/Contents/Info.plist",
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                               "<dict><key>CFBundleIdentifier</key><string>com.example.update"
                               "</string></dict></plist>\n");
        running = TestSupport::readFile(STOREFRONT_PLUGIN_PATH);
        TestSupport::writeFile(resources + "Pellucid.dylib", running);
        TestSupport::writeFile(resources + "Storefront/catalogue.txt",
                               "catalogue-version = 1\n[game]\ntitle = A\nprice = 1\n");
        TestSupport::writeFile(resources + "Storefront/store.conf",
                               "catalogue-url = " + server.url("catalogue.txt") +
                                   "\npublic-key = " + publisher.publicHex() + "\n");
        setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        MacPlatformTestSetMainBundlePath(bundle.c_str());
    }

    void TearDown() override {
        KX_ShutDown();
        MacPlatformTestSetMainBundlePath(nullptr);
        unsetenv("XDG_CACHE_HOME");
    }

    // Publishes an archive with the announcement of `version`.
    void publish(const std::string& archive, int version, const std::string& signature,
                 const std::string& sha256) {
        TestSupport::writeFile(root / "site/storefront.tar.gz", archive);
        TestSupport::writeFile(
            root / "site/catalogue.txt",
            "catalogue-version = 2\n[update]\nversion = " + std::to_string(version) +
                "\nurl = storefront.tar.gz\nsha256 = " + sha256 + "\nsignature = " + signature +
                "\n[game]\ntitle = B\nprice = 2\n");
    }

    // Starts the launcher's side and draws frames until the update is settled either way.
    std::string runUntilSettled() {
        EXPECT_EQ(KX_Initialize(42, "Demo Game", 7, 1.5f, 1), 0) << KX_GetLastErrorInformation();
        EXPECT_EQ(KX_EnterMenuSession(1, 720, 540), 0);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string state;
        while (std::chrono::steady_clock::now() < deadline && !g_bUnrecoverableErrorMode) {
            KX_DrawNextFrameIntoBuffer(frame.data(), 2880, 4, 1);
            state = kxdll_GetValueAsString("UpdateState");
            if (kxdll_GetDLLVersionAsInt() != 100 || state.rfind("refused", 0) == 0 ||
                state.rfind("read-only", 0) == 0) {
                break;
            }
            if (server.log().find("catalogue.txt 200") != std::string::npos && state == "none" &&
                kxdll_GetValueAsInt("Loading") == 0) {
                break; // nothing offered that this build would take
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::fill(frame.begin(), frame.end(), 0u);
        KX_DrawNextFrameIntoBuffer(frame.data(), 2880, 4, 1);
        return state;
    }

    TestSupport::TempDir root;
    CatalogueServer server{root / "site"};
    KeyPair publisher;
    std::string bundle;
    std::string resources;
    std::string running;
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(720 * 540, 0);
};

} // namespace

TEST_F(StorefrontUpdate, ASignedNewerBuildIsInstalledAndTheHostLoadsIt) {
    std::string next = TestSupport::readFile(STOREFRONT_NEXT_PLUGIN_PATH);
    std::string archive = archiveOf(next);
    publish(archive, 101, publisher.sign(archive), Storefront::sha256Hex(archive));

    runUntilSettled();
    EXPECT_FALSE(g_bUnrecoverableErrorMode);
    EXPECT_EQ(kxdll_GetDLLVersionAsInt(), 101);
    EXPECT_NE(std::count(frame.begin(), frame.end(), 0u), static_cast<long>(frame.size()));
    EXPECT_TRUE(TestSupport::readFile(resources + "Pellucid.dylib") == next);
    EXPECT_TRUE(TestSupport::readFile(resources + "Backup/Pellucid.dylib") == running);
    EXPECT_EQ(TestSupport::readFile(resources + "Storefront/covers/new.jpg"),
              "cover of the new build");
    // The new build is not offered its own version again.
    EXPECT_EQ(std::string(kxdll_GetValueAsString("UpdateState")), "none");
}

TEST_F(StorefrontUpdate, AnythingButTheAnnouncedSignedNewerBuildChangesNothing) {
    std::string next = TestSupport::readFile(STOREFRONT_NEXT_PLUGIN_PATH);
    KeyPair stranger;
    struct Case {
        const char* name;
        std::string library; // the archive's Pellucid.dylib
        int version;
        const KeyPair& signer;
        const char* announcedHashOf; // null: the archive
        const char* rules;
        const char* refusal; // part of the reason; null: never downloaded
    };
    const Case cases[] = {
        {"wrong signature", next, 101, stranger, nullptr, "",
         "its signature was not made with the publisher's key"},
        {"wrong hash", next, 101, publisher, "other", "", "its SHA-256 is"},
        {"cut short", next, 101, publisher, nullptr, "/storefront.tar.gz truncate\n",
         "partial file"},
        {"does not load", "not a library", 101, publisher, nullptr, "",
         "the new Pellucid.dylib does not load"},
        {"lacks an entry point", TestSupport::readFile(PLUGIN_MISSING_EXPORT_PATH), 101, publisher,
         nullptr, "", "the new Pellucid.dylib does not export kxdll_SetTrackingMetadata"},
        {"older than announced", running, 101, publisher, nullptr, "",
         "the new Pellucid.dylib is build 100"},
        {"not newer", next, 100, publisher, nullptr, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestSupport::removeTree(root / "cache");
        TestSupport::writeFile(root / "site/.log", "");
        server.setRules(c.rules);
        std::string archive = archiveOf(c.library);
        publish(archive, c.version, c.signer.sign(archive),
                Storefront::sha256Hex(c.announcedHashOf ? c.announcedHashOf : archive));
        std::map<std::string, std::string> before = filesUnder(resources);

        std::string state = runUntilSettled();
        if (c.refusal) {
            EXPECT_THAT(state, testing::StartsWith("refused: "));
            EXPECT_THAT(state, testing::HasSubstr(c.refusal));
        } else {
            EXPECT_EQ(state, "none");
            EXPECT_THAT(server.log(), testing::Not(testing::HasSubstr("storefront.tar.gz")));
        }
        EXPECT_FALSE(g_bUnrecoverableErrorMode);
        EXPECT_EQ(kxdll_GetDLLVersionAsInt(), 100);
        EXPECT_TRUE(filesUnder(resources) == before) << "the resources folder changed";
        KX_ShutDown();
    }
}
