#include "Catalogue.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Storefront;

TEST(Catalogue, ReadsHeaderGamesAndPrices) {
    CatalogueResult result = parseCatalogue("# comment\n"
                                            "catalogue-version = 12\r\n"
                                            "heading =  More to play \n"
                                            "\n"
                                            "[game]\n"
                                            "id = 7\n"
                                            "title = Tide = Time\n"
                                            "price = 0\n"
                                            "[game]\n"
                                            "title = Second\n"
                                            "price = 12.5\n"
                                            "cover = covers/second.jpg\n"
                                            "description = Twice as good.\n",
                                            "test.txt");
    ASSERT_TRUE(result.catalogue) << result.error;
    std::string shown = std::to_string(result.catalogue->version) + " " + result.catalogue->heading;
    for (const CatalogueEntry& entry : result.catalogue->entries) {
        shown += "\n" + std::to_string(entry.id) + "|" + entry.title + "|" +
                 formatPrice(entry.priceInCents) + "|" + entry.coverPath + "|" + entry.description;
    }
    EXPECT_EQ(shown, "12 More to play\n"
                     "7|Tide = Time|Free||\n"
                     "0|Second|$12.50|covers/second.jpg|Twice as good.");
}

TEST(Catalogue, DamageIsReportedWithFileAndLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::string header = "catalogue-version = 1\n";
    const Case cases[] = {
        {"catalogue-version = -3\n",
         "c.txt, line 1: catalogue-version \"-3\" is not a whole number above 0."},
        {header + "colour = red\n",
         "c.txt, line 2: unknown key \"colour\" before the first [game]."},
        {header + "[shop]\n",
         "c.txt, line 2: unknown section \"[shop]\" (only [game] and [update] are known)."},
        {header + "[update]\nversion = 2\nurl = u.tar.gz\nsha256 = " + std::string(64, 'a') +
             "\n[game]\ntitle = A\nprice = 1\n",
         "c.txt, line 2: the [update] needs version, url, sha256 and signature."},
        {header + "[update]\nsha256 = 12ab\n",
         "c.txt, line 3: sha256 is not 64 hexadecimal digits."},
        {header + "[game]\ntitle = A\nprice = 1.999\n",
         "c.txt, line 4: price \"1.999\" is not an amount such as 9.99."},
        {header + "[game]\ntitle = A\nprice = 1\ntitle = B\n",
         "c.txt, line 5: \"title\" is given twice."},
        {header + "[game]\ntitle = A\n[game]\ntitle = B\nprice = 2\n",
         "c.txt, line 2: the [game] needs both a title and a price."},
        {header + "[game]\ntitle = A\nprice = 1\ncover = ../../etc/passwd\n",
         "c.txt, line 5: cover \"../../etc/passwd\" is not a relative path inside the storefront "
         "folder."},
        {header + "[game]\ntitle A\n", "c.txt, line 3: expected \"key = value\"."},
        {header + "[game]\ntitle = \xC3\x28\nprice = 1\n", "c.txt is not valid UTF-8 text."},
        {header + std::string(3000, 'x') + "\n",
         "c.txt, line 2: the line is longer than 2048 bytes."},
    };
    for (const Case& c : cases) {
        CatalogueResult result = parseCatalogue(c.text, "c.txt");
        EXPECT_FALSE(result.catalogue) << c.text;
        EXPECT_EQ(result.error, c.error);
    }
    std::string many = header;
    for (int i = 0; i <= static_cast<int>(kMaxCatalogueEntries); ++i) {
        many += "[game]\ntitle = G\nprice = 1\n";
    }
    EXPECT_THAT(parseCatalogue(many, "c.txt").error, testing::HasSubstr("more than 64 games"));
    EXPECT_EQ(parseCatalogue(std::string(kMaxCatalogueBytes + 1, '#'), "c.txt").error,
              "c.txt is larger than 256 KB.");
}

TEST(Catalogue, LoadsOnlyWholeRegularFiles) {
    TestSupport::TempDir folder;
    EXPECT_EQ(loadCatalogue(folder / "none.txt", "n").error, "n could not be opened.");
    TestSupport::makeDirectories(folder / "dir.txt");
    EXPECT_EQ(loadCatalogue(folder / "dir.txt", "d").error, "d is not a file.");
    // A FIFO with no writer would block a plain open for good.
    ASSERT_EQ(mkfifo((folder / "fifo.txt").c_str(), 0600), 0);
    EXPECT_EQ(loadCatalogue(folder / "fifo.txt", "f").error, "f is not a file.");
    TestSupport::writeFile(folder / "big.txt", std::string(kMaxCatalogueBytes + 1, '#'));
    EXPECT_EQ(loadCatalogue(folder / "big.txt", "b").error, "b is larger than 256 KB.");
    // The demo bundle's catalogue fills the store's two rows of four, or nearly.
    CatalogueResult demo = loadCatalogue(STOREFRONT_DEMO_CATALOGUE, "demo");
    ASSERT_TRUE(demo.catalogue) << demo.error;
    EXPECT_GE(demo.catalogue->entries.size(), 6u);
    EXPECT_LE(demo.catalogue->entries.size(), 8u);
}
