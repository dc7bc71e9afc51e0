// Appending a new stored member to an existing zip archive, as the stream behind a CFile opened
// on a name of the form archive;member with CFILE_CREATE and CFILE_WRITE. The member is written
// where the central directory was; closing the stream puts the directory back behind it with
// one more entry. (The rewrite of an existing member through CZipArchive is declared in
// ZipArchive.h.)
#pragma once

#include "CorvaneCore/File.h"
#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipFormat.h"

#include <cstdint>

class CFileAppendedToZipArchiveFileBuf : public CFileBuf {
public:
    CFileAppendedToZipArchiveFileBuf();
    ~CFileAppendedToZipArchiveFileBuf() override;

    // False, leaving the archive as it was, when the archive does not exist, does not end in
    // an end record, already holds 65535 entries, or the member name is empty or longer than
    // CFILE_MAX_PATH_LENGTH.
    bool OpenArchiveAndAppend(char const* archiveName, char const* memberName);

    unsigned Write(void const* data, unsigned n) override;
    unsigned Read(void* data, unsigned n) override;
    bool SeekRelative(int offset) override;
    bool SeekAbsolute(int offset) override;
    unsigned GetPosition() override;
    unsigned GetLength() const override;
    void SetLength(unsigned long length) override;
    // Completes the member and writes the directory back; the archive is whole again.
    void Close() override;

    CFile m_ArchiveFile;
    char m_MemberName[CFILE_MAX_PATH_LENGTH + 1];
    // The archive's central directory as found, written back behind the new member.
    unsigned char* m_pSavedDirectory = nullptr;
    // The end record as found, less its signature.
    unsigned char m_EndRecord[ZipFormat::END_RECORD_BODY_SIZE];
    std::uint32_t m_LocalHeaderOffset = 0;
    std::uint32_t m_DataStart = 0;

private:
    // The signature of the end record as found, for putting the directory back unchanged.
    std::uint32_t m_FoundEndSignature = ZipFormat::END_SIGNATURE;

    void WriteLocalHeader(std::uint32_t memberLength);
    // The saved directory, then (when given) the new member's entry, then the end record.
    bool WriteDirectory(std::uint32_t directoryOffset, bool withNewMember,
                        std::uint32_t memberLength);
    void Release();
};

// A stream that appends memberName to the archive, or null.
CFileBuf* ZipFileOpenCreateAppendToArchive(char const* archiveName, char const* memberName);
