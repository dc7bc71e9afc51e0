#include "CorvaneCore/ZipFileBuf.h"

#include "CorvaneCore/File.h"
#include "CorvaneCore/ZipArchive.h"

#include <climits>
#include <cstring>

namespace {

bool SeekTo(CFile* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT_MAX) &&
           file->SeekAbsolute(static_cast<int>(offset));
}

} // namespace

CZipFileBuf::~CZipFileBuf() {
    Close();
}

bool CZipFileBuf::PrivateOpen(unsigned dataStart, CFileEntry* entry, CFile* archiveFile,
                              char const* archivePath, CZipArchive* archive, unsigned mode) {
    Close();
    if (!entry || !archive) {
        return false;
    }
    m_OpenFlags = mode;
    // A stream-handle name designates one stream, which the archive's own CFile took over
    // (spending the handle): there is nothing to open a second time, so such an archive is
    // always shared.
    bool const heldInStream = archivePath && std::strncmp(archivePath, pFileBufPrefixString,
                                                          std::strlen(pFileBufPrefixString)) == 0;
    m_bOwnHandle = (mode & CFILE_ZIP_OWN_HANDLE) && !heldInStream;
    m_DataStart = dataStart;
    m_Position = dataStart;
    if (m_bOwnHandle) {
        CFile* own = new CFile;
        if (!archivePath || !own->Open(archivePath, (archive->m_OpenFlags | CFILE_READ) &
                                                        ~(CFILE_CREATE | CFILE_WRITE))) {
            delete own;
            return false;
        }
        m_pFile = own;
    } else {
        if (!archive->IncrementOpenFileCount()) {
            return false;
        }
        // The archive may have had to open its file just now.
        m_pFile = archive->m_pFile ? archive->m_pFile : archiveFile;
        entry->m_bOpen = true;
    }
    m_pEntry = entry;
    m_pArchive = archive;
    archive->AddOpenStream(this);
    return true;
}

unsigned CZipFileBuf::Read(void* data, unsigned n) {
    if (!m_pEntry || !m_pFile) {
        return 0;
    }
    std::uint64_t const end = std::uint64_t{m_DataStart} + m_pEntry->m_UncompressedSize;
    if (m_Position >= end) {
        return 0;
    }
    if (n > end - m_Position) {
        n = static_cast<unsigned>(end - m_Position);
    }
    if (n == 0 || !SeekTo(m_pFile, m_Position)) {
        return 0;
    }
    unsigned got = m_pFile->Read(data, n);
    m_Position += got;
    return got;
}

unsigned CZipFileBuf::Write(void const* data, unsigned n) {
    // Only a member opened for rewriting owns the bytes behind its data start.
    if (!m_pEntry || !m_pFile || !(m_OpenFlags & CFILE_WRITE) || n == 0) {
        return 0;
    }
    if (std::uint64_t{m_Position} + n > static_cast<std::uint64_t>(INT_MAX) ||
        !SeekTo(m_pFile, m_Position)) {
        return 0;
    }
    unsigned written = m_pFile->Write(data, n);
    m_Position += written;
    std::uint32_t const relative = m_Position - m_DataStart;
    if (relative > m_pEntry->m_UncompressedSize) {
        m_pEntry->m_UncompressedSize = relative;
        m_pEntry->m_CompressedSize = relative;
    }
    return written;
}

bool CZipFileBuf::SeekAbsolute(int offset) {
    if (!m_pEntry || offset < 0 ||
        static_cast<std::uint32_t>(offset) > m_pEntry->m_UncompressedSize) {
        return false;
    }
    m_Position = m_DataStart + static_cast<std::uint32_t>(offset);
    return true;
}

bool CZipFileBuf::SeekRelative(int offset) {
    if (!m_pEntry) {
        return false;
    }
    std::int64_t const target = std::int64_t{m_Position} + offset;
    if (target < m_DataStart ||
        target >= std::int64_t{m_DataStart} + m_pEntry->m_UncompressedSize) {
        return false;
    }
    m_Position = static_cast<std::uint32_t>(target);
    return true;
}

unsigned CZipFileBuf::GetPosition() {
    return m_pEntry ? m_Position - m_DataStart : 0xFFFFFFFF;
}

unsigned CZipFileBuf::GetLength() const {
    return m_pEntry ? m_pEntry->m_UncompressedSize : 0xFFFFFFFF;
}

void CZipFileBuf::SetLength(unsigned long length) {
    if (!m_pEntry || !(m_OpenFlags & CFILE_WRITE) || length > static_cast<unsigned long>(INT_MAX) ||
        m_DataStart + length > static_cast<unsigned long>(INT_MAX)) {
        return;
    }
    m_pEntry->m_UncompressedSize = static_cast<std::uint32_t>(length);
    m_pEntry->m_CompressedSize = static_cast<std::uint32_t>(length);
    if (m_Position - m_DataStart > length) {
        m_Position = m_DataStart + static_cast<std::uint32_t>(length);
    }
}

void CZipFileBuf::Close() {
    if (!m_pFile || !m_pArchive) {
        m_pEntry = nullptr;
        m_pFile = nullptr;
        m_pArchive = nullptr;
        return;
    }
    CZipArchive* archive = m_pArchive;
    if (m_OpenFlags & CFILE_WRITE) {
        // The header written when the member was opened carried no CRC and no size yet.
        m_pEntry->m_CRC32 = static_cast<std::uint32_t>(CalculateCRC32());
        archive->WriteLocalFileHeader(m_pEntry);
    }
    archive->RemoveOpenStream(this);
    if (m_bOwnHandle) {
        delete m_pFile;
    } else {
        archive->DecrementOpenFileCount();
        m_pEntry->m_bOpen = false;
    }
    m_pFile = nullptr;
    m_pEntry = nullptr;
    m_pArchive = nullptr;
}
