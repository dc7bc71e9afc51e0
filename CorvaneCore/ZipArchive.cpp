#include "CorvaneCore/ZipArchive.h"

#include "CorvaneCore/File.h"
#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/TextHelpers.h"
#include "CorvaneCore/ZipFileBuf.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>

using namespace ZipFormat;

CFileEntry* g_FileEntryArrayBase = nullptr;

namespace {

// strcasecmp of the C locale. The name index must sort the same way whatever locale the
// process runs in, or lookups would miss names that the index holds.
int CompareNamesIgnoringCase(char const* a, char const* b) {
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(*a);
        int cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') {
            ca += 'a' - 'A';
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb += 'a' - 'A';
        }
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

char* CopyText(char const* text) {
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

bool ReadExactly(CFile* file, void* data, unsigned n) {
    return file->Read(data, n) == n;
}

// Offsets travel as 64-bit values so that sums of 32-bit fields cannot wrap; the stream
// interface seeks with a signed 32-bit offset, which bounds what can be reached.
bool SeekTo(CFile* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT_MAX) &&
           file->SeekAbsolute(static_cast<int>(offset));
}

bool ReadSignature(CFile* file, std::uint32_t* signature) {
    unsigned char bytes[SIGNATURE_SIZE];
    if (!ReadExactly(file, bytes, SIGNATURE_SIZE)) {
        return false;
    }
    *signature = Get32(bytes);
    return true;
}

[[noreturn]] void StopWithMessage(char const* title, char const* format, char const* path) {
    std::string text(std::strlen(format) + std::strlen(path) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, path);
    ShowSystemMessage(title, text.c_str());
    std::exit(-1);
}

std::string AtOffset(std::uint64_t offset) {
    return " at offset " + std::to_string(offset);
}

char const* MethodName(unsigned method) {
    switch (method) {
    case 8:
        return "deflate";
    case 9:
        return "deflate64";
    case 12:
        return "bzip2";
    case 14:
        return "LZMA";
    case 93:
        return "zstd";
    case 95:
        return "xz";
    default:
        return "unknown";
    }
}

} // namespace

int CompareFileEntryPysicalPosition(void const* a, void const* b) {
    std::uint32_t left = static_cast<CFileEntry const*>(a)->m_LocalHeaderOffset;
    std::uint32_t right = static_cast<CFileEntry const*>(b)->m_LocalHeaderOffset;
    // The sign of the difference; a plain subtraction would overflow for offsets more than
    // 2 GiB apart and break the ordering.
    return (left > right) - (left < right);
}

int CompareFileEntryNameIndirect(void const* a, void const* b) {
    unsigned left = *static_cast<unsigned const*>(a);
    unsigned right = *static_cast<unsigned const*>(b);
    return CompareNamesIgnoringCase(g_FileEntryArrayBase[left].m_pName,
                                    g_FileEntryArrayBase[right].m_pName);
}

CZipArchive::CZipArchive() = default;

CZipArchive::~CZipArchive() {
    CloseArchive();
}

bool CZipArchive::Fail(CZipError error, std::string text) {
    m_LastError = error;
    m_LastErrorText = std::move(text);
    return false;
}

void CZipArchive::ClearError() {
    m_LastError = CZipError::None;
    m_LastErrorText.clear();
}

bool CZipArchive::OpenArchive(char const* pathName, CWriteOption writeOption, char const* prefix,
                              bool deferRead, unsigned openFlags) {
    CloseArchive();
    ClearError();
    if (!pathName || !*pathName) {
        return Fail(CZipError::NoPathName, "no archive path was given");
    }
    m_WriteOption = writeOption;
    // Opening an archive must never create or truncate it.
    m_OpenFlags = openFlags & ~CFILE_CREATE;
    m_pPathName = CopyText(pathName);
    m_pPrefix = CopyText(prefix && prefix[0] != '/' ? prefix : "");
    m_bKeepFileOpen = !deferRead;
    if (deferRead) {
        return true;
    }
    return ReadCentralDirector();
}

