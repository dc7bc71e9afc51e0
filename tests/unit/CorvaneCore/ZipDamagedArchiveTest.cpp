// Damaged archives fail cleanly: false from an immediate open, null from a member open, never a
// read outside the file, a huge allocation or a hang.
#include "CorvaneCore/ZipArchive.h"
#include "TestSupport.h"
#include "ZipDamagedCorpus.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

using namespace ZipTest;

namespace {

std::vector<Member> sample() {
    Member withExtras{"dir/Second.TXT", std::string(40, 's')};
    withExtras.localExtra = std::string(9, 'x');
    withExtras.centralExtra = std::string(5, 'y');
    withExtras.comment = "c";
    return {{"first.bin", "first member data"}, withExtras, {"third", "3"}};
}

// Offsets into an archive built from sample() with the default layout.
std::size_t centralStart(std::string const& bytes) {
    return get32(bytes, bytes.size() - 6);
}

void setField32(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::string encoded;
    put32(encoded, value);
    bytes.replace(at, 4, encoded);
}

void setField16(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::string encoded;
    put16(encoded, value);
    bytes.replace(at, 2, encoded);
}

// Opens the archive and reads every member it offers; returns whether the open succeeded.
bool openAndReadEverything(std::string const& path, unsigned* membersRead = nullptr) {
    CZipArchive archive;
    if (!archive.OpenArchive(path.c_str(), 0, "", false, 0)) {
        return false;
    }
    unsigned read = 0;
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        StreamPtr stream(archive.OpenAFileWithinArchive(archive.GetEntry(i)->m_pName, 0));
        if (stream) {
            std::string content = readAll(stream.get());
            EXPECT_LE(content.size(), stream->GetLength());
            ++read;
        }
    }
    if (membersRead) {
        *membersRead = read;
    }
    return true;
}

} // namespace

TEST(ZipDamaged, EveryTruncationFailsCleanly) {
    TestSupport::TempDir dir;
    std::string const whole = buildArchive(sample());
    std::string const path = dir / "t.zip";
    for (std::size_t length = 0; length < whole.size(); ++length) {
        TestSupport::writeFile(path, whole.substr(0, length));
        unsigned read = 0;
        bool const opened = openAndReadEverything(path, &read);
        // Once the end signature is in, the record walk finds the whole directory.
        EXPECT_EQ(opened, length >= whole.size() - 18) << "truncated at " << length;
        if (opened) {
            EXPECT_EQ(read, 3u) << "truncated at " << length;
        }
    }
    TestSupport::writeFile(path, whole);
    unsigned read = 0;
    EXPECT_TRUE(openAndReadEverything(path, &read));
    EXPECT_EQ(read, 3u);
}

TEST(ZipDamaged, WrongSignatures) {
    TestSupport::TempDir dir;
    std::string const whole = buildArchive(sample());
    std::size_t const directory = centralStart(whole);
    std::string const path = dir / "s.zip";

    // A broken central signature anywhere in the directory fails the whole read.
    std::size_t second = whole.find("PK\x01\x02", directory + 4);
    ASSERT_NE(second, std::string::npos);
    std::string bytes = whole;
    bytes[second + 2] = 9;
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));

    bytes = whole;
    bytes[directory] = 'Q';
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));

    // A broken local header only loses its own member.
    bytes = whole;
    bytes[0] = 'Q';
    TestSupport::writeFile(path, bytes);
    unsigned read = 0;
    EXPECT_TRUE(openAndReadEverything(path, &read));
    EXPECT_EQ(read, 2u);

    // A broken end signature sends the reader on the record walk, which cannot end either.
    bytes = whole;
    bytes[whole.size() - 22] = 'Q';
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));
}

TEST(ZipDamaged, CountsOffsetsAndSizesBeyondTheFile) {
    TestSupport::TempDir dir;
    std::string const whole = buildArchive(sample());
    std::size_t const directory = centralStart(whole);
    std::size_t const end = whole.size() - 22;
    std::string const path = dir / "c.zip";
    auto attempt = [&](std::string const& bytes, unsigned* read) {
        TestSupport::writeFile(path, bytes);
        return openAndReadEverything(path, read);
    };
    unsigned read = 0;

    std::string bytes = whole;
    setField16(bytes, end + 10, 0xFFFF); // total entries
    EXPECT_TRUE(attempt(bytes, &read));
    EXPECT_EQ(read, 3u);

    bytes = whole;
    setField32(bytes, end + 16, 0x7FFFFFF0); // directory offset
    EXPECT_FALSE(attempt(bytes, &read));
    setField32(bytes, end + 16, static_cast<std::uint32_t>(end + 1));
    EXPECT_FALSE(attempt(bytes, &read));

    bytes = whole;
    setField16(bytes, directory + 28, 0xFFFF); // name length of the first entry
    EXPECT_FALSE(attempt(bytes, &read));
    bytes = whole;
    setField16(bytes, directory + 30, 0xFFFF); // extra length
    EXPECT_FALSE(attempt(bytes, &read));
    bytes = whole;
    setField16(bytes, directory + 32, 0xFFFF); // comment length
    EXPECT_FALSE(attempt(bytes, &read));

    // Member fields that point outside the file lose that member only.
    bytes = whole;
    setField32(bytes, directory + 24, 0xFFFFFFFF); // uncompressed size
    EXPECT_TRUE(attempt(bytes, &read));
    EXPECT_EQ(read, 2u);
    bytes = whole;
    setField32(bytes, directory + 42, 0xFFFFFF00); // local header offset
    EXPECT_TRUE(attempt(bytes, &read));
    EXPECT_EQ(read, 2u);
    bytes = whole;
    setField32(bytes, directory + 42, static_cast<std::uint32_t>(directory - 10));
    EXPECT_TRUE(attempt(bytes, &read));
    EXPECT_EQ(read, 2u);
    // A local header whose lengths put the data past the directory.
    bytes = whole;
    setField16(bytes, 28, 0xFFFF);
    EXPECT_TRUE(attempt(bytes, &read));
    EXPECT_EQ(read, 2u);
}

TEST(ZipDamaged, RecordWalkOverDamagedRecords) {
    TestSupport::TempDir dir;
    Layout unknown;
    unknown.directoryOffset = 0xFFFFFFFF;
    std::string const whole = buildArchive(sample(), unknown);
    std::string const path = dir / "w.zip";

    std::string bytes = whole;
    setField32(bytes, 18, 0x7FFFFFFF); // compressed size of the first local header
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));

    bytes = whole;
    bytes[centralStart(buildArchive(sample())) + 46 + 9] = 'Q'; // second central signature
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));

    // A walk that meets something other than an end signature after the directory fails.
    bytes = whole.substr(0, whole.size() - 22) + std::string(30, '\0');
    TestSupport::writeFile(path, bytes);
    EXPECT_FALSE(openAndReadEverything(path));
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
