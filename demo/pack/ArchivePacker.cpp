#include "ArchivePacker.h"

#include "CorvaneCore/File.h"
#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace DemoPack {

namespace {

constexpr CWriteOption kWritable = 1;
constexpr std::uint32_t kEndSignature = 0x06054b50;
// The writer refuses a member of 4 GB or more; our resources are far smaller.
constexpr std::size_t kLargestMember = 0x7FFFFFFF;

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};
using Stream = std::unique_ptr<CFileBuf, StreamDeleter>;

// An archive without members is its end record alone: signature, then 18 zero bytes (disks,
// entry counts, directory size and offset, comment length).
bool WriteEmptyArchive(const std::string& path, std::string* error) {
    CFile file;
    if (!file.Open(path.c_str(), CFILE_CREATE | CFILE_WRITE | CFILE_NAME_AS_GIVEN)) {
        *error = path + ": cannot create the archive";
        return false;
    }
    file << static_cast<unsigned>(kEndSignature);
    const unsigned char zeros[18] = {};
    bool written = file.Write(zeros, sizeof zeros) == sizeof zeros;
    file.Close();
    if (!written) {
        *error = path + ": cannot write the archive's end record";
    }
    return written;
}

// Appending gives the member its place and its directory entry but no CRC-32, so the member
// is appended empty and then written through a rewrite, which completes it with its CRC.
// Being the last member, the rewrite fills it in place without moving anything.
bool AddMember(const std::string& path, const Member& member, std::string* error) {
    Stream appended(ZipFileOpenCreateAppendToArchive(path.c_str(), member.name.c_str()));
    if (!appended) {
        *error = path + ": cannot add the member " + member.name;
        return false;
    }
    appended.reset();

    CZipArchive archive;
    if (!archive.OpenArchive(path.c_str(), kWritable, "", false, 0)) {
        *error = path + ": cannot reopen the archive after adding " + member.name;
        return false;
    }
    Stream stream(archive.OpenAFileWithinArchive(member.name.c_str(), CFILE_READ | CFILE_WRITE));
    if (!stream) {
        *error = path + ": cannot write the member " + member.name;
        return false;
    }
    const auto size = static_cast<unsigned>(member.content.size());
    if (stream->Write(member.content.data(), size) != size) {
        *error = path + ": the member " + member.name + " was not written whole";
        return false;
    }
    return true;
}

bool ReadsBackWhole(const std::string& path, const std::vector<Member>& members,
                    std::string* error) {
    CZipArchive archive;
    if (!archive.OpenArchive(path.c_str(), 0, "", false, 0) ||
        archive.GetNumEntries() != members.size()) {
        *error = path + ": the finished archive does not read back";
        return false;
    }
    for (const Member& member : members) {
        Stream stream(archive.OpenAFileWithinArchive(member.name.c_str(), 0));
        std::string content(stream ? stream->GetLength() : 0, '\0');
        if (!stream || content.size() != member.content.size() ||
            stream->Read(content.data(), static_cast<unsigned>(content.size())) != content.size() ||
            content != member.content) {
            *error = path + ": the member " + member.name + " does not read back whole";
            return false;
        }
    }
    return true;
}

bool CheckNames(const std::vector<Member>& members, std::string* error) {
    std::set<std::string> seen;
    for (const Member& member : members) {
        std::string folded = member.name;
        for (char& c : folded) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        if (member.name.empty() || member.name.size() > CFILE_MAX_PATH_LENGTH) {
            *error = "a member name must have 1 to 1024 characters: \"" + member.name + "\"";
            return false;
        }
        // The reader finds members by name without regard to case.
        if (!seen.insert(folded).second) {
            *error = "the member name " + member.name + " is given twice";
            return false;
        }
        if (member.content.size() > kLargestMember) {
            *error = "the member " + member.name + " is too large for the archive";
            return false;
        }
    }
    return true;
}

} // namespace

bool WriteArchive(const std::string& path, const std::vector<Member>& members, std::string* error) {
    if (!CheckNames(members, error)) {
        return false;
    }
    const std::string partial = path + ".part";
    bool built = WriteEmptyArchive(partial, error);
    for (std::size_t i = 0; built && i < members.size(); ++i) {
        built = AddMember(partial, members[i], error);
    }
    built = built && ReadsBackWhole(partial, members, error);
    if (built && std::rename(partial.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        built = false;
    }
    if (!built) {
        std::remove(partial.c_str());
    }
    return built;
}

} // namespace DemoPack