void CZipArchive::ReleaseDirectory() {
    while (!m_OpenStreams.empty()) {
        m_OpenStreams.back()->Close();
    }
    if (m_bModified && IsArchiveFileOpen()) {
        CommitChangesAndDisableWrites();
    }
    m_bModified = false;
    delete m_pFile;
    m_pFile = nullptr;
    delete[] m_pEntries;
    m_pEntries = nullptr;
    delete[] m_pNameIndex;
    m_pNameIndex = nullptr;
    m_NumEntries = 0;
    m_NumOpenFiles = 0;
    m_DirectoryStart = 0;
    m_bDirectoryRead = false;
}

void CZipArchive::CloseArchive() {
    ReleaseDirectory();
    delete[] m_pPathName;
    m_pPathName = nullptr;
    delete[] m_pPrefix;
    m_pPrefix = nullptr;
}

bool CZipArchive::IsArchiveFileOpen() const {
    return m_pFile && m_pFile->IsOpen();
}

bool CZipArchive::OpenArchiveFile(unsigned mode) {
    if (!m_pPathName) {
        return false;
    }
    if (!m_pFile) {
        m_pFile = new CFile;
    }
    return m_pFile->Open(m_pPathName, mode & ~CFILE_CREATE);
}

void CZipArchive::ReleaseArchiveFileIfUnused() {
    if (m_NumOpenFiles == 0 && !m_bKeepFileOpen && !m_bModified && IsArchiveFileOpen()) {
        m_pFile->Close();
    }
}

std::uint32_t CZipArchive::PrefixLength() const {
    return m_pPrefix ? static_cast<std::uint32_t>(std::strlen(m_pPrefix)) : 0;
}

bool CZipArchive::ReadCentralDirector() {
    ClearError();
    if (!m_pPathName) {
        return Fail(CZipError::NoPathName, "the archive is not open");
    }
    ReleaseDirectory();
    m_pFile = new CFile;
    std::uint32_t logicalEnd = 0;
    std::uint32_t directoryStart = 0;
    errno = 0;
    bool ok = m_pFile->Open(m_pPathName, m_OpenFlags | CFILE_READ);
    if (!ok) {
        Fail(CZipError::CannotOpenFile,
             std::string("the file cannot be opened for reading") +
                 (errno ? std::string(" (") + std::strerror(errno) + ")" : std::string()));
    }
    ok = ok && FindLogicalEnd(&logicalEnd) && LocateDirectory(logicalEnd, &directoryStart) &&
         ReadEntries(directoryStart, logicalEnd);
    if (!ok) {
        CloseArchive();
        return false;
    }
    m_DirectoryStart = directoryStart;
    m_bDirectoryRead = true;
    Sort();
    if (!m_bKeepFileOpen) {
        m_pFile->Close();
    }
    return true;
}

bool CZipArchive::FindLogicalEnd(std::uint32_t* logicalEnd) {
    // Trailing 0xFF bytes are padding, and so is a '0' right before them.
    std::uint32_t const length = m_pFile->GetLength();
    unsigned char buffer[4096];
    std::uint32_t end = length;
    while (end > 0) {
        std::uint32_t chunk = std::min<std::uint32_t>(end, sizeof buffer);
        std::uint32_t start = end - chunk;
        if (!SeekTo(m_pFile, start) || !ReadExactly(m_pFile, buffer, chunk)) {
            return Fail(CZipError::ReadFailed, "reading" + AtOffset(start) + " failed");
        }
        for (std::uint32_t i = chunk; i-- > 0;) {
            if (buffer[i] != 0xFF) {
                *logicalEnd = buffer[i] == '0' ? start + i : length;
                return true;
            }
        }
        end = start;
    }
    *logicalEnd = length;
    return true;
}

