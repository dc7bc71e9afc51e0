#include "CorvaneCore/File.h"

#include "CorvaneCore/MemFileBuf.h"
#include "CorvaneCore/ZLibCompressor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

char pDataDir[CFILE_MAX_PATH_LENGTH + 1] = ".";
bool UsingZipFile = false;

int CFile::m_CurNumFilesOpen = 0;
int CFile::m_MaxNumFilesOpen = 0;

namespace {

constexpr unsigned kSmallRead = 2000;
constexpr unsigned kWorkBufferSize = 0x10000;
// When the heap cannot spare the work buffer, a smaller one on the stack still gets the job
// done, only in more pieces.
constexpr unsigned kFallbackBufferSize = 4096;
constexpr unsigned kCompressionLevel = 6;

bool isAbsoluteName(char const* name) {
    return name[0] != '\0' && name[1] != '\0' &&
           (name[0] == '/' || name[0] == '\\' || name[1] == ':');
}

void storeLittleEndian(unsigned char* bytes, std::uint32_t value) {
    for (unsigned i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint32_t loadLittleEndian(unsigned char const* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

CFile::CFile() : m_pFileBuf(nullptr), m_OpenFlags(0), m_NumSmallReads(0) {}

CFile::~CFile() {
    CFile::Close();
}

void CFile::CountOpenFile() {
    ++m_CurNumFilesOpen;
    m_MaxNumFilesOpen = std::max(m_MaxNumFilesOpen, m_CurNumFilesOpen);
}

bool CFile::Open(CFileBuf* stream, unsigned mode) {
    m_NumSmallReads = 0;
    if (stream && stream == m_pFileBuf) {
        // Closing first would destroy the very stream we are asked to keep.
        m_OpenFlags = mode;
        return true;
    }
    Close();
    m_pFileBuf = stream;
    m_OpenFlags = mode;
    if (!stream) {
        return false;
    }
    CountOpenFile();
    return true;
}

bool CFile::Open(char const* name, unsigned mode) {
    m_FileName = name;
    m_NumSmallReads = 0;
    if (!name || !*name || std::strlen(name) > CFILE_MAX_PATH_LENGTH) {
        return false;
    }

    if (CFileBuf* stream = CFileBuf::GetFileBufFromFileName(name)) {
        // This file owns the stream now; spending the handle keeps a second open from taking
        // the same stream over again.
        stream->UnregisterHandle();
        return Open(stream, mode);
    }

    if (mode & CFILE_COMPRESSED) {
        if (mode & CFILE_WRITE) {
            // The previous content is written under its own name before the name changes.
            Close();
            m_CompressedFileName = name;
            return Open(new CMemFileBuf, mode);
        }
        if (mode & CFILE_READ) {
            return OpenCompressedForReading(name, mode);
        }
    }

    if (mode & CFILE_LOAD_INTO_MEMORY) {
        return Open(CMemFileBuf::CreateFromFile(name, mode & ~CFILE_LOAD_INTO_MEMORY), mode);
    }

    if (isAbsoluteName(name)) {
        mode |= CFILE_NAME_AS_GIVEN;
    }
    Close();
    m_pFileBuf = CFileBuf::NewOpen(name, mode);
    m_OpenFlags = mode;
    if (!m_pFileBuf) {
        return false;
    }
    CountOpenFile();
    return true;
}

bool CFile::OpenCompressedForReading(char const* name, unsigned mode) {
    if (!Open(name, mode & ~(CFILE_COMPRESSED | CFILE_LOAD_INTO_MEMORY))) {
        return false;
    }
    unsigned size = 0;
    unsigned char* content = CZLibCompressor::ReadAndDecompress(this, &size);
    if (!content) {
        // Not a container: the file is served as it is on disk.
        SeekAbsolute(0);
        return true;
    }
    return Open(new CMemFileBuf(content, size), mode);
}

void CFile::WriteCompressedContent() {
    auto* memory = dynamic_cast<CMemFileBuf*>(m_pFileBuf);
    if (!memory) {
        return;
    }
    CFile target;
    if (!target.Open(m_CompressedFileName.GetCharPtr(),
                     m_OpenFlags & ~(CFILE_COMPRESSED | CFILE_LOAD_INTO_MEMORY))) {
        return;
    }
    CZLibCompressor::CompressAndWrite(&target, memory->m_pData, memory->GetLength(),
                                      kCompressionLevel);
    target.Close();
}

void CFile::Close() {
    if (!m_pFileBuf) {
        return;
    }
    if ((m_OpenFlags & CFILE_COMPRESSED) && (m_OpenFlags & CFILE_WRITE)) {
        WriteCompressedContent();
    }
    --m_CurNumFilesOpen;
    CFileBuf* stream = m_pFileBuf;
    m_pFileBuf = nullptr;
    stream->Close();
    delete stream;
}

unsigned CFile::Read(void* data, unsigned n) {
    if (!m_pFileBuf) {
        return 0;
    }
    if (n < kSmallRead) {
        ++m_NumSmallReads;
    }
    return m_pFileBuf->Read(data, n);
}

unsigned CFile::Write(void const* data, unsigned n) {
    return m_pFileBuf ? m_pFileBuf->Write(data, n) : 0;
}

bool CFile::SeekAbsolute(int offset) {
    return m_pFileBuf && m_pFileBuf->SeekAbsolute(offset);
}

bool CFile::SeekRelative(int offset) {
    return m_pFileBuf && m_pFileBuf->SeekRelative(offset);
}

unsigned CFile::GetPosition() {
    return m_pFileBuf ? m_pFileBuf->GetPosition() : 0xFFFFFFFFu;
}

unsigned CFile::GetLength() const {
    return m_pFileBuf ? m_pFileBuf->GetLength() : 0;
}

void CFile::SetLength(unsigned long length) {
    if (m_pFileBuf) {
        m_pFileBuf->SetLength(length);
    }
}

CFile& CFile::operator<<(unsigned int value) {
    if (m_pFileBuf) {
        unsigned char bytes[4];
        storeLittleEndian(bytes, value);
        m_pFileBuf->Write(bytes, 4);
    }
    return *this;
}

CFile& CFile::operator<<(unsigned long value) {
    return *this << static_cast<unsigned int>(value);
}

CFile& CFile::operator<<(long value) {
    return *this << static_cast<unsigned int>(value);
}

bool CFile::ReadLittleEndian32(std::uint32_t* value) {
    if (!m_pFileBuf) {
        return false;
    }
    ++m_NumSmallReads;
    unsigned char bytes[4];
    if (m_pFileBuf->Read(bytes, 4) != 4) {
        return false;
    }
    *value = loadLittleEndian(bytes);
    return true;
}

CFile& CFile::operator>>(unsigned int& value) {
    std::uint32_t raw = 0;
    if (ReadLittleEndian32(&raw)) {
        value = raw;
    }
    return *this;
}

CFile& CFile::operator>>(long& value) {
    std::uint32_t raw = 0;
    if (ReadLittleEndian32(&raw)) {
        value = static_cast<std::int32_t>(raw);
    }
    return *this;
}

bool CFile::MoveBytesWithinFile(unsigned long destination, unsigned long source,
                                unsigned long count) {
    if (!m_pFileBuf) {
        return false;
    }
    if (destination == source || count == 0) {
        return true;
    }
    // Positions are 32-bit; a range that does not fit cannot be in the file.
    if (destination > source || source > 0xFFFFFFFFUL || count > 0xFFFFFFFFUL - source) {
        return false;
    }
    auto bufferSize = static_cast<unsigned>(std::min<unsigned long>(count, kWorkBufferSize));
    std::unique_ptr<unsigned char[]> heap(new (std::nothrow) unsigned char[bufferSize]);
    unsigned char fallback[kFallbackBufferSize];
    unsigned char* buffer = heap ? heap.get() : fallback;
    if (!heap) {
        bufferSize = std::min(bufferSize, kFallbackBufferSize);
    }

    // Destination is below source and the copy runs forward, so overlapping ranges are safe.
    while (count > 0) {
        auto n = static_cast<unsigned>(std::min<unsigned long>(bufferSize, count));
        if (!SeekAbsolute(static_cast<int>(source)) || Read(buffer, n) != n ||
            !SeekAbsolute(static_cast<int>(destination)) || Write(buffer, n) != n) {
            return false;
        }
        source += n;
        destination += n;
        count -= n;
    }
    return true;
}
