// Damaged archives fail cleanly: false from an immediate open, null from a member open, never a
// read outside the file, a huge allocation or a hang.
#include "CorvaneCore/ZipArchive.h"
#include "TestSupport.h"
#include "ZipDamagedCorpus.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

using namespace ZipTest;

namespace {

// The second member's extra fields and comment differ between its headers.
std::vector<Member> sample() {
    return {{"first.bin", "first member data"},
            {"dir/Second.TXT", std::string(40, 's'), std::string(9, 'x'), std::string(5, 'y'), "c"},
            {"third", "3"}};
}

// Opens the archive and reads every member it offers: the number of members that read back
// as the sample has them, or -1 when the archive does not open.
int membersRead(std::string const& path) {
    CZipArchive archive;
    if (!archive.OpenArchive(path.c_str(), 0, "", false, 0)) {
        return -1;
    }
    int read = 0;
    for (Member const& member : sample()) {
        read += memberText(archive, member.name.c_str()) == member.data;
    }
    return read;
}

} // namespace

TEST(ZipDamaged, DamageLosesTheArchiveOrOnlyItsMember) {
    std::string const whole = buildArchive(sample());
    std::size_t const end = whole.size() - 22;
    std::size_t const directory = get32(whole, end + 16);
    std::size_t const secondEntry = whole.find("PK\x01\x02", directory + 4);
    // Without a usable directory offset only the record walk can find the directory; a stub in
    // front defeats the walk, so that only the end record can.
    std::string const walked = buildArchive(sample(), {.directoryOffset = 0xFFFFFFFF});
    std::string const stubbed = buildArchive(sample(), {.leading = "STUB"});
    struct Case {
        char const* what;
        std::string bytes;
        // -1: the archive does not open.
        int membersRead;
    } const cases[] = {
        {"second central signature", withField(whole, secondEntry + 2, 1, 9), -1},
        {"first central signature", withField(whole, directory, 1, 'Q'), -1},
        {"end signature: the walk cannot end", withField(whole, end, 1, 'Q'), -1},
        {"local signature", withField(whole, 0, 1, 'Q'), 2},
        {"total entries", withField(whole, end + 10, 2, 0xFFFF), 3},
        {"directory offset far out", withField(whole, end + 16, 4, 0x7FFFFFF0), -1},
        {"directory offset past the end record", withField(whole, end + 16, 4, end + 1), -1},
        {"name length", withField(whole, directory + 28, 2, 0xFFFF), -1},
        {"extra length", withField(whole, directory + 30, 2, 0xFFFF), -1},
        {"comment length", withField(whole, directory + 32, 2, 0xFFFF), -1},
        {"uncompressed size", withField(whole, directory + 24, 4, 0xFFFFFFFF), 2},
        {"local header offset far out", withField(whole, directory + 42, 4, 0xFFFFFF00), 2},
        {"local header offset near the directory",
         withField(whole, directory + 42, 4, directory - 10), 2},
        {"local name length past the directory", withField(whole, 28, 2, 0xFFFF), 2},
        {"walk: compressed size", withField(walked, 18, 4, 0x7FFFFFFF), -1},
        {"walk: second central signature", withField(walked, secondEntry, 1, 'Q'), -1},
        {"walk: junk after the directory", walked.substr(0, end) + std::string(30, '\0'), -1},
        {"walk: no end record", buildArchive(sample(), {.writeEnd = false}), -1},
        {"walk: trailing bytes after the end record", whole + "trailing bytes", 3},
        {"walk: more entries counted than there are",
         buildArchive(sample(), {.totalEntries = 99, .directoryOffset = 0xFFFFFFFF}), 3},
        {"no entries counted", buildArchive(sample(), {.totalEntries = 0}), 0},
        {"stub: padding of 0xFF after a '0'", stubbed + "0" + std::string(300, '\xFF'), 3},
        {"stub: a lone '0' of padding", stubbed + "0", 3},
        {"stub: 0xFF bytes without the '0' are part of the file", stubbed + "\xFF\xFF", -1},
        {"only 0xFF bytes", std::string(5000, '\xFF'), -1},
        {"stub: alternative end signature",
         buildArchive(sample(), {.leading = "STUB", .endSignature = 0x06055643}), 3},
    };
    TestSupport::TempDir dir;
    std::string const path = dir / "d.zip";
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        TestSupport::writeFile(path, c.bytes);
        EXPECT_EQ(membersRead(path), c.membersRead);
    }
}

TEST(ZipDamaged, EveryRefusalSaysWhy) {
    TestSupport::TempDir dir;
    std::string const path = dir / "d.zip";
    for (DamagedArchive const& damaged : damagedArchives()) {
        SCOPED_TRACE(damaged.what);
        TestSupport::writeFile(path, damaged.bytes);
        CZipArchive archive;
        if (damaged.error == CZipError::None) {
            EXPECT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0))
                << archive.GetLastErrorText();
            continue;
        }
        EXPECT_FALSE(archive.OpenArchive(path.c_str(), 0, "", false, 0));
        EXPECT_EQ(archive.GetLastError(), damaged.error) << archive.GetLastErrorText();
        std::string const reason = archive.GetLastErrorText();
        EXPECT_FALSE(reason.empty());
        // The failed open closed the archive; a member open keeps the reason.
        EXPECT_EQ(archive.OpenAFileWithinArchive("Branding.jpg", 0), nullptr);
        EXPECT_EQ(archive.GetLastErrorText(), reason);

        // A deferred read that fails reports the same reason instead of ending the program.
        CZipArchive deferred;
        deferred.SetStopOnFatalConditions(false);
        ASSERT_TRUE(deferred.OpenArchive(path.c_str(), 0, "", true, 0));
        EXPECT_EQ(deferred.OpenAFileWithinArchive("Branding.jpg", 0), nullptr);
        EXPECT_EQ(deferred.GetLastErrorText(), reason);
    }
}