bool CZipArchive::LocateDirectory(std::uint32_t logicalEnd, std::uint32_t* directoryStart) {
    m_NumEntries = 0;
    if (logicalEnd >= END_RECORD_SIZE && SeekTo(m_pFile, logicalEnd - END_RECORD_SIZE)) {
        std::uint32_t signature = 0;
        if (!ReadSignature(m_pFile, &signature)) {
            return Fail(CZipError::ReadFailed, "reading the end record" +
                                                   AtOffset(logicalEnd - END_RECORD_SIZE) +
                                                   " failed");
        }
        if (IsEndSignature(signature)) {
            m_EndSignature = signature;
            unsigned char body[END_RECORD_BODY_SIZE];
            if (!ReadExactly(m_pFile, body, sizeof body)) {
                return Fail(CZipError::ReadFailed, "reading the end record" +
                                                       AtOffset(logicalEnd - END_RECORD_SIZE) +
                                                       " failed");
            }
            m_NumEntries = Get16(body + END_TOTAL_ENTRIES);
            std::uint32_t offset = Get32(body + END_DIRECTORY_OFFSET);
            if (offset != UNKNOWN_OFFSET) {
                *directoryStart = offset;
                return true;
            }
        }
    }
    return LocateDirectoryByWalking(logicalEnd, directoryStart);
}

bool CZipArchive::LocateDirectoryByWalking(std::uint32_t logicalEnd,
                                           std::uint32_t* directoryStart) {
    if (logicalEnd == 0) {
        return Fail(CZipError::EmptyFile, "the file is empty");
    }
    // Every failure of the walk is told as what it found after the missing end record.
    auto lost = [](std::string const& what) {
        return "no end record in the last 22 bytes (a cut-off download?), and " + what;
    };
    // Records are only recognisable from a record boundary, and the first one is the local
    // header at the very start of the archive.
    std::uint64_t position = 0;
    std::uint32_t signature = 0;
    for (;;) {
        if (position + SIGNATURE_SIZE > logicalEnd || !SeekTo(m_pFile, position) ||
            !ReadSignature(m_pFile, &signature)) {
            return Fail(CZipError::NoDirectory,
                        lost("the members from the start end" + AtOffset(position) +
                             " without reaching a central directory"));
        }
        if (signature == CENTRAL_HEADER_SIGNATURE) {
            break;
        }
        unsigned char body[LOCAL_HEADER_BODY_SIZE];
        if (signature != LOCAL_HEADER_SIGNATURE) {
            return Fail(CZipError::NoDirectory,
                        lost("no member header or directory" + AtOffset(position)));
        }
        if (position + LOCAL_HEADER_SIZE > logicalEnd || !ReadExactly(m_pFile, body, sizeof body)) {
            return Fail(CZipError::NoDirectory,
                        lost("the member header" + AtOffset(position) + " is cut off"));
        }
        // Stored members: the compressed size is the size of the data that follows.
        position += LOCAL_HEADER_SIZE + Get16(body + LOCAL_NAME_LENGTH) +
                    Get16(body + LOCAL_EXTRA_LENGTH) + Get32(body + 14);
    }
    *directoryStart = static_cast<std::uint32_t>(position);

    unsigned count = 0;
    while (!IsEndSignature(signature)) {
        unsigned char body[CENTRAL_HEADER_BODY_SIZE];
        if (signature != CENTRAL_HEADER_SIGNATURE) {
            return Fail(CZipError::DamagedDirectory,
                        lost("no directory entry or end record" + AtOffset(position)));
        }
        if (count == MAX_ENTRIES) {
            return Fail(CZipError::DamagedDirectory,
                        lost("the directory holds more than 65535 entries"));
        }
        if (position + CENTRAL_HEADER_SIZE > logicalEnd ||
            !ReadExactly(m_pFile, body, sizeof body)) {
            return Fail(CZipError::TruncatedDirectory,
                        lost("the directory entry" + AtOffset(position) + " is cut off"));
        }
        ++count;
        position += CENTRAL_HEADER_SIZE + Get16(body + 24) + Get16(body + 26) + Get16(body + 28);
        if (position + SIGNATURE_SIZE > logicalEnd || !SeekTo(m_pFile, position) ||
            !ReadSignature(m_pFile, &signature)) {
            return Fail(CZipError::TruncatedDirectory,
                        lost("the directory is cut off after " + std::to_string(count) +
                             (count == 1 ? " entry" : " entries")));
        }
    }
    m_NumEntries = count;
    return true;
}

