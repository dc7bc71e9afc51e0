#include "CorvaneCore/ZipArchiveWriter.h"

#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFileBuf.h"

#include <climits>
#include <cstring>
#include <vector>

using namespace ZipFormat;

namespace {

bool SeekTo(CFile* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT_MAX) &&
           file->SeekAbsolute(static_cast<int>(offset));
}

bool IsOpenForWriting(CFile const* file) {
    return file && file->IsOpen() && (file->m_OpenFlags & CFILE_WRITE);
}

// The version needed to extract a stored member, and the version this library claims to be.
constexpr std::uint16_t VERSION_NEEDED_STORED = 10;
constexpr std::uint16_t VERSION_MADE_BY = 42;

} // namespace

// ---- Rewriting a member of a CZipArchive ----

bool CZipArchive::EnableWrites() {
    // Sorting the entries and shifting member data would pull the ground from under any open
    // member stream, own handles included.
    if (m_WriteOption == 0 || m_NumOpenFiles != 0 || !m_OpenStreams.empty() || !m_pPathName) {
        return false;
    }
    // A rewrite into a memory copy of the archive, or into a stream named by a handle, would
    // vanish when the commit closes the archive file.
    if ((m_OpenFlags & (CFILE_LOAD_INTO_MEMORY | CFILE_COMPRESSED)) ||
        std::strncmp(m_pPathName, pFileBufPrefixString, std::strlen(pFileBufPrefixString)) == 0) {
        return false;
    }
    if (!CheckArchiveHasBeenRead()) {
        return false;
    }
    if (IsOpenForWriting(m_pFile)) {
        return true;
    }
    if (m_pFile) {
        m_pFile->Close();
    }
    return OpenArchiveFile(m_OpenFlags | CFILE_READ | CFILE_WRITE);
}

bool CZipArchive::FindEndOfMemberData(std::uint32_t* end) {
    if (m_NumEntries == 0) {
        return false;
    }
    CFileEntry const* last = &m_pEntries[m_NumEntries - 1];
    std::uint32_t dataStart = 0;
    if (!FindDataStart(last, &dataStart)) {
        return false;
    }
    std::uint64_t const dataEnd = std::uint64_t{dataStart} + last->m_CompressedSize;
    if (dataEnd > INT_MAX) {
        return false;
    }
    *end = static_cast<std::uint32_t>(dataEnd);
    return true;
}

CFileEntry* CZipArchive::MoveFileEntryToEndOfArchive(CFileEntry* entry) {
    if (!entry || entry < m_pEntries || entry >= m_pEntries + m_NumEntries ||
        !m_OpenStreams.empty()) {
        return nullptr;
    }
    unsigned const index = static_cast<unsigned>(entry - m_pEntries);
    if (index == m_NumEntries - 1) {
        return entry;
    }
    std::uint32_t end = 0;
    if (!FindEndOfMemberData(&end)) {
        return nullptr;
    }
    std::uint32_t const destination = entry->m_LocalHeaderOffset;
    std::uint32_t const source = m_pEntries[index + 1].m_LocalHeaderOffset;
    // Sizes that reach past the directory belong to a damaged archive; shifting by them
    // would drag the directory (or bytes that do not exist) along.
    if (source < destination || end < source || end > m_DirectoryStart) {
        return nullptr;
    }
    m_pFile->MoveBytesWithinFile(destination, source, end - source);
    std::uint32_t const shift = source - destination;
    for (unsigned i = index + 1; i < m_NumEntries; ++i) {
        m_pEntries[i].m_LocalHeaderOffset -= shift;
    }
    entry->m_LocalHeaderOffset = end - shift;
    Sort();
    return &m_pEntries[m_NumEntries - 1];
}

CFileEntry* CZipArchive::PrepareEntryForWriting(CFileEntry* entry) {
    if (!EnableWrites()) {
        return nullptr;
    }
    // Nothing is written for a member whose header or data lie where they cannot: a damaged
    // offset would otherwise put a header, and then the directory, far beyond the archive.
    std::uint32_t dataStart = 0;
    if (!FindDataStart(entry, &dataStart) ||
        std::uint64_t{dataStart} + entry->m_CompressedSize > m_DirectoryStart ||
        std::uint64_t{dataStart} + entry->m_UncompressedSize > m_DirectoryStart) {
        return nullptr;
    }
    entry = MoveFileEntryToEndOfArchive(entry);
    if (!entry) {
        return nullptr;
    }
    entry->m_CompressedSize = 0;
    entry->m_UncompressedSize = 0;
    entry->m_CRC32 = 0;
    entry->m_CompressionMethod = 0;
    entry->m_ExtraFieldLength = 0;
    // Sizes and CRC go into the header, never into a descriptor after the data.
    entry->m_Flags &= static_cast<std::uint16_t>(~FLAG_DATA_DESCRIPTOR);
    GetCurrentDosFileDateAndTime(&entry->m_LastModDate, &entry->m_LastModTime);
    WriteLocalFileHeader(entry);
    m_bModified = true;
    return entry;
}

