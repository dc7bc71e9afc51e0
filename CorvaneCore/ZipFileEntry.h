// One member of a zip archive as its central directory describes it.
#pragma once

#include "CorvaneCore/ZipFormat.h"

#include <cstdint>

class CFileEntry {
public:
    CFileEntry() = default;
    ~CFileEntry() { delete[] m_pName; }
    CFileEntry(CFileEntry const&) = delete;
    CFileEntry& operator=(CFileEntry const&) = delete;
    // Sorting moves entries; the name goes with its entry.
    CFileEntry(CFileEntry&& other) noexcept { *this = static_cast<CFileEntry&&>(other); }
    CFileEntry& operator=(CFileEntry&& other) noexcept;

    // The central header fields that follow the signature, decoded from / encoded to their
    // 42-byte file layout.
    void SetFromCentralHeaderBody(unsigned char const* body);
    void GetCentralHeaderBody(unsigned char* body) const;
    // The 26 bytes of a local header that follow its signature, taken from this entry.
    void GetLocalHeaderBody(unsigned char* body) const;

    // The archive's prefix followed by the stored name; owned; null until read.
    char* m_pName = nullptr;

    std::uint16_t m_VersionMadeBy = 0;
    std::uint16_t m_VersionNeeded = 0;
    std::uint16_t m_Flags = 0;
    std::uint16_t m_CompressionMethod = 0;
    std::uint16_t m_LastModTime = 0;
    std::uint16_t m_LastModDate = 0;
    std::uint32_t m_CRC32 = 0;
    std::uint32_t m_CompressedSize = 0;
    std::uint32_t m_UncompressedSize = 0;
    std::uint16_t m_NameLength = 0;
    std::uint16_t m_ExtraFieldLength = 0;
    std::uint16_t m_CommentLength = 0;
    std::uint16_t m_DiskNumberStart = 0;
    std::uint16_t m_InternalAttributes = 0;
    std::uint32_t m_ExternalAttributes = 0;
    std::uint32_t m_LocalHeaderOffset = 0;

    // A member stream that shares the archive's file is open on this entry.
    bool m_bOpen = false;
    // Only marked entries satisfy opens with CFILE_MARKED_MEMBERS_ONLY.
    bool m_bMarked = false;
};

inline CFileEntry& CFileEntry::operator=(CFileEntry&& other) noexcept {
    if (this != &other) {
        delete[] m_pName;
        m_pName = other.m_pName;
        other.m_pName = nullptr;
        m_VersionMadeBy = other.m_VersionMadeBy;
        m_VersionNeeded = other.m_VersionNeeded;
        m_Flags = other.m_Flags;
        m_CompressionMethod = other.m_CompressionMethod;
        m_LastModTime = other.m_LastModTime;
        m_LastModDate = other.m_LastModDate;
        m_CRC32 = other.m_CRC32;
        m_CompressedSize = other.m_CompressedSize;
        m_UncompressedSize = other.m_UncompressedSize;
        m_NameLength = other.m_NameLength;
        m_ExtraFieldLength = other.m_ExtraFieldLength;
        m_CommentLength = other.m_CommentLength;
        m_DiskNumberStart = other.m_DiskNumberStart;
        m_InternalAttributes = other.m_InternalAttributes;
        m_ExternalAttributes = other.m_ExternalAttributes;
        m_LocalHeaderOffset = other.m_LocalHeaderOffset;
        m_bOpen = other.m_bOpen;
        m_bMarked = other.m_bMarked;
    }
    return *this;
}

inline void CFileEntry::SetFromCentralHeaderBody(unsigned char const* body) {
    using namespace ZipFormat;
    m_VersionMadeBy = Get16(body + 0);
    m_VersionNeeded = Get16(body + 2);
    m_Flags = Get16(body + 4);
    m_CompressionMethod = Get16(body + 6);
    m_LastModTime = Get16(body + 8);
    m_LastModDate = Get16(body + 10);
    m_CRC32 = Get32(body + 12);
    m_CompressedSize = Get32(body + 16);
    m_UncompressedSize = Get32(body + 20);
    m_NameLength = Get16(body + 24);
    m_ExtraFieldLength = Get16(body + 26);
    m_CommentLength = Get16(body + 28);
    m_DiskNumberStart = Get16(body + 30);
    m_InternalAttributes = Get16(body + 32);
    m_ExternalAttributes = Get32(body + 34);
    m_LocalHeaderOffset = Get32(body + 38);
}

inline void CFileEntry::GetCentralHeaderBody(unsigned char* body) const {
    using namespace ZipFormat;
    Put16(body + 0, m_VersionMadeBy);
    Put16(body + 2, m_VersionNeeded);
    Put16(body + 4, m_Flags);
    Put16(body + 6, m_CompressionMethod);
    Put16(body + 8, m_LastModTime);
    Put16(body + 10, m_LastModDate);
    Put32(body + 12, m_CRC32);
    Put32(body + 16, m_CompressedSize);
    Put32(body + 20, m_UncompressedSize);
    Put16(body + 24, m_NameLength);
    Put16(body + 26, m_ExtraFieldLength);
    Put16(body + 28, m_CommentLength);
    Put16(body + 30, m_DiskNumberStart);
    Put16(body + 32, m_InternalAttributes);
    Put32(body + 34, m_ExternalAttributes);
    Put32(body + 38, m_LocalHeaderOffset);
}

inline void CFileEntry::GetLocalHeaderBody(unsigned char* body) const {
    using namespace ZipFormat;
    Put16(body + 0, m_VersionNeeded);
    Put16(body + 2, m_Flags);
    Put16(body + 4, m_CompressionMethod);
    Put16(body + 6, m_LastModTime);
    Put16(body + 8, m_LastModDate);
    Put32(body + 10, m_CRC32);
    Put32(body + 14, m_CompressedSize);
    Put32(body + 18, m_UncompressedSize);
    Put16(body + 22, m_NameLength);
    Put16(body + 24, m_ExtraFieldLength);
}
