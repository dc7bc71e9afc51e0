#include "CorvaneCore/FileBuf.h"

#include "CorvaneCore/CJString.h"
#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/File.h"
#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/TextHelpers.h"
#include "CorvaneCore/ZipArchiveTree.h"
#include "CorvaneCore/ZipArchiveWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unistd.h>

const char* pFileBufPrefixString = "~CFileBuf 0x";

namespace {

constexpr unsigned kPrefixLength = 12;
constexpr unsigned kWorkBufferSize = 0x10000;
// When the heap cannot spare the work buffer, a smaller one on the stack still gets the job
// done, only in more pieces.
constexpr unsigned kFallbackBufferSize = 4096;
// Line chunks double while a line does not fit; past this a "line" is not text any more.
constexpr unsigned kMaxLineChunkSize = 0x40000000;

constinit CFileBuf* s_pFirstRegistered = nullptr;
constinit std::uint32_t s_LastHandle = 0;

// The joined path pDataDir + name, or false when it would not fit the path buffer.
bool joinDataDirectory(char* path, char const* name) {
    std::size_t directoryLength = std::strlen(pDataDir);
    bool separatorNeeded = directoryLength > 0 && pDataDir[directoryLength - 1] != '/' &&
                           pDataDir[directoryLength - 1] != '\\';
    if (directoryLength + (separatorNeeded ? 1 : 0) + std::strlen(name) > CFILE_MAX_PATH_LENGTH) {
        return false;
    }
    MakePathName(path, pDataDir, name);
    return true;
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

CFileBuf::CFileBuf() : m_pStream(nullptr), m_bOpen(false) {}

CFileBuf::~CFileBuf() {
    UnregisterHandle();
    CFileBuf::Close();
}

bool CFileBuf::IsBuffered() {
    return false;
}

void CFileBuf::PrepareTransfer(LastTransfer next) {
    if (m_LastTransfer != LastTransfer::None && m_LastTransfer != next) {
        std::fseek(m_pStream, 0, SEEK_CUR);
    }
    m_LastTransfer = next;
}

unsigned CFileBuf::Write(void const* data, unsigned n) {
    if (!m_pStream || !data) {
        return 0;
    }
    PrepareTransfer(LastTransfer::Write);
    return static_cast<unsigned>(std::fwrite(data, 1, n, m_pStream));
}

unsigned CFileBuf::Read(void* data, unsigned n) {
    if (!m_pStream || !data) {
        return 0;
    }
    PrepareTransfer(LastTransfer::Read);
    return static_cast<unsigned>(std::fread(data, 1, n, m_pStream));
}

bool CFileBuf::SeekRelative(int offset) {
    if (!m_pStream) {
        return false;
    }
    m_LastTransfer = LastTransfer::None;
    return std::fseek(m_pStream, offset, SEEK_CUR) == 0;
}

bool CFileBuf::SeekAbsolute(int offset) {
    if (!m_pStream) {
        return false;
    }
    m_LastTransfer = LastTransfer::None;
    return std::fseek(m_pStream, offset, SEEK_SET) == 0;
}

unsigned CFileBuf::GetPosition() {
    if (!m_pStream) {
        return 0xFFFFFFFFu;
    }
    return static_cast<unsigned>(std::ftell(m_pStream));
}

unsigned CFileBuf::GetLength() const {
    if (!m_pStream) {
        return 0;
    }
    long remembered = std::ftell(m_pStream);
    if (remembered < 0 || std::fseek(m_pStream, 0, SEEK_END) != 0) {
        return 0;
    }
    long length = std::ftell(m_pStream);
    std::fseek(m_pStream, remembered, SEEK_SET);
    return length < 0 ? 0 : static_cast<unsigned>(length);
}

void CFileBuf::SetLength(unsigned long length) {
    if (!m_pStream) {
        return;
    }
    // Writes still sitting in the stdio buffer would land after the cut.
    std::fflush(m_pStream);
    int result = ftruncate(fileno(m_pStream), static_cast<off_t>(length));
    (void)result;
}

void CFileBuf::Close() {
    if (m_pStream && m_bOpen) {
        std::fclose(m_pStream);
    }
    m_pStream = nullptr;
    m_bOpen = false;
    m_LastTransfer = LastTransfer::None;
}

bool CFileBuf::GetCanDoVirtualRead() const {
    return false;
}

unsigned char* CFileBuf::VirtualRead(unsigned) {
    return nullptr;
}

unsigned char* CFileBuf::DetachBuffer() {
    return nullptr;
}

bool CFileBuf::ReadLine(char*, unsigned) {
    return false;
}

CFileBuf* CFileBuf::NewOpen(char const* name, unsigned mode) {
    if (!name || !*name) {
        return nullptr;
    }
    bool const askArchiveTree = UsingZipFile && !(mode & CFILE_NAME_AS_GIVEN);
    if (mode & CFILE_WRITE) {
        if (char const* separator = (mode & CFILE_CREATE) ? std::strchr(name, ';') : nullptr) {
            // archive;member appends a new member to an existing archive.
            std::size_t const archiveLength = static_cast<std::size_t>(separator - name);
            if (archiveLength > CFILE_MAX_PATH_LENGTH) {
                return nullptr;
            }
            char archive[CFILE_MAX_PATH_LENGTH + 1];
            std::memcpy(archive, name, archiveLength);
            archive[archiveLength] = '\0';
            CFileBuf* stream = ZipFileOpenCreateAppendToArchive(archive, separator + 1);
            if (stream) {
                stream->m_bOpen = true;
            }
            return stream;
        }
        if ((mode & CFILE_CREATE) && askArchiveTree) {
            if (CFileBuf* stream =
                    CZipArchiveTree::GetpZipArchiveTree()->OpenAFileWithinArchive(name, mode)) {
                stream->m_bOpen = true;
                return stream;
            }
        }
        if (mode & CFILE_NO_DISK_FILE) {
            return nullptr;
        }
        auto* stream = new CFileBuf;
        if (!stream->ProtectedOpen(name, mode)) {
            delete stream;
            return nullptr;
        }
        stream->m_bOpen = true;
        return stream;
    }
    if (!(mode & CFILE_READ)) {
        return nullptr;
    }
    // Marked archive members come before disk files, other members after them.
    if (askArchiveTree) {
        if (CFileBuf* stream = CZipArchiveTree::GetpZipArchiveTree()->OpenAFileWithinArchive(
                name, mode | CFILE_MARKED_MEMBERS_ONLY)) {
            stream->m_bOpen = true;
            return stream;
        }
    }
    if (!(mode & CFILE_NO_DISK_FILE)) {
        auto* stream = new CFileBuf;
        if (stream->ProtectedOpen(name, mode)) {
            stream->m_bOpen = true;
            return stream;
        }
        delete stream;
    }
    if (askArchiveTree) {
        if (CFileBuf* stream =
                CZipArchiveTree::GetpZipArchiveTree()->OpenAFileWithinArchive(name, mode)) {
            stream->m_bOpen = true;
            return stream;
        }
    }
    return nullptr;
}

bool CFileBuf::ProtectedOpen(char const* name, unsigned mode) {
    CFileBuf::Close();
    if (!name || !*name || std::strlen(name) > CFILE_MAX_PATH_LENGTH) {
        return false;
    }
    bool asGiven = (mode & CFILE_NAME_AS_GIVEN) != 0;
    char joined[CFILE_MAX_PATH_LENGTH + 1];
    bool haveJoined = !asGiven && joinDataDirectory(joined, name);
    // The path a create or an attribute change works on: never the bare name for a plain one.
    char const* target = asGiven ? name : (haveJoined ? joined : nullptr);

    if ((mode & CFILE_CLEAR_READ_ONLY) && (mode & CFILE_WRITE) && target &&
        DoesFileHaveReadOnlyAttribute(target)) {
        SetFileReadOnlyAttribute(target, false);
    }

    if ((mode & CFILE_CREATE) && (mode & CFILE_WRITE)) {
        if (!target) {
            return false;
        }
        // With CFILE_READ as well, the new file can be read back through the same stream.
        char const* fopenMode = (mode & CFILE_READ) ? "w+b" : "wb";
        m_pStream = std::fopen(target, fopenMode);
        if (!m_pStream && (mode & CFILE_CREATE_DIRECTORIES) && !FileExists(target)) {
            CJString folder;
            CJString::SplitPathName(target, &folder, nullptr);
            if (folder.ContainsSomething() && CreateDirectoryRecursive(folder.GetCharPtr())) {
                m_pStream = std::fopen(target, fopenMode);
            }
        }
    } else {
        char const* fopenMode = (mode & CFILE_WRITE) ? "r+b" : "rb";
        if (haveJoined) {
            m_pStream = std::fopen(joined, fopenMode);
        }
        if (!m_pStream) {
            m_pStream = std::fopen(name, fopenMode);
        }
    }
    m_bOpen = m_pStream != nullptr;
    m_LastTransfer = LastTransfer::None;
    return m_bOpen;
}

std::uint32_t CFileBuf::RegisterHandle() {
    if (m_Handle != 0) {
        return m_Handle;
    }
    // Numbers are handed out in turn; after a wrap, skip 0 and those still in use.
    std::uint32_t candidate = s_LastHandle;
    for (;;) {
        ++candidate;
        if (candidate == 0) {
            continue;
        }
        bool inUse = false;
        for (CFileBuf* other = s_pFirstRegistered; other; other = other->m_pNextRegistered) {
            if (other->m_Handle == candidate) {
                inUse = true;
                break;
            }
        }
        if (!inUse) {
            break;
        }
    }
    s_LastHandle = candidate;
    m_Handle = candidate;
    m_pPrevRegistered = nullptr;
    m_pNextRegistered = s_pFirstRegistered;
    if (s_pFirstRegistered) {
        s_pFirstRegistered->m_pPrevRegistered = this;
    }
    s_pFirstRegistered = this;
    return m_Handle;
}

void CFileBuf::UnregisterHandle() {
    if (m_Handle == 0) {
        return;
    }
    if (m_pPrevRegistered) {
        m_pPrevRegistered->m_pNextRegistered = m_pNextRegistered;
    } else {
        s_pFirstRegistered = m_pNextRegistered;
    }
    if (m_pNextRegistered) {
        m_pNextRegistered->m_pPrevRegistered = m_pPrevRegistered;
    }
    m_pNextRegistered = nullptr;
    m_pPrevRegistered = nullptr;
    m_Handle = 0;
}

void CFileBuf::MakeHandleName(std::uint32_t value, char* name) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::memcpy(name, pFileBufPrefixString, kPrefixLength);
    // The memory image of the value, least significant byte first, two digits per byte.
    for (unsigned i = 0; i < 4; ++i) {
        unsigned byte = (value >> (8 * i)) & 0xFF;
        name[kPrefixLength + 2 * i] = kDigits[byte >> 4];
        name[kPrefixLength + 2 * i + 1] = kDigits[byte & 0xF];
    }
    name[kPrefixLength + 8] = '\0';
}

CFileBuf* CFileBuf::GetFileBufFromFileName(char const* name) {
    if (!name || std::strncmp(name, pFileBufPrefixString, kPrefixLength) != 0) {
        return nullptr;
    }
    char digits[9];
    for (unsigned i = 0; i < 8; ++i) {
        if (name[kPrefixLength + i] == '\0') {
            return nullptr;
        }
        digits[i] = name[kPrefixLength + i];
    }
    digits[8] = '\0';
    unsigned char bytes[4];
    HexStringToBin(bytes, digits, 4);
    std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    if (value == 0) {
        return nullptr;
    }
    for (CFileBuf* stream = s_pFirstRegistered; stream; stream = stream->m_pNextRegistered) {
        if (stream->m_Handle == value) {
            return stream;
        }
    }
    return nullptr;
}

bool CFileBuf::ReadLineChunkIntoFixedSizeBuffer(char* buffer, unsigned size) {
    bool shortRead = false;
    return ReadLineChunk(buffer, size, &shortRead);
}

bool CFileBuf::ReadLineChunk(char* buffer, unsigned size, bool* shortRead) {
    *shortRead = false;
    if (!buffer || size == 0) {
        return false;
    }
    unsigned start = GetPosition();
    unsigned wanted = size - 1;
    unsigned got = Read(buffer, wanted);
    if (got > wanted) {
        got = wanted;
    }
    buffer[got] = '\0';
    *shortRead = got < wanted;

    unsigned end = 0;
    while (end < got && !isLineEnd(buffer[end])) {
        ++end;
    }
    if (end == got) {
        if (*shortRead && got > 0) {
            // The last line of the content has no line end of its own.
            return true;
        }
        SeekAbsolute(static_cast<int>(start));
        return false;
    }

    char first = buffer[end];
    char second = buffer[end + 1]; // at worst the terminator
    unsigned consumed = 1;
    if (isLineEnd(second)) {
        if (first == '\r' && buffer[end + 2] == '\n') {
            consumed = 3;
        } else if (second != first) {
            consumed = 2;
        }
    }
    buffer[end] = '\0';
    SeekAbsolute(static_cast<int>(start + end + consumed));
    return true;
}

bool CFileBuf::ReadLine(CJString* line) {
    if (!line) {
        return false;
    }
    line->EmptyContentsButPreserveBuffer();
    unsigned size = line->GetAvailableSpaceLeftInBuffer();
    if (size <= 79) {
        size = 80;
    }
    for (;;) {
        char* buffer = line->GetBufferDiscardOldData(size);
        bool shortRead = false;
        if (ReadLineChunk(buffer, size, &shortRead)) {
            return true;
        }
        // A chunk that came back short without a line end is the end of the content, or a
        // stream that has stopped delivering: either way, growing the chunk cannot help.
        if (shortRead || GetPosition() >= GetLength() || size > kMaxLineChunkSize) {
            buffer[0] = '\0';
            return false;
        }
        size *= 2;
    }
}

unsigned long CFileBuf::CalculateCRC32() {
    unsigned length = GetLength();
    if (length == 0) {
        return 0;
    }
    unsigned bufferSize = std::min(length, kWorkBufferSize);
    std::unique_ptr<unsigned char[]> heap(new (std::nothrow) unsigned char[bufferSize]);
    unsigned char fallback[kFallbackBufferSize];
    unsigned char* buffer = heap ? heap.get() : fallback;
    if (!heap) {
        bufferSize = std::min(bufferSize, kFallbackBufferSize);
    }

    SeekAbsolute(0);
    unsigned long crc = InitCRC32();
    unsigned remaining = length;
    while (remaining > 0) {
        unsigned got = Read(buffer, std::min(remaining, bufferSize));
        if (got == 0) {
            break;
        }
        crc = UpdateCRC32(crc, buffer, got);
        remaining -= std::min(got, remaining);
    }
    return FinishCRC32(crc);
}
