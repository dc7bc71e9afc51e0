#include "CorvaneCore/File.h"
#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/MemFileBuf.h"
#include "FileTestHelpers.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

using FileTestHelpers::readRest;
using FileTestHelpers::readWhole;
using TestSupport::pathExists;
using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

class FileOpen : public FileTestHelpers::InTempDirectory {};

} // namespace

TEST_F(FileOpen, UpdateModeKeepsTheFileAndCreateTruncatesIt) {
    writeFile("f.bin", "abcdef");
    EXPECT_TRUE(FileTestHelpers::writeThrough("f.bin", CFILE_WRITE, "XY"));
    EXPECT_EQ(readFile("f.bin"), "XYcdef");
    EXPECT_TRUE(FileTestHelpers::writeThrough("f.bin", CFILE_CREATE | CFILE_WRITE, ""));
    EXPECT_EQ(readFile("f.bin"), "");

    CFile file;
    for (auto [name, mode] : {std::pair<char const*, unsigned>{"missing.bin", CFILE_WRITE},
                              {"f.bin", 0},
                              {"f.bin", CFILE_CREATE},
                              {nullptr, CFILE_READ},
                              {"", CFILE_READ},
                              {"f.bin", CFILE_READ | CFILE_NO_DISK_FILE}}) {
        EXPECT_FALSE(file.Open(name, mode)) << (name ? name : "null") << " " << mode;
    }
    EXPECT_FALSE(pathExists("missing.bin"));
    // A closed file answers with values that say so.
    char byte = 0;
    EXPECT_EQ(file.GetPosition(), 0xFFFFFFFFu);
    EXPECT_EQ(file.Read(&byte, 1) + file.Write(&byte, 1), 0u);
    EXPECT_FALSE(file.SeekAbsolute(0));
}

TEST_F(FileOpen, PlainNamesLookInTheDataDirectoryFirstAndCreateOnlyThere) {
    writeFile("f.txt", "current");
    writeFile("data/f.txt", "data");
    setDataDir("data");
    EXPECT_EQ(readWhole("f.txt"), "data");
    ASSERT_EQ(unlink("data/f.txt"), 0);
    EXPECT_EQ(readWhole("f.txt"), "current");
    EXPECT_TRUE(FileTestHelpers::writeThrough("g.txt", CFILE_CREATE | CFILE_WRITE, "new"));
    EXPECT_EQ(readFile("data/g.txt"), "new");
    EXPECT_FALSE(pathExists("g.txt"));
    unsigned const create = CFILE_CREATE | CFILE_WRITE;
    EXPECT_FALSE(FileTestHelpers::writeThrough("one/two/f.txt", create, "deep"));
    EXPECT_TRUE(
        FileTestHelpers::writeThrough("one/two/f.txt", create | CFILE_CREATE_DIRECTORIES, "deep"));
    EXPECT_EQ(readFile("data/one/two/f.txt"), "deep");

    // Names that look absolute are used as given, for reading and creating.
    for (std::string name : {"\\x", "c:y"}) {
        writeFile("data/" + name, "joined");
        writeFile(name, "as given");
        EXPECT_EQ(readWhole(name.c_str()), "as given");
    }
    EXPECT_TRUE(FileTestHelpers::writeThrough((m_dir / "abs.txt").c_str(), create, "abs"));
    EXPECT_EQ(readFile("abs.txt"), "abs");

    // A data directory that already ends in a separator gets no second one.
    setDataDir("data/");
    EXPECT_EQ(readWhole("g.txt"), "new");
}

TEST_F(FileOpen, NamesAndJoinedPathsOverTheLimitAreRefused) {
    // A real file whose path is longer than the limit: it exists, but no open reaches it.
    std::string folder(200, 'd');
    std::string deep = m_dir.path();
    while (deep.size() <= CFILE_MAX_PATH_LENGTH) {
        deep += "/" + folder;
    }
    std::string tooLong = deep + "/f";
    writeFile(tooLong, "x");
    CFile file;
    EXPECT_FALSE(file.Open(tooLong.c_str(), CFILE_READ));
    EXPECT_FALSE(file.Open(tooLong.c_str(), CFILE_CREATE | CFILE_WRITE));

    // A name within the limit whose joined path is not: a create fails, a read falls back to
    // the name as given.
    std::string relativeDeep = deep.substr(m_dir.path().size() + 1);
    setDataDir(relativeDeep.c_str());
    // One character more than fits once joined with a separator.
    std::string near(CFILE_MAX_PATH_LENGTH - relativeDeep.size(), 'n');
    writeFile(near, "near");
    EXPECT_FALSE(file.Open(near.c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_EQ(readWhole(near.c_str()), "near");
    // One character less and the joined path is used.
    near.pop_back();
    EXPECT_TRUE(file.Open(near.c_str(), CFILE_CREATE | CFILE_WRITE));
    file.Close();
    EXPECT_TRUE(pathExists(deep + "/" + near));
}

TEST_F(FileOpen, StreamHandleNamesHandOverRegisteredStreamsOnly) {
    auto* stream = new CMemFileBuf;
    stream->Write("handed over", 11);
    stream->SeekAbsolute(0);
    std::uint32_t value = stream->RegisterHandle();
    EXPECT_EQ(stream->RegisterHandle(), value);
    char name[CFILEBUF_HANDLE_NAME_SIZE];
    CFileBuf::MakeHandleName(value, name);
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(name), stream);

    {
        CFile file;
        ASSERT_TRUE(file.Open(name, CFILE_READ));
        EXPECT_EQ(readRest(file), "handed over");
        // The handle is spent: a second file cannot take the same stream.
        CFile second;
        EXPECT_FALSE(second.Open(name, CFILE_READ));
    }

    auto* gone = new CMemFileBuf;
    CFileBuf::MakeHandleName(gone->RegisterHandle(), name);
    delete gone;
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(name), nullptr);

    // Fewer than 8 digits: just an ordinary file name.
    writeFile("~CFileBuf 0x1234567", "disk");
    EXPECT_EQ(readWhole("~CFileBuf 0x1234567"), "disk");
}

