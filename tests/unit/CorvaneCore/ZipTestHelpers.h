// Helpers of the zip tests: archives assembled byte by byte (so that tests can damage any
// field), members read back whole, and the external tools that write archives of their own.
#pragma once

#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/FileBuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ZipTest {

struct Member {
    Member(std::string memberName, std::string content)
        : name(std::move(memberName)), data(std::move(content)) {}

    std::string name;
    std::string data;
    std::string localExtra;
    std::string centralExtra;
    std::string comment;
    std::uint16_t method = 0;
};

struct Layout {
    // Bytes before the first member (a stub that no record walk can pass).
    std::string leading;
    // Lists the members in the directory from the last to the first.
    bool reverseDirectory = false;
    std::uint32_t endSignature = 0x06054b50;
    bool writeEnd = true;
    // Overrides of the end record (when set).
    std::int64_t totalEntries = -1;
    std::int64_t directoryOffset = -1;
};

inline void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline std::uint32_t get32(std::string const& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

inline std::uint32_t crcOf(std::string const& data) {
    std::vector<unsigned char> bytes(data.begin(), data.end());
    return static_cast<std::uint32_t>(
        FinishCRC32(UpdateCRC32(InitCRC32(), bytes.data(), bytes.size())));
}

// A zip archive of the members, in the order given, with a central directory and (unless the
// layout says otherwise) an end record.
inline std::string buildArchive(std::vector<Member> const& members, Layout const& layout = {}) {
    std::string out = layout.leading;
    std::vector<std::uint32_t> offsets;
    for (Member const& m : members) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        put32(out, 0x04034b50);
        put16(out, 10);
        put16(out, 0);
        put16(out, m.method);
        put16(out, 0);
        put16(out, 0);
        put32(out, crcOf(m.data));
        put32(out, static_cast<std::uint32_t>(m.data.size()));
        put32(out, static_cast<std::uint32_t>(m.data.size()));
        put16(out, static_cast<std::uint32_t>(m.name.size()));
        put16(out, static_cast<std::uint32_t>(m.localExtra.size()));
        out += m.name + m.localExtra + m.data;
    }
    auto const directoryOffset = static_cast<std::uint32_t>(out.size());
    for (std::size_t n = 0; n < members.size(); ++n) {
        std::size_t const i = layout.reverseDirectory ? members.size() - 1 - n : n;
        Member const& m = members[i];
        put32(out, 0x02014b50);
        put16(out, 20);
        put16(out, 10);
        put16(out, 0);
        put16(out, m.method);
        put16(out, 0);
        put16(out, 0);
        put32(out, crcOf(m.data));
        put32(out, static_cast<std::uint32_t>(m.data.size()));
        put32(out, static_cast<std::uint32_t>(m.data.size()));
        put16(out, static_cast<std::uint32_t>(m.name.size()));
        put16(out, static_cast<std::uint32_t>(m.centralExtra.size()));
        put16(out, static_cast<std::uint32_t>(m.comment.size()));
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, offsets[i]);
        out += m.name + m.centralExtra + m.comment;
    }
    if (layout.writeEnd) {
        auto const directorySize = static_cast<std::uint32_t>(out.size()) - directoryOffset;
        auto const total = static_cast<std::uint32_t>(layout.totalEntries >= 0 ? layout.totalEntries
                                                                               : members.size());
        put32(out, layout.endSignature);
        put16(out, 0);
        put16(out, 0);
        put16(out, total);
        put16(out, total);
        put32(out, directorySize);
        put32(out, layout.directoryOffset >= 0 ? static_cast<std::uint32_t>(layout.directoryOffset)
                                               : directoryOffset);
        put16(out, 0);
    }
    return out;
}

// The whole member through the stream interface, or "<null>" when there is no stream.
inline std::string readAll(CFileBuf* stream) {
    if (!stream) {
        return "<null>";
    }
    std::string content(stream->GetLength(), '\0');
    unsigned got = stream->Read(content.data(), static_cast<unsigned>(content.size()));
    content.resize(got);
    return content;
}

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};
using StreamPtr = std::unique_ptr<CFileBuf, StreamDeleter>;

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

inline std::string const& python() {
    static std::string const path = "/usr/bin/python3";
    return path;
}

inline std::string quote(std::string const& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Python's zipfile: every file and folder under folder, stored, names relative to it.
inline bool zipFolderWithPython(std::string const& folder, std::string const& archive) {
    if (!requireTool(python().c_str())) {
        return false;
    }
    static char const* const script = R"(
import os, sys, zipfile
source, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, 'w', zipfile.ZIP_STORED) as z:
    for root, dirs, files in os.walk(source):
        dirs.sort()
        relative = os.path.relpath(root, source)
        if relative != '.':
            z.write(root, relative + '/')
        for name in sorted(files):
            z.write(os.path.join(root, name), name if relative == '.' else relative + '/' + name)
)";
    int status =
        run(python() + " -c " + quote(script) + " " + quote(folder) + " " + quote(archive));
    EXPECT_EQ(status, 0) << "python zipfile could not write " << archive;
    return status == 0;
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
    if (!requireTool("/usr/bin/unzip")) {
        return false;
    }
    return run("/usr/bin/unzip -tq " + quote(archive) + " > /dev/null") == 0;
}

// Whether Python's zipfile.testzip() finds every member intact.
inline bool pythonTestzipPasses(std::string const& archive) {
    if (!requireTool(python().c_str())) {
        return false;
    }
    static char const* const script =
        "import sys, zipfile\n"
        "sys.exit(0 if zipfile.ZipFile(sys.argv[1]).testzip() is None else 1)\n";
    return run(python() + " -c " + quote(script) + " " + quote(archive)) == 0;
}

} // namespace ZipTest
