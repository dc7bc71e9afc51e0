// The libraries the store needs online are opened only when it goes online: a system without
// them still gets a store, from the bundle's files, that says which one is missing.
#include "OnlineLibraries.h"
#include "PluginHarness.h"
#include "Store.h"

#include "TestSupport.h"

#include <cstdlib>
#include <string>

using namespace StorefrontTest;

TEST(StorefrontLibraries, AStoreThatCannotGoOnlineSaysWhichLibraryIsMissing) {
    TestSupport::TempDir root;
    std::string resources = root / "Store Test.app/Contents/Resources/";
    TestSupport::writeFile(
        root / "Store Test.app/Contents/Info.plist",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>CFBundleIdentifier</key><string>com.example.libraries</string>"
        "</dict></plist>\n");
    writeCatalogue(resources, catalogueText(2, 1));
    // Nothing listens on the discard port: the online store's one request fails at once.
    TestSupport::writeFile(resources + "Storefront/store.conf",
                           "catalogue-url = http://127.0.0.1:9/catalogue.txt\n");
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    Storefront::StoreIdentity identity;
    identity.applicationID = 1;

    for (const char* soname : {Storefront::kCurlLibraryFile, Storefront::kSodiumLibraryFile}) {
        SCOPED_TRACE(soname);
        Storefront::openLibraryFromFileForTesting(soname, root / "absent.so");
        Storefront::Store store(resources, identity);
        Storefront::openLibraryFromFileForTesting(soname, "");
        EXPECT_EQ(store.online(), nullptr);
        EXPECT_EQ(store.content().games.size(), 2u);
        EXPECT_NE(store.lastError().find(root / "absent.so"), std::string::npos)
            << store.lastError();
        EXPECT_EQ(store.statusLine(), std::string("Offline: ") + soname +
                                          " could not be loaded; these are the games of this "
                                          "bundle.");
    }

    // A library without the entry points is refused whole, before anything calls into it.
    Storefront::openLibraryFromFileForTesting(Storefront::kCurlLibraryFile,
                                              Storefront::kSodiumLibraryFile);
    std::string error;
    EXPECT_EQ(Storefront::curlLibrary(error), nullptr);
    EXPECT_NE(error.find("has no curl_global_init"), std::string::npos) << error;
    Storefront::openLibraryFromFileForTesting(Storefront::kCurlLibraryFile, "");

    // With the libraries back, the same bundle's store goes online.
    {
        Storefront::Store store(resources, identity);
        EXPECT_NE(store.online(), nullptr);
        EXPECT_EQ(store.lastError(), "");
    }
    unsetenv("XDG_CACHE_HOME");
}