void CZipArchive::WriteLocalFileHeader(CFileEntry* entry) {
    if (!entry || !IsArchiveFileOpen() || !SeekTo(m_pFile, entry->m_LocalHeaderOffset)) {
        return;
    }
    std::vector<unsigned char> record(LOCAL_HEADER_SIZE + entry->m_NameLength);
    Put32(record.data(), LOCAL_HEADER_SIGNATURE);
    entry->GetLocalHeaderBody(record.data() + SIGNATURE_SIZE);
    std::memcpy(record.data() + LOCAL_HEADER_SIZE, entry->m_pName + PrefixLength(),
                entry->m_NameLength);
    m_pFile->Write(record.data(), static_cast<unsigned>(record.size()));
}

void CZipArchive::WriteACentrialDirectoryEntry(CFileEntry* entry) {
    if (!entry || !IsArchiveFileOpen()) {
        return;
    }
    // Extra fields and comments are not kept, so the entry must not announce any: the
    // rewritten directory says exactly what its bytes are.
    entry->m_ExtraFieldLength = 0;
    entry->m_CommentLength = 0;
    std::vector<unsigned char> record(CENTRAL_HEADER_SIZE + entry->m_NameLength);
    Put32(record.data(), CENTRAL_HEADER_SIGNATURE);
    entry->GetCentralHeaderBody(record.data() + SIGNATURE_SIZE);
    std::memcpy(record.data() + CENTRAL_HEADER_SIZE, entry->m_pName + PrefixLength(),
                entry->m_NameLength);
    m_pFile->Write(record.data(), static_cast<unsigned>(record.size()));
}

void CZipArchive::WriteCentrialDirectoryEnd(unsigned long directoryStart) {
    if (!IsArchiveFileOpen()) {
        return;
    }
    unsigned const position = m_pFile->GetPosition();
    unsigned char record[END_RECORD_SIZE] = {};
    Put32(record, m_EndSignature);
    Put16(record + SIGNATURE_SIZE + END_ENTRIES_ON_DISK, static_cast<std::uint16_t>(m_NumEntries));
    Put16(record + SIGNATURE_SIZE + END_TOTAL_ENTRIES, static_cast<std::uint16_t>(m_NumEntries));
    Put32(record + SIGNATURE_SIZE + END_DIRECTORY_SIZE,
          static_cast<std::uint32_t>(position - directoryStart));
    Put32(record + SIGNATURE_SIZE + END_DIRECTORY_OFFSET,
          static_cast<std::uint32_t>(directoryStart));
    m_pFile->Write(record, sizeof record);
    m_pFile->SetLength(m_pFile->GetPosition());
}

bool CZipArchive::WriteCentrialDirectory() {
    std::uint32_t start = 0;
    if (!IsArchiveFileOpen() || !FindEndOfMemberData(&start) || !SeekTo(m_pFile, start)) {
        return false;
    }
    for (unsigned i = 0; i < m_NumEntries; ++i) {
        WriteACentrialDirectoryEntry(&m_pEntries[i]);
    }
    WriteCentrialDirectoryEnd(start);
    m_DirectoryStart = start;
    m_bModified = false;
    return true;
}

void CZipArchive::CommitChangesAndDisableWrites() {
    if (!IsOpenForWriting(m_pFile)) {
        return;
    }
    if (m_bModified) {
        WriteCentrialDirectory();
        // A directory that could not be written is not retried on every later release.
        m_bModified = false;
    }
    m_pFile->Close();
}

// ---- Appending a member ----

CFileAppendedToZipArchiveFileBuf::CFileAppendedToZipArchiveFileBuf() {
    m_MemberName[0] = '\0';
    std::memset(m_EndRecord, 0, sizeof m_EndRecord);
}

CFileAppendedToZipArchiveFileBuf::~CFileAppendedToZipArchiveFileBuf() {
    Close();
}

void CFileAppendedToZipArchiveFileBuf::Release() {
    m_ArchiveFile.Close();
    delete[] m_pSavedDirectory;
    m_pSavedDirectory = nullptr;
    m_bOpen = false;
}

