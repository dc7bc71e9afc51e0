// CFile: the object callers hold. It turns a name and an open mode into one stream (disk file,
// memory stream, compressed file or archive member), owns that stream and forwards to it.
#pragma once

#include "CorvaneCore/CJString.h"
#include "CorvaneCore/FileBuf.h"

#include <cstdint>

// The data directory: plain names are looked up here first. Initially ".".
extern char pDataDir[CFILE_MAX_PATH_LENGTH + 1];
// When set, NewOpen consults the archive tree. Nothing in this program sets it.
extern bool UsingZipFile;

class CFile {
public:
    CFile();
    virtual ~CFile();
    CFile(CFile const&) = delete;
    CFile& operator=(CFile const&) = delete;

    // Closes what the file holds first. Fails for a null or empty name, a name longer than
    // CFILE_MAX_PATH_LENGTH, or when no stream can be made for it. A name made with
    // CFileBuf::MakeHandleName takes its registered stream over and spends the handle.
    bool Open(char const* name, unsigned mode);
    // Takes ownership of the stream; false for null.
    bool Open(CFileBuf* stream, unsigned mode);
    // For a compressed file opened for writing, this is when the disk file gets written.
    virtual void Close();

    unsigned Read(void* data, unsigned n);
    unsigned Write(void const* data, unsigned n);
    bool SeekAbsolute(int offset);
    bool SeekRelative(int offset);
    unsigned GetPosition();
    unsigned GetLength() const;
    void SetLength(unsigned long length);

    // 32-bit values, least significant byte first. The output operators write the low 32 bits.
    CFile& operator<<(unsigned int value);
    CFile& operator<<(unsigned long value);
    CFile& operator<<(long value);
    // The variable is left unchanged when fewer than 4 bytes remain.
    CFile& operator>>(unsigned int& value);
    // The 32-bit value is sign-extended, as a 32-bit long would hold it.
    CFile& operator>>(long& value);

    // Shifts count bytes from source down to destination (below source); false without a
    // stream, when destination is above source, or when a transfer falls short.
    bool MoveBytesWithinFile(unsigned long destination, unsigned long source, unsigned long count);

    CFileBuf* GetFileBuf() const { return m_pFileBuf; }
    bool IsOpen() const { return m_pFileBuf != nullptr; }

    CFileBuf* m_pFileBuf;
    unsigned m_OpenFlags;
    // Reads shorter than 2000 bytes since the last open; a diagnostic nobody reads.
    unsigned m_NumSmallReads;
    CJString m_FileName;
    CJString m_CompressedFileName;

    static int m_CurNumFilesOpen;
    static int m_MaxNumFilesOpen;

private:
    bool OpenCompressedForReading(char const* name, unsigned mode);
    void WriteCompressedContent();
    void CountOpenFile();
    bool ReadLittleEndian32(std::uint32_t* value);
};