bool CZipArchive::ReadEntries(std::uint32_t directoryStart, std::uint32_t logicalEnd) {
    if (directoryStart > logicalEnd ||
        (m_NumEntries > 0 && directoryStart + std::uint64_t{SIGNATURE_SIZE} > logicalEnd)) {
        return Fail(CZipError::DirectoryOutsideFile,
                    "the end record puts the directory" + AtOffset(directoryStart) +
                        ", beyond the end of the archive" + AtOffset(logicalEnd));
    }
    // A directory cannot hold more entries than fit between its start and the end of the
    // file, whatever count the end record claims.
    unsigned const capacity =
        std::min<std::uint32_t>(m_NumEntries, (logicalEnd - directoryStart) / CENTRAL_HEADER_SIZE);
    m_pEntries = new CFileEntry[capacity];
    m_pNameIndex = new unsigned[capacity];
    if (m_NumEntries == 0) {
        return true;
    }

    std::uint64_t position = directoryStart;
    std::uint32_t signature = 0;
    if (!SeekTo(m_pFile, position) || !ReadSignature(m_pFile, &signature)) {
        return Fail(CZipError::ReadFailed,
                    "reading the directory" + AtOffset(position) + " failed");
    }
    unsigned read = 0;
    while (read < m_NumEntries && !IsEndSignature(signature)) {
        if (signature != CENTRAL_HEADER_SIGNATURE) {
            return Fail(CZipError::DamagedDirectory, "directory entry " + std::to_string(read + 1) +
                                                         " of " + std::to_string(m_NumEntries) +
                                                         " is not" + AtOffset(position) +
                                                         " where the directory puts it");
        }
        if (read == capacity) {
            return Fail(CZipError::TruncatedDirectory,
                        "the end record counts " + std::to_string(m_NumEntries) +
                            " entries, but the directory" + AtOffset(directoryStart) +
                            " runs past the end of the archive after " + std::to_string(read));
        }
        if (!ReadOneEntry(&m_pEntries[read], &position, logicalEnd, read)) {
            return false;
        }
        if (!ReadSignature(m_pFile, &signature)) {
            return Fail(CZipError::ReadFailed,
                        "reading the directory" + AtOffset(position) + " failed");
        }
        ++read;
    }
    // A directory that ends early keeps the entries it has.
    m_NumEntries = read;
    return true;
}

bool CZipArchive::ReadOneEntry(CFileEntry* entry, std::uint64_t* position, std::uint32_t logicalEnd,
                               unsigned index) {
    std::string const which = "directory entry " + std::to_string(index + 1) + AtOffset(*position);
    unsigned char body[CENTRAL_HEADER_BODY_SIZE];
    if (*position + CENTRAL_HEADER_SIZE > logicalEnd || !ReadExactly(m_pFile, body, sizeof body)) {
        return Fail(CZipError::TruncatedDirectory, which + " runs past the end of the archive");
    }
    entry->SetFromCentralHeaderBody(body);
    std::uint64_t const nameStart = *position + CENTRAL_HEADER_SIZE;
    std::uint64_t const next =
        nameStart + entry->m_NameLength + entry->m_ExtraFieldLength + entry->m_CommentLength;
    // The next record's signature must fit as well.
    if (next + SIGNATURE_SIZE > logicalEnd) {
        return Fail(CZipError::TruncatedDirectory, which + ": its name, extra field and comment (" +
                                                       std::to_string(next - nameStart) +
                                                       " bytes) run past the end of the archive");
    }
    std::uint32_t const prefixLength = PrefixLength();
    entry->m_pName = new char[prefixLength + entry->m_NameLength + 1];
    std::memcpy(entry->m_pName, m_pPrefix, prefixLength);
    if (!ReadExactly(m_pFile, entry->m_pName + prefixLength, entry->m_NameLength)) {
        return Fail(CZipError::ReadFailed, "reading the name of " + which + " failed");
    }
    entry->m_pName[prefixLength + entry->m_NameLength] = '\0';
    if (entry->m_CompressionMethod != 0) {
        if (m_bStopOnFatalConditions) {
            StopWithMessage("Compressed Zip File Found",
                            "%s has been created using an unsupported type of compression.  All "
                            "zip archives must be created with compression set to none or a type "
                            "of compression supported by the game engine.",
                            m_pPathName);
        }
        return Fail(CZipError::UnsupportedCompression,
                    std::string("the member ") + (entry->m_pName + prefixLength) +
                        " is compressed (method " + std::to_string(entry->m_CompressionMethod) +
                        ", " + MethodName(entry->m_CompressionMethod) +
                        "); only stored members (method 0) can be read");
    }
    entry->m_bOpen = false;
    entry->m_bMarked = false;
    if (next != nameStart + entry->m_NameLength && !SeekTo(m_pFile, next)) {
        return Fail(CZipError::ReadFailed, "skipping past " + which + " failed");
    }
    *position = next;
    return true;
}