bool CFileAppendedToZipArchiveFileBuf::OpenArchiveAndAppend(char const* archiveName,
                                                            char const* memberName) {
    Close();
    if (!archiveName || !memberName) {
        return false;
    }
    std::size_t const nameLength = std::strlen(memberName);
    if (nameLength == 0 || nameLength > CFILE_MAX_PATH_LENGTH) {
        return false;
    }
    std::memcpy(m_MemberName, memberName, nameLength + 1);
    if (!m_ArchiveFile.Open(archiveName, CFILE_NAME_AS_GIVEN | CFILE_READ | CFILE_WRITE)) {
        return false;
    }

    std::uint32_t const length = m_ArchiveFile.GetLength();
    unsigned char signature[SIGNATURE_SIZE] = {};
    bool ok = length >= END_RECORD_SIZE && SeekTo(&m_ArchiveFile, length - END_RECORD_SIZE) &&
              m_ArchiveFile.Read(signature, sizeof signature) == sizeof signature &&
              IsEndSignature(Get32(signature)) &&
              m_ArchiveFile.Read(m_EndRecord, sizeof m_EndRecord) == sizeof m_EndRecord;
    m_FoundEndSignature = Get32(signature);
    std::uint32_t const directorySize = Get32(m_EndRecord + END_DIRECTORY_SIZE);
    std::uint32_t const directoryOffset = Get32(m_EndRecord + END_DIRECTORY_OFFSET);
    // The directory must lie before the end record, and there must be room for one more
    // entry in the 16-bit count.
    ok = ok && directoryOffset != UNKNOWN_OFFSET &&
         std::uint64_t{directoryOffset} + directorySize <= length - END_RECORD_SIZE &&
         Get16(m_EndRecord + END_TOTAL_ENTRIES) < MAX_ENTRIES &&
         std::uint64_t{directoryOffset} + LOCAL_HEADER_SIZE + nameLength <= INT_MAX;
    if (ok) {
        m_pSavedDirectory = new unsigned char[directorySize + 1];
        ok = SeekTo(&m_ArchiveFile, directoryOffset) &&
             m_ArchiveFile.Read(m_pSavedDirectory, directorySize) == directorySize;
    }
    if (!ok) {
        Release();
        return false;
    }

    m_LocalHeaderOffset = directoryOffset;
    m_DataStart = directoryOffset + LOCAL_HEADER_SIZE + static_cast<std::uint32_t>(nameLength);
    WriteLocalHeader(0);
    if (m_ArchiveFile.GetPosition() != m_DataStart) {
        // The header did not go down whole: put the directory back as it was.
        WriteDirectory(directoryOffset, false, 0);
        Release();
        return false;
    }
    // Whatever lay behind the header (the old directory) must not become part of the member.
    m_ArchiveFile.SetLength(m_DataStart);
    return true;
}

void CFileAppendedToZipArchiveFileBuf::WriteLocalHeader(std::uint32_t memberLength) {
    std::size_t const nameLength = std::strlen(m_MemberName);
    std::vector<unsigned char> record(LOCAL_HEADER_SIZE + nameLength, 0);
    unsigned char* body = record.data() + SIGNATURE_SIZE;
    Put32(record.data(), LOCAL_HEADER_SIGNATURE);
    Put16(body + 0, VERSION_NEEDED_STORED);
    Put32(body + 14, memberLength);
    Put32(body + 18, memberLength);
    Put16(body + LOCAL_NAME_LENGTH, static_cast<std::uint16_t>(nameLength));
    std::memcpy(record.data() + LOCAL_HEADER_SIZE, m_MemberName, nameLength);
    if (SeekTo(&m_ArchiveFile, m_LocalHeaderOffset)) {
        m_ArchiveFile.Write(record.data(), static_cast<unsigned>(record.size()));
    }
}

