#include "ArchivePacker.h"

#include "FileSystem.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveWriter.h"
#include "CorvaneCore/ZipFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace gwbundle {

namespace {

constexpr CWriteOption kRewritable = 1;
constexpr std::size_t kChunkSize = 1 << 20;

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};
using StreamPtr = std::unique_ptr<CFileBuf, StreamDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool hasDotComponent(const std::string& name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) {
            end = name.size();
        }
        std::string component = name.substr(start, end - start);
        if (component == "." || component == ".." || (component.empty() && end != name.size())) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::uint64_t fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// The writer only adds members to an archive that exists; an archive starts as the bare end
// record of an empty zip file.
bool writeEmptyArchive(const std::string& path, std::string& error) {
    unsigned char end[ZipFormat::END_RECORD_SIZE] = {};
    ZipFormat::Put32(end, ZipFormat::END_SIGNATURE);
    return writeWholeFile(path, std::string(reinterpret_cast<char*>(end), sizeof end), error);
}

// Appending leaves a member without its CRC-32, so each member is first appended empty and then
// rewritten through the archive, whose rewrite completes the member with its CRC. The member
// is the archive's last, so the rewrite moves nothing.
bool addMember(const std::string& archive, const PackMember& member, std::uint64_t& done,
               std::uint64_t total, const PackProgress& progress, std::string& error) {
    StreamPtr appended(ZipFileOpenCreateAppendToArchive(archive.c_str(), member.name.c_str()));
    if (!appended) {
        error = archive + ": the member " + member.name + " could not be added";
        return false;
    }
    appended.reset();

    CZipArchive zip;
    if (!zip.OpenArchive(archive.c_str(), kRewritable, "", false, CFILE_NAME_AS_GIVEN)) {
        error = archive + ": could not be read back after adding " + member.name;
        return false;
    }
    StreamPtr stream(zip.OpenAFileWithinArchive(member.name.c_str(), CFILE_READ | CFILE_WRITE));
    FilePtr source(std::fopen(member.sourcePath.c_str(), "rb"));
    if (!stream || !source) {
        error = !source ? member.sourcePath + ": " + std::strerror(errno)
                        : archive + ": the member " + member.name + " could not be written";
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[kChunkSize]);
    std::uint64_t written = 0;
    for (;;) {
        std::size_t got = std::fread(buffer.get(), 1, kChunkSize, source.get());
        if (got == 0) {
            break;
        }
        if (stream->Write(buffer.get(), static_cast<unsigned>(got)) != got) {
            error = archive + ": writing " + member.name + " fell short (is the disk full?)";
            return false;
        }
        written += got;
        done += got;
        if (progress) {
            progress(done, total);
        }
    }
    if (std::ferror(source.get())) {
        error = member.sourcePath + ": read error";
        return false;
    }
    if (stream->GetLength() != written) {
        error = archive + ": " + member.name + " holds " + std::to_string(stream->GetLength()) +
                " bytes instead of " + std::to_string(written);
        return false;
    }
    // Closing the stream completes the member; releasing it writes the directory.
    stream.reset();
    return true;
}

// Archives the writer has appended to carry its own end signature, which other zip tools do
// not know. The finished archive is an ordinary zip file, so the standard signature goes back.
bool restoreStandardEndSignature(const std::string& path, std::string& error) {
    FilePtr file(std::fopen(path.c_str(), "r+b"));
    unsigned char signature[ZipFormat::SIGNATURE_SIZE];
    bool ok =
        file &&
        std::fseek(file.get(), -static_cast<long>(ZipFormat::END_RECORD_SIZE), SEEK_END) == 0 &&
        std::fread(signature, 1, sizeof signature, file.get()) == sizeof signature &&
        ZipFormat::IsEndSignature(ZipFormat::Get32(signature));
    if (ok && ZipFormat::Get32(signature) != ZipFormat::END_SIGNATURE) {
        ZipFormat::Put32(signature, ZipFormat::END_SIGNATURE);
        ok =
            std::fseek(file.get(), -static_cast<long>(ZipFormat::END_RECORD_SIZE), SEEK_END) == 0 &&
            std::fwrite(signature, 1, sizeof signature, file.get()) == sizeof signature;
    }
    ok = file && std::fclose(file.release()) == 0 && ok;
    if (!ok) {
        error = path + ": could not complete the archive's end record";
    }
    return ok;
}

} // namespace

bool validatePackMembers(const std::vector<PackMember>& members, std::string& error) {
    if (members.empty()) {
        error = "nothing to pack: name at least one file";
        return false;
    }
    if (members.size() >= ZipFormat::MAX_ENTRIES) {
        error = "too many files: an archive holds at most 65534 members";
        return false;
    }
    std::set<std::string> seen;
    std::uint64_t archiveSize = ZipFormat::END_RECORD_SIZE;
    for (const PackMember& member : members) {
        const std::string& name = member.name;
        if (name.empty() || name.size() > CFILE_MAX_PATH_LENGTH) {
            error = "member name '" + name + "' must have 1 to 1024 bytes";
            return false;
        }
        if (name.front() == '/' || name.back() == '/' || name.find('\\') != std::string::npos ||
            name.find('\0') != std::string::npos || hasDotComponent(name)) {
            error = "member name '" + name +
                    "' must be a relative path with '/' between folders and no '.' or '..'";
            return false;
        }
        if (!seen.insert(lowerAscii(name)).second) {
            error = "two members are named '" + name +
                    "' (names are compared without case): rename one with NAME=PATH";
            return false;
        }
        if (!isRegularFile(member.sourcePath)) {
            error = member.sourcePath + ": not a readable regular file";
            return false;
        }
        archiveSize += ZipFormat::LOCAL_HEADER_SIZE + ZipFormat::CENTRAL_HEADER_SIZE +
                       2 * name.size() + fileSize(member.sourcePath);
    }
    if (archiveSize > kMaxArchiveSize) {
        error = "the archive would have " + std::to_string(archiveSize) +
                " bytes; the launcher reads archives of at most 2 GiB";
        return false;
    }
    return true;
}

bool packArchive(const std::string& archivePath, const std::vector<PackMember>& members,
                 const PackProgress& progress, std::string& error) {
    if (!validatePackMembers(members, error)) {
        return false;
    }
    std::string const partial = archivePath + ".partial";
    if (partial.size() > CFILE_MAX_PATH_LENGTH) {
        error = archivePath + ": the path is longer than the 1024 bytes the archive writer takes";
        return false;
    }
    std::uint64_t total = 0;
    for (const PackMember& member : members) {
        total += fileSize(member.sourcePath);
    }
    std::uint64_t done = 0;
    bool ok = writeEmptyArchive(partial, error);
    for (std::size_t i = 0; ok && i < members.size(); ++i) {
        ok = addMember(partial, members[i], done, total, progress, error);
    }
    ok = ok && restoreStandardEndSignature(partial, error);
    if (ok && std::rename(partial.c_str(), archivePath.c_str()) != 0) {
        error = archivePath + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlink(partial.c_str());
    }
    return ok;
}

} // namespace gwbundle
