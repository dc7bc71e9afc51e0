// CMemFileBuf: the stream interface over a growable byte buffer, for files loaded into memory
// and for the content of compressed files.
//
// Running out of memory: growth and loading ask the heap without throwing. A write the buffer
// cannot grow for writes nothing and returns 0, and CreateFromFile returns null, so callers see
// the ordinary failure results of the stream interface. Lengths are 32-bit: a write whose end
// would pass 0xFFFFFFFF is refused the same way.
#pragma once

#include "CorvaneCore/FileBuf.h"

#include <cstdint>

class CFile;

class CMemFileBuf : public CFileBuf {
public:
    CMemFileBuf();
    // Takes over buffer (from new[]) holding size bytes.
    CMemFileBuf(unsigned char* buffer, unsigned size);
    ~CMemFileBuf() override;

    // Drops the content and starts over with room for size bytes (no buffer for 0).
    void Create(unsigned size);
    // Grows the capacity to at least needed; false when that memory is not available.
    bool Expand(unsigned needed);

    bool IsBuffered() override;
    unsigned Write(void const* data, unsigned n) override;
    unsigned Read(void* data, unsigned n) override;
    bool SeekRelative(int offset) override;
    bool SeekAbsolute(int offset) override;
    unsigned GetPosition() override;
    unsigned GetLength() const override;
    void Close() override;
    bool GetCanDoVirtualRead() const override;
    // Null when fewer than n bytes remain after the position (nothing advances then).
    unsigned char* VirtualRead(unsigned n) override;
    // The caller owns the returned buffer (free it with delete[]); the stream is then empty.
    unsigned char* DetachBuffer() override;
    // CR LF, a lone CR and a lone LF each end one line.
    bool ReadLine(CJString* line) override;
    using CFileBuf::ReadLine;

    // The whole content of the open file, read from its start; null when it cannot be read
    // completely or the memory for it is not available.
    static CMemFileBuf* CreateFromFile(CFile* file);
    static CMemFileBuf* CreateFromFile(char const* name, unsigned flags);

    unsigned GetCapacity() const { return m_Capacity; }
    unsigned char const* GetData() const { return m_pData; }

    std::uint32_t m_Position;
    std::uint32_t m_Length;
    std::uint32_t m_Capacity;
    unsigned char* m_pData;
    bool m_bOwnsBuffer;
};
