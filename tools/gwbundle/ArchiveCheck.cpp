#include "BundleChecks.h"
#include "FileSystem.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFormat.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace gwbundle {

namespace {

// The archives the launcher opens at start-up; it reads Channel.dat's directory at once.
const char* const kResourceArchives[] = {"Tessaly.dat", "Channel.dat", "Application.dat"};

const char kPackFix[] = "pack it with `gwbundle pack`, or `zip -0 -X`";

// unzip looks for the end record this far back from the end of the file.
constexpr long kEndRecordSearch = 0xFFFF + ZipFormat::END_RECORD_SIZE;

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};

// The end record as tools that know only the standard signature find it: the last one in the
// file's tail. False when there is none.
bool readStandardEndRecord(const std::string& path, unsigned char* record) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const long size = std::ftell(file.get());
    const long start = size > kEndRecordSearch ? size - kEndRecordSearch : 0;
    std::vector<unsigned char> tail(static_cast<std::size_t>(size - start));
    if (std::fseek(file.get(), start, SEEK_SET) != 0 ||
        std::fread(tail.data(), 1, tail.size(), file.get()) != tail.size()) {
        return false;
    }
    for (std::size_t at = tail.size(); at-- > 0;) {
        if (at + ZipFormat::END_RECORD_SIZE <= tail.size() &&
            ZipFormat::Get32(&tail[at]) == ZipFormat::END_SIGNATURE) {
            std::copy(&tail[at], &tail[at] + ZipFormat::END_RECORD_SIZE, record);
            return true;
        }
    }
    return false;
}

// What other zip tools insist on and the launcher's reader does not: the standard end
// signature, an end record that agrees with the directory, and every member's CRC-32. A
// publisher who cannot open an archive with unzip cannot look inside it either.
std::vector<std::string> portabilityProblems(CZipArchive& archive, const std::string& path) {
    std::vector<std::string> problems;
    unsigned char end[ZipFormat::END_RECORD_SIZE];
    std::uint64_t directoryBytes = 0;
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        const CFileEntry* entry = archive.GetEntry(i);
        directoryBytes += ZipFormat::CENTRAL_HEADER_SIZE + entry->m_NameLength +
                          entry->m_ExtraFieldLength + entry->m_CommentLength;
    }
    if (archive.GetEndSignature() != ZipFormat::END_SIGNATURE) {
        problems.push_back("it ends with the signature 43 56 05 06, which only the launcher "
                           "knows, instead of PK 05 06");
    } else if (!readStandardEndRecord(path, end)) {
        problems.push_back("it has no end record (PK 05 06) in its last 64 KB");
    } else {
        const unsigned counted = ZipFormat::Get16(end + 4 + ZipFormat::END_TOTAL_ENTRIES);
        const std::uint32_t size = ZipFormat::Get32(end + 4 + ZipFormat::END_DIRECTORY_SIZE);
        if (counted != archive.GetNumEntries()) {
            problems.push_back("its end record counts " + std::to_string(counted) +
                               " members, its directory holds " +
                               std::to_string(archive.GetNumEntries()));
        } else if (size != directoryBytes) {
            problems.push_back("its end record gives the directory " + std::to_string(size) +
                               " bytes, its entries take " + std::to_string(directoryBytes));
        }
    }
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        const CFileEntry* entry = archive.GetEntry(i);
        std::unique_ptr<CFileBuf, StreamDeleter> stream(
            archive.OpenAFileWithinArchive(entry->m_pName, 0));
        if (!stream) {
            problems.push_back(archive.GetLastErrorText());
        } else if (stream->CalculateCRC32() != entry->m_CRC32) {
            problems.push_back(std::string("the CRC-32 of ") + entry->m_pName +
                               " does not match its bytes");
        }
    }
    return problems;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "; ") + part;
    }
    return text;
}

std::string consequence(const std::string& name, CZipError error) {
    if (name != "Channel.dat") {
        return "";
    }
    return error == CZipError::UnsupportedCompression
               ? " (the launcher stops with \"Compressed Zip File Found\")"
               : " (the launcher shows no branding)";
}

} // namespace

void checkResourceArchives(const BundlePaths& paths, CheckReport& report) {
    for (const char* name : kResourceArchives) {
        const std::string path = paths.resources + "/" + name;
        const std::string file = std::string("Contents/Resources/") + name;
        if (!isRegularFile(path)) {
            // Reported with the files the launcher refuses to start without.
            continue;
        }
        CZipArchive archive;
        // The launcher's own reader, told to report instead of ending the process.
        archive.SetStopOnFatalConditions(false);
        if (path.size() > CFILE_MAX_PATH_LENGTH) {
            report.fail(file, "lies at a path longer than the archive reader takes (1024 bytes)",
                        "install the bundle in a folder with a shorter path");
            continue;
        }
        if (!archive.OpenArchive(path.c_str(), 0, "", false, CFILE_NAME_AS_GIVEN)) {
            const CZipError error = archive.GetLastError();
            const std::string problem =
                error == CZipError::UnsupportedCompression
                    ? archive.GetLastErrorText()
                    : std::string("cannot be read as a zip archive: ") + archive.GetLastErrorText();
            report.fail(file, problem + consequence(name, error), kPackFix);
            continue;
        }
        std::vector<std::string> problems = portabilityProblems(archive, path);
        if (!problems.empty()) {
            report.fail(file,
                        "other zip tools (unzip, Python's zipfile) refuse it: " + joined(problems),
                        kPackFix);
        }
    }
}

} // namespace gwbundle