// Random writes, reads, seeks, moves, checksums and 32-bit values on a disk file, a memory stream
// and a compressed file, each compared after every step with a std::string doing the same; the
// stored file must hold the model's bytes once closed (the compressed one read back through
// memory), and a disk file loaded into memory reads back the same.
TEST_F(FileOpen, StreamsMatchAStringModel) {
    std::mt19937 random(1234);
    unsigned const readWrite = CFILE_CREATE | CFILE_WRITE | CFILE_READ;
    for (char const* kind : {"disk", "memory", "compressed"}) {
        SCOPED_TRACE(kind);
        std::string const kindName = kind;
        CFile file;
        ASSERT_TRUE(kindName == "memory"
                        ? file.Open(new CMemFileBuf, CFILE_READ | CFILE_WRITE)
                        : file.Open(kind, readWrite | (kindName == "disk" ? 0 : CFILE_COMPRESSED)));
        std::string model;
        std::size_t position = 0;
        for (int step = 0; step < 1500; ++step) {
            SCOPED_TRACE(step);
            std::size_t const at = random() % (model.size() + 1);
            switch (random() % 7) {
            case 0: {
                std::string bytes =
                    ZipTest::randomBytes(random, step % 100 == 0 ? 70000 : random() % 300, 4);
                ASSERT_EQ(file.Write(bytes.data(), static_cast<unsigned>(bytes.size())),
                          bytes.size());
                model.replace(position, std::min(bytes.size(), model.size() - position), bytes);
                position += bytes.size();
                break;
            }
            case 1:
                ASSERT_TRUE(file.SeekAbsolute(static_cast<int>(at)));
                position = at;
                break;
            case 2:
                ASSERT_TRUE(file.SeekRelative(static_cast<int>(at) - static_cast<int>(position)));
                position = at;
                break;
            case 3: {
                std::size_t const wanted = random() % 400;
                std::string bytes(wanted, '\0');
                bytes.resize(file.Read(bytes.data(), static_cast<unsigned>(wanted)));
                ASSERT_EQ(bytes, model.substr(position, wanted));
                position += bytes.size();
                break;
            }
            case 4: {
                // Toward the start, overlapping or not, in pieces when long.
                std::size_t const count = random() % (model.size() - at + 1);
                std::size_t const to = at == 0 ? 0 : random() % at;
                ASSERT_TRUE(file.MoveBytesWithinFile(to, at, count));
                model.replace(to, count, model.substr(at, count));
                ASSERT_TRUE(file.SeekAbsolute(static_cast<int>(position)));
                break;
            }
            case 5:
                ASSERT_EQ(file.GetFileBuf()->CalculateCRC32(), ZipTest::crcOf(model));
                position = model.size();
                break;
            case 6: {
                // The same 32 bits written and read as each type the stream takes.
                std::uint32_t const value = random();
                file << value << static_cast<unsigned long>(value) << static_cast<long>(value);
                model.replace(position, std::min<std::size_t>(12, model.size() - position),
                              ZipTest::le(4, value) + ZipTest::le(4, value) +
                                  ZipTest::le(4, value));
                ASSERT_TRUE(file.SeekAbsolute(static_cast<int>(position)));
                unsigned back = 0;
                long signedBack = 0;
                file >> back >> signedBack;
                ASSERT_EQ(back, value);
                ASSERT_EQ(static_cast<std::uint32_t>(signedBack), value);
                position += 8;
                break;
            }
            }
            ASSERT_EQ(file.GetLength(), model.size());
            ASSERT_EQ(file.GetPosition(), position);
        }
        file.Close();
        if (kindName == "disk") {
            EXPECT_EQ(readFile(kind), model);
            EXPECT_EQ(readWhole(kind, CFILE_READ | CFILE_LOAD_INTO_MEMORY), model);
        } else if (kindName == "compressed") {
            EXPECT_LT(readFile(kind).size(), model.size() / 2 + 100);
            EXPECT_EQ(readWhole(kind, CFILE_COMPRESSED | CFILE_READ), model);
        }
    }
}
