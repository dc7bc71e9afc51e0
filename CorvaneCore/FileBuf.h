// The byte-stream interface of the foundation library. CFileBuf itself is the stream over a disk
// file (a stdio FILE); the memory stream, the zip member streams and the appending zip stream
// derive from it and keep the order of its virtual operations.
#pragma once

#include "CorvaneCore/MemoryPool.h"

#include <cstdint>
#include <cstdio>

class CJString;

// Open-mode bits; every other bit of a mode is ignored.
// With CFILE_WRITE: create or truncate ("wb"; "w+b" when CFILE_READ is set too).
constexpr unsigned CFILE_CREATE = 0x0001;
constexpr unsigned CFILE_WRITE = 0x0002;
constexpr unsigned CFILE_READ = 0x0004;
constexpr unsigned CFILE_ZIP_OWN_HANDLE = 0x0010;
constexpr unsigned CFILE_NAME_AS_GIVEN = 0x0020;
constexpr unsigned CFILE_NO_DISK_FILE = 0x0040;
constexpr unsigned CFILE_CREATE_DIRECTORIES = 0x0100;
constexpr unsigned CFILE_LOAD_INTO_MEMORY = 0x0200;
constexpr unsigned CFILE_COMPRESSED = 0x0800;
constexpr unsigned CFILE_CLEAR_READ_ONLY = 0x1000;
// Set only by NewOpen for archive lookups: a member qualifies only when its entry is marked.
constexpr unsigned CFILE_MARKED_MEMBERS_ONLY = 0x8000;

// Longest name or joined path an open accepts, in characters (the terminator comes on top).
// Longer names are refused rather than cut, so an open never reaches a different file.
constexpr unsigned CFILE_MAX_PATH_LENGTH = 1024;

// "~CFileBuf 0x": a name made of this prefix and 8 hexadecimal digits designates a live stream
// (see CFileBuf::RegisterHandle).
extern const char* pFileBufPrefixString;
// Prefix, 8 digits and the terminator.
constexpr unsigned CFILEBUF_HANDLE_NAME_SIZE = 12 + 8 + 1;

class CFileBuf : public CPooledClassBase {
public:
    CFileBuf();
    virtual ~CFileBuf();
    CFileBuf(CFileBuf const&) = delete;
    CFileBuf& operator=(CFileBuf const&) = delete;

    virtual bool IsBuffered();
    virtual unsigned Write(void const* data, unsigned n);
    virtual unsigned Read(void* data, unsigned n);
    virtual bool SeekRelative(int offset);
    virtual bool SeekAbsolute(int offset);
    // 0xFFFFFFFF when no stream is open.
    virtual unsigned GetPosition();
    virtual unsigned GetLength() const;
    virtual void SetLength(unsigned long length);
    virtual void Close();
    virtual bool GetCanDoVirtualRead() const;
    virtual unsigned char* VirtualRead(unsigned n);
    virtual unsigned char* DetachBuffer();
    // The next line without its line end; false at the end of the content (or when the stream
    // stops delivering bytes before its end).
    virtual bool ReadLine(CJString* line);
    virtual bool ReadLine(char* buffer, unsigned size);

    // The stream for a name and open mode: a registered stream handle is not looked up here
    // (CFile::Open does that); otherwise a disk file. Null on failure.
    static CFileBuf* NewOpen(char const* name, unsigned mode);
    // Opens the disk file of this stream (the data directory first, see CFile).
    bool ProtectedOpen(char const* name, unsigned mode);
    // The live stream a "~CFileBuf 0x" name designates, or null.
    static CFileBuf* GetFileBufFromFileName(char const* name);

    // One attempt of the line reader with a buffer of size bytes (terminator included).
    bool ReadLineChunkIntoFixedSizeBuffer(char* buffer, unsigned size);
    // CRC-32 of the whole content; leaves the position after the last byte read.
    unsigned long CalculateCRC32();

    // Stream handles. A 64-bit address does not fit the 32 bits of a handle name, so handles
    // are numbers handed out from a table of registered streams, never addresses: a stale or
    // made-up name finds nothing instead of a wild pointer. Registering again gives the same
    // number; destruction unregisters.
    std::uint32_t RegisterHandle();
    void UnregisterHandle();
    std::uint32_t GetHandle() const { return m_Handle; }
    // Writes the handle name of value into name (CFILEBUF_HANDLE_NAME_SIZE bytes).
    static void MakeHandleName(std::uint32_t value, char* name);

    FILE* m_pStream;
    bool m_bOpen;

private:
    enum class LastTransfer : std::uint8_t { None, Read, Write };
    // stdio wants a positioning call between a write and a following read (and back).
    void PrepareTransfer(LastTransfer next);
    bool ReadLineChunk(char* buffer, unsigned size, bool* shortRead);

    LastTransfer m_LastTransfer = LastTransfer::None;
    std::uint32_t m_Handle = 0;
    CFileBuf* m_pNextRegistered = nullptr;
    CFileBuf* m_pPrevRegistered = nullptr;
};
