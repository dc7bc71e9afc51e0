// Helpers of the zip tests: archives assembled byte by byte (so that tests can damage any
// field), members read back whole and rewritten, and the external tools that write and check
// archives of their own.
#pragma once

#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ZipTest {

struct Member {
    std::string name{};
    std::string data{};
    std::string localExtra{};
    std::string centralExtra{};
    std::string comment{};
    std::uint16_t method = 0;
};

struct Layout {
    // Bytes before the first member (a stub that no record walk can pass).
    std::string leading{};
    // Lists the members in the directory from the last to the first.
    bool reverseDirectory = false;
    std::uint32_t endSignature = 0x06054b50;
    bool writeEnd = true;
    // Overrides of the end record (when set).
    std::int64_t totalEntries = -1;
    std::int64_t directoryOffset = -1;
};

// Bytes drawn from the generator, each below `range` (a small range compresses well).
inline std::string randomBytes(std::mt19937& random, std::size_t size, unsigned range = 256) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() % range);
    }
    return bytes;
}

// The value in `width` bytes, least significant first, as zip records store their fields.
inline std::string le(int width, std::uint32_t value) {
    std::string out;
    for (int i = 0; i < width; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

inline std::uint32_t get32(std::string const& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// The bytes with the field of the given width at `at` replaced by value.
inline std::string withField(std::string bytes, std::size_t at, int width, std::uint32_t value) {
    return bytes.replace(at, width, le(width, value));
}

inline std::uint32_t crcOf(std::string data) {
    auto* bytes = reinterpret_cast<unsigned char*>(data.data());
    return static_cast<std::uint32_t>(FinishCRC32(UpdateCRC32(InitCRC32(), bytes, data.size())));
}

// A zip archive of the members, in the order given, with a central directory and (unless the
// layout says otherwise) an end record.
inline std::string buildArchive(std::vector<Member> const& members, Layout const& layout = {}) {
    std::string out = layout.leading;
    std::vector<std::uint32_t> offsets;
    auto size = [](std::string const& text) { return static_cast<std::uint32_t>(text.size()); };
    for (Member const& m : members) {
        offsets.push_back(size(out));
        // Signature, version, flags, method, time, date, CRC, both sizes, name and extra lengths.
        out += le(4, 0x04034b50) + le(2, 10) + le(2, 0) + le(2, m.method) + le(4, 0) +
               le(4, crcOf(m.data)) + le(4, size(m.data)) + le(4, size(m.data)) +
               le(2, size(m.name)) + le(2, size(m.localExtra)) + m.name + m.localExtra + m.data;
    }
    std::uint32_t const directoryOffset = size(out);
    for (std::size_t n = 0; n < members.size(); ++n) {
        std::size_t const i = layout.reverseDirectory ? members.size() - 1 - n : n;
        Member const& m = members[i];
        // As the local header, with the versions made by and needed, the comment length, the
        // disk number, both attributes and the local header's offset.
        out += le(4, 0x02014b50) + le(2, 20) + le(2, 10) + le(2, 0) + le(2, m.method) + le(4, 0) +
               le(4, crcOf(m.data)) + le(4, size(m.data)) + le(4, size(m.data)) +
               le(2, size(m.name)) + le(2, size(m.centralExtra)) + le(2, size(m.comment)) +
               le(4, 0) + le(4, 0) + le(4, offsets[i]) + m.name + m.centralExtra + m.comment;
    }
    if (layout.writeEnd) {
        auto const total = static_cast<std::uint32_t>(layout.totalEntries >= 0 ? layout.totalEntries
                                                                               : members.size());
        auto const offset = layout.directoryOffset >= 0
                                ? static_cast<std::uint32_t>(layout.directoryOffset)
                                : directoryOffset;
        // Signature, both disk numbers, both entry counts, directory size and offset, comment.
        out += le(4, layout.endSignature) + le(4, 0) + le(2, total) + le(2, total) +
               le(4, size(out) - directoryOffset) + le(4, offset) + le(2, 0);
    }
    return out;
}

// Writes the archive of the members to the path and returns the path.
inline std::string writeArchive(std::string const& path, std::vector<Member> const& members) {
    TestSupport::writeFile(path, buildArchive(members));
    return path;
}

// The whole member through the stream interface, or "<null>" when there is no stream.
inline std::string readAll(CFileBuf* stream) {
    if (!stream) {
        return "<null>";
    }
    std::string content(stream->GetLength(), '\0');
    content.resize(stream->Read(content.data(), static_cast<unsigned>(content.size())));
    return content;
}

using StreamPtr = std::unique_ptr<CFileBuf>;

// The member opened by name in an archive or an archive tree and read whole, or "<null>" when
// it does not open.
template <typename Archive>
std::string memberText(Archive& archive, char const* name, unsigned mode = 0) {
    return readAll(StreamPtr(archive.OpenAFileWithinArchive(name, mode)).get());
}

// Rewrites the member through a write-enabled archive and closes the stream (which commits).
inline void rewrite(std::string const& path, char const* name, std::string const& content) {
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 1, "", false, 0));
    StreamPtr stream(archive.OpenAFileWithinArchive(name, CFILE_READ | CFILE_WRITE));
    ASSERT_NE(stream, nullptr) << name;
    EXPECT_EQ(stream->GetLength(), 0u);
    EXPECT_EQ(stream->Write(content.data(), static_cast<unsigned>(content.size())), content.size());
    EXPECT_TRUE(archive.IsModified());
    stream.reset();
    EXPECT_FALSE(archive.IsModified());
}

// Every member of the archive by its name in the archive.
inline std::map<std::string, std::string> readEverything(std::string const& path) {
    std::map<std::string, std::string> members;
    CZipArchive archive;
    EXPECT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0)) << path;
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        members[archive.GetEntry(i)->m_pName] = memberText(archive, archive.GetEntry(i)->m_pName);
    }
    return members;
}

// Runs a shell command and returns its exit status (-1 when it did not exit normally).
inline int run(std::string const& command) {
    int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The tools the foreign-archive tests need. A missing tool is a failed test, not a skipped one.
inline bool requireTool(char const* path) {
    if (access(path, X_OK) != 0) {
        ADD_FAILURE() << path << " is needed by this test and is not installed "
                      << "(scripts/install-deps installs it)";
        return false;
    }
    return true;
}

inline std::string python() {
    return "/usr/bin/python3";
}

inline std::string quote(std::string const& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Info-ZIP's zip with compression off (its default extra fields included).
inline bool zipFolderWithInfoZip(std::string const& folder, std::string const& archive) {
    if (!requireTool("/usr/bin/zip")) {
        return false;
    }
    int status = run("cd " + quote(folder) + " && /usr/bin/zip -q -0 -r " + quote(archive) + " .");
    EXPECT_EQ(status, 0) << "zip could not write " << archive;
    return status == 0;
}

// Whether unzip -t finds every member intact (it checks each CRC).
inline bool unzipTestPasses(std::string const& archive) {
    return requireTool("/usr/bin/unzip") &&
           run("/usr/bin/unzip -tq " + quote(archive) + " > /dev/null") == 0;
}

// Whether Python's zipfile.testzip() finds every member intact.
inline bool pythonTestzipPasses(std::string const& archive) {
    static char const* const script =
        "import sys, zipfile\n"
        "sys.exit(0 if zipfile.ZipFile(sys.argv[1]).testzip() is None else 1)\n";
    return requireTool(python().c_str()) &&
           run(python() + " -c " + quote(script) + " " + quote(archive)) == 0;
}

} // namespace ZipTest