bool CZipArchive::CheckArchiveHasBeenRead() {
    if (m_bDirectoryRead) {
        return true;
    }
    // A failed read closes the archive, path name included.
    std::string const path = m_pPathName ? m_pPathName : "";
    if (!ReadCentralDirector()) {
        if (!m_bStopOnFatalConditions) {
            return false;
        }
        StopWithMessage("FATAL ERROR IN ZIP",
                        "There is something wrong with %s.  It may be an empty or damaged archive.",
                        path.c_str());
    }
    return true;
}

void CZipArchive::Sort() {
    if (m_NumEntries >= 2) {
        std::sort(m_pEntries, m_pEntries + m_NumEntries,
                  [](CFileEntry const& a, CFileEntry const& b) {
                      return CompareFileEntryPysicalPosition(&a, &b) < 0;
                  });
        std::iota(m_pNameIndex, m_pNameIndex + m_NumEntries, 0u);
        g_FileEntryArrayBase = m_pEntries;
        std::sort(m_pNameIndex, m_pNameIndex + m_NumEntries,
                  [](unsigned const& a, unsigned const& b) {
                      return CompareFileEntryNameIndirect(&a, &b) < 0;
                  });
    } else if (m_NumEntries == 1) {
        m_pNameIndex[0] = 0;
    }
}

CFileEntry* CZipArchive::GetCorrectFileEntry(char const* name, unsigned* insertPosition) {
    int low = 0;
    int high = static_cast<int>(m_NumEntries) - 1;
    if (name) {
        while (low <= high) {
            int middle = (low + high) / 2;
            CFileEntry* entry = &m_pEntries[m_pNameIndex[middle]];
            int order = CompareNamesIgnoringCase(entry->m_pName, name);
            if (order == 0) {
                return entry;
            }
            if (order > 0) {
                high = middle - 1;
            } else {
                low = middle + 1;
            }
        }
    }
    if (insertPosition) {
        *insertPosition = static_cast<unsigned>(low);
    }
    return nullptr;
}

bool CZipArchive::AvailablePathInfoMatches(char const* path, unsigned length,
                                           bool allowLongerPrefix) const {
    std::uint32_t const prefixLength = PrefixLength();
    if (prefixLength == 0) {
        return true;
    }
    if (!allowLongerPrefix && prefixLength > length) {
        return false;
    }
    return path && Cstrnicmp(path, m_pPrefix, std::min<std::uint32_t>(prefixLength, length)) == 0;
}

bool CZipArchive::FindDataStart(CFileEntry const* entry, std::uint32_t* dataStart) {
    // The local header decides: writers put different extra fields into the local and the
    // central header (timestamps with and without access time, for one), so the central
    // lengths do not locate the data of every archive.
    if (!IsArchiveFileOpen() && !OpenArchiveFile(m_OpenFlags | CFILE_READ)) {
        return false;
    }
    unsigned char header[LOCAL_HEADER_SIZE];
    if (!SeekTo(m_pFile, entry->m_LocalHeaderOffset) ||
        !ReadExactly(m_pFile, header, sizeof header) || Get32(header) != LOCAL_HEADER_SIGNATURE) {
        return false;
    }
    std::uint64_t start = std::uint64_t{entry->m_LocalHeaderOffset} + LOCAL_HEADER_SIZE +
                          Get16(header + SIGNATURE_SIZE + LOCAL_NAME_LENGTH) +
                          Get16(header + SIGNATURE_SIZE + LOCAL_EXTRA_LENGTH);
    if (start > INT_MAX) {
        return false;
    }
    *dataStart = static_cast<std::uint32_t>(start);
    return true;
}

