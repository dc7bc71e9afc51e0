// The stream over one stored member of a zip archive. Positions are kept as absolute offsets
// in the archive file, and a stream that shares the archive's file seeks before every
// transfer, so any number of member streams can be used in any interleaving.
#pragma once

#include "CorvaneCore/FileBuf.h"

#include <cstdint>

class CFile;
class CFileEntry;
class CZipArchive;

class CZipFileBuf : public CFileBuf {
public:
    CZipFileBuf() = default;
    ~CZipFileBuf() override;

    // With CFILE_ZIP_OWN_HANDLE in mode the stream opens its own CFile on archivePath;
    // otherwise it shares archiveFile through the archive's open-file count.
    bool PrivateOpen(unsigned dataStart, CFileEntry* entry, CFile* archiveFile,
                     char const* archivePath, CZipArchive* archive, unsigned mode);

    unsigned Write(void const* data, unsigned n) override;
    unsigned Read(void* data, unsigned n) override;
    bool SeekRelative(int offset) override;
    bool SeekAbsolute(int offset) override;
    unsigned GetPosition() override;
    unsigned GetLength() const override;
    void SetLength(unsigned long length) override;
    void Close() override;

    CFileEntry* GetEntry() const { return m_pEntry; }

    bool m_bOwnHandle = false;
    std::uint32_t m_Position = 0;
    CFileEntry* m_pEntry = nullptr;
    CFile* m_pFile = nullptr;
    CZipArchive* m_pArchive = nullptr;
    unsigned m_OpenFlags = 0;

private:
    std::uint32_t m_DataStart = 0;
};