bool CFileAppendedToZipArchiveFileBuf::WriteDirectory(std::uint32_t directoryOffset,
                                                      bool withNewMember,
                                                      std::uint32_t memberLength) {
    if (!SeekTo(&m_ArchiveFile, directoryOffset)) {
        return false;
    }
    std::uint32_t const directorySize = Get32(m_EndRecord + END_DIRECTORY_SIZE);
    m_ArchiveFile.Write(m_pSavedDirectory, directorySize);
    unsigned char end[END_RECORD_SIZE];
    std::memcpy(end + SIGNATURE_SIZE, m_EndRecord, sizeof m_EndRecord);
    unsigned char* endBody = end + SIGNATURE_SIZE;
    Put32(endBody + END_DIRECTORY_OFFSET, directoryOffset);
    if (withNewMember) {
        std::size_t const nameLength = std::strlen(m_MemberName);
        std::vector<unsigned char> entry(CENTRAL_HEADER_SIZE + nameLength, 0);
        unsigned char* body = entry.data() + SIGNATURE_SIZE;
        Put32(entry.data(), CENTRAL_HEADER_SIGNATURE);
        Put16(body + 0, VERSION_MADE_BY);
        Put16(body + 2, VERSION_NEEDED_STORED);
        Put32(body + 16, memberLength);
        Put32(body + 20, memberLength);
        Put16(body + 24, static_cast<std::uint16_t>(nameLength));
        Put32(body + 38, m_LocalHeaderOffset);
        std::memcpy(entry.data() + CENTRAL_HEADER_SIZE, m_MemberName, nameLength);
        m_ArchiveFile.Write(entry.data(), static_cast<unsigned>(entry.size()));

        Put16(endBody + END_ENTRIES_ON_DISK,
              static_cast<std::uint16_t>(Get16(endBody + END_ENTRIES_ON_DISK) + 1));
        Put16(endBody + END_TOTAL_ENTRIES,
              static_cast<std::uint16_t>(Get16(endBody + END_TOTAL_ENTRIES) + 1));
        Put32(endBody + END_DIRECTORY_SIZE,
              directorySize + static_cast<std::uint32_t>(entry.size()));
        Put32(end, ALTERNATIVE_END_SIGNATURE);
    } else {
        Put32(end, m_FoundEndSignature);
    }
    m_ArchiveFile.Write(end, sizeof end);
    m_ArchiveFile.SetLength(m_ArchiveFile.GetPosition());
    return true;
}

void CFileAppendedToZipArchiveFileBuf::Close() {
    if (!m_ArchiveFile.IsOpen()) {
        Release();
        return;
    }
    std::uint32_t const fileLength = m_ArchiveFile.GetLength();
    std::uint32_t const memberLength = fileLength >= m_DataStart ? fileLength - m_DataStart : 0;
    WriteLocalHeader(memberLength);
    WriteDirectory(m_DataStart + memberLength, true, memberLength);
    Release();
}

unsigned CFileAppendedToZipArchiveFileBuf::Write(void const* data, unsigned n) {
    return m_ArchiveFile.IsOpen() ? m_ArchiveFile.Write(data, n) : 0;
}

unsigned CFileAppendedToZipArchiveFileBuf::Read(void* data, unsigned n) {
    return m_ArchiveFile.IsOpen() ? m_ArchiveFile.Read(data, n) : 0;
}

bool CFileAppendedToZipArchiveFileBuf::SeekAbsolute(int offset) {
    return m_ArchiveFile.IsOpen() && offset >= 0 &&
           SeekTo(&m_ArchiveFile, std::uint64_t{m_DataStart} + static_cast<unsigned>(offset));
}

bool CFileAppendedToZipArchiveFileBuf::SeekRelative(int offset) {
    if (!m_ArchiveFile.IsOpen()) {
        return false;
    }
    // The member's header lies before its data and is not the caller's to overwrite.
    std::int64_t const target = std::int64_t{m_ArchiveFile.GetPosition()} + offset;
    return target >= m_DataStart && m_ArchiveFile.SeekRelative(offset);
}

unsigned CFileAppendedToZipArchiveFileBuf::GetPosition() {
    return m_ArchiveFile.IsOpen() ? m_ArchiveFile.GetPosition() - m_DataStart : 0xFFFFFFFF;
}

unsigned CFileAppendedToZipArchiveFileBuf::GetLength() const {
    if (!m_ArchiveFile.IsOpen()) {
        return 0;
    }
    unsigned const length = m_ArchiveFile.GetLength();
    return length >= m_DataStart ? length - m_DataStart : 0;
}

void CFileAppendedToZipArchiveFileBuf::SetLength(unsigned long length) {
    if (m_ArchiveFile.IsOpen() && m_DataStart + length <= static_cast<unsigned long>(INT_MAX)) {
        m_ArchiveFile.SetLength(m_DataStart + length);
    }
}

CFileBuf* ZipFileOpenCreateAppendToArchive(char const* archiveName, char const* memberName) {
    auto* stream = new CFileAppendedToZipArchiveFileBuf;
    if (!stream->OpenArchiveAndAppend(archiveName, memberName)) {
        delete stream;
        return nullptr;
    }
    return stream;
}