CFileBuf* CZipArchive::OpenAFileWithinArchive(char const* name, unsigned mode) {
    if (!m_pPathName) {
        // A failed read closes the archive; its reason stays the one to tell.
        if (m_LastError == CZipError::None) {
            Fail(CZipError::NoPathName, "the archive is not open");
        }
        return nullptr;
    }
    if (!CheckArchiveHasBeenRead()) {
        return nullptr;
    }
    ClearError();
    if (!name || !*name) {
        Fail(CZipError::MemberNotFound, "no member name was given");
        return nullptr;
    }
    std::string folder(name);
    StripFileNameFromPathName(folder.data());
    CFileEntry* entry = nullptr;
    if (AvailablePathInfoMatches(folder.c_str(), static_cast<unsigned>(std::strlen(folder.c_str())),
                                 false)) {
        entry = GetCorrectFileEntry(name, nullptr);
    }
    if (!entry || ((mode & CFILE_MARKED_MEMBERS_ONLY) && !entry->m_bMarked)) {
        Fail(CZipError::MemberNotFound, std::string("no member named ") + name);
        return nullptr;
    }
    if (mode & CFILE_WRITE) {
        entry = PrepareEntryForWriting(entry);
        if (!entry) {
            Fail(CZipError::CannotWrite,
                 std::string("the member ") + name + " cannot be opened for writing");
            ReleaseArchiveFileIfUnused();
            return nullptr;
        }
        // The rewrite goes through the archive's own update handle.
        mode &= ~CFILE_ZIP_OWN_HANDLE;
    }

    std::uint32_t dataStart = 0;
    bool const located = FindDataStart(entry, &dataStart);
    // Member data lies before the directory; a rewritten member grows over the old one.
    bool const inside = (mode & CFILE_WRITE) ||
                        std::uint64_t{dataStart} + entry->m_UncompressedSize <= m_DirectoryStart;
    CZipFileBuf* stream = nullptr;
    if (!located) {
        Fail(CZipError::DamagedMember, std::string("the member ") + name + " has no header" +
                                           AtOffset(entry->m_LocalHeaderOffset));
    } else if (!inside) {
        Fail(CZipError::DamagedMember, std::string("the member ") + name + "'s " +
                                           std::to_string(entry->m_UncompressedSize) + " bytes" +
                                           AtOffset(dataStart) + " run into the directory");
    } else {
        stream = new CZipFileBuf;
        if (!stream->PrivateOpen(dataStart, entry, m_pFile, m_pPathName, this, mode)) {
            Fail(CZipError::CannotOpenFile,
                 std::string("the archive file cannot be opened again to read ") + name);
            delete stream;
            stream = nullptr;
        }
    }
    ReleaseArchiveFileIfUnused();
    return stream;
}

bool CZipArchive::IncrementOpenFileCount() {
    if (!IsArchiveFileOpen() && !OpenArchiveFile(m_OpenFlags | CFILE_READ)) {
        return false;
    }
    ++m_NumOpenFiles;
    return true;
}

bool CZipArchive::DecrementOpenFileCount() {
    if (m_NumOpenFiles > 0) {
        --m_NumOpenFiles;
    }
    if (m_bModified) {
        CommitChangesAndDisableWrites();
        // Readers opened during the rewrite still share the file; give them a read handle.
        if (m_NumOpenFiles > 0 && !IsArchiveFileOpen()) {
            OpenArchiveFile(m_OpenFlags | CFILE_READ);
        }
    }
    if (m_NumOpenFiles == 0 && !m_bKeepFileOpen && IsArchiveFileOpen()) {
        m_pFile->Close();
    }
    return true;
}

void CZipArchive::AddOpenStream(CZipFileBuf* stream) {
    m_OpenStreams.push_back(stream);
}

void CZipArchive::RemoveOpenStream(CZipFileBuf* stream) {
    auto found = std::find(m_OpenStreams.begin(), m_OpenStreams.end(), stream);
    if (found != m_OpenStreams.end()) {
        m_OpenStreams.erase(found);
    }
}
