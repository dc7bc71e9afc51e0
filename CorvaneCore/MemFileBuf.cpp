#include "CorvaneCore/MemFileBuf.h"

#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"

#include <algorithm>
#include <cstring>
#include <new>

CMemFileBuf::CMemFileBuf()
    : m_Position(0), m_Length(0), m_Capacity(0), m_pData(nullptr), m_bOwnsBuffer(false) {
    Create(0);
}

CMemFileBuf::CMemFileBuf(unsigned char* buffer, unsigned size)
    : m_Position(0), m_Length(size), m_Capacity(size), m_pData(buffer),
      m_bOwnsBuffer(buffer != nullptr) {
    if (!buffer) {
        m_Length = 0;
        m_Capacity = 0;
    }
}

CMemFileBuf::~CMemFileBuf() {
    CMemFileBuf::Close();
}

void CMemFileBuf::Create(unsigned size) {
    CMemFileBuf::Close();
    Expand(size);
}

bool CMemFileBuf::Expand(unsigned needed) {
    if (m_Capacity >= needed) {
        return true;
    }
    if (m_Capacity != 0 && !m_bOwnsBuffer) {
        return false;
    }
    // Half again (at least 4 bytes more) keeps runs of small writes amortised.
    std::uint64_t grown = std::max<std::uint64_t>(
        {std::uint64_t{m_Capacity} + m_Capacity / 2, std::uint64_t{m_Capacity} + 4, needed});
    auto capacity = static_cast<std::uint32_t>(std::min<std::uint64_t>(grown, 0xFFFFFFFFu));
    auto* data = new (std::nothrow) unsigned char[capacity];
    if (!data) {
        return false;
    }
    if (m_pData) {
        std::memcpy(data, m_pData, std::min(m_Length, m_Capacity));
    }
    if (m_bOwnsBuffer) {
        delete[] m_pData;
    }
    m_pData = data;
    m_Capacity = capacity;
    m_bOwnsBuffer = true;
    return true;
}

bool CMemFileBuf::IsBuffered() {
    return true;
}

unsigned CMemFileBuf::Write(void const* data, unsigned n) {
    std::uint64_t end = std::uint64_t{m_Position} + n;
    if (end > 0xFFFFFFFFu || (n > 0 && !data)) {
        return 0;
    }
    if (end > m_Length) {
        if (!Expand(static_cast<std::uint32_t>(end))) {
            return 0;
        }
        m_Length = static_cast<std::uint32_t>(end);
    }
    if (n == 0) {
        return 0;
    }
    std::memcpy(m_pData + m_Position, data, n);
    m_Position += n;
    return n;
}

unsigned CMemFileBuf::Read(void* data, unsigned n) {
    if (m_Position >= m_Length || !data) {
        return 0;
    }
    unsigned count = std::min(n, m_Length - m_Position);
    std::memcpy(data, m_pData + m_Position, count);
    m_Position += count;
    return count;
}

bool CMemFileBuf::SeekRelative(int offset) {
    m_Position += static_cast<std::uint32_t>(offset);
    return true;
}

bool CMemFileBuf::SeekAbsolute(int offset) {
    m_Position = static_cast<std::uint32_t>(offset);
    return true;
}

unsigned CMemFileBuf::GetPosition() {
    return m_Position;
}

unsigned CMemFileBuf::GetLength() const {
    return m_Length;
}

void CMemFileBuf::Close() {
    if (m_bOwnsBuffer) {
        delete[] m_pData;
    }
    m_pData = nullptr;
    m_bOwnsBuffer = false;
    m_Position = 0;
    m_Length = 0;
    m_Capacity = 0;
    CFileBuf::Close();
}

bool CMemFileBuf::GetCanDoVirtualRead() const {
    return true;
}

unsigned char* CMemFileBuf::VirtualRead(unsigned n) {
    if (!m_pData || m_Position > m_Length || n > m_Length - m_Position) {
        return nullptr;
    }
    unsigned char* bytes = m_pData + m_Position;
    m_Position += n;
    return bytes;
}

unsigned char* CMemFileBuf::DetachBuffer() {
    unsigned char* data = m_pData;
    m_pData = nullptr;
    m_bOwnsBuffer = false;
    CMemFileBuf::Close();
    return data;
}

bool CMemFileBuf::ReadLine(CJString* line) {
    if (!line || m_Position >= m_Length) {
        return false;
    }
    std::uint32_t end = m_Position;
    while (end < m_Length && m_pData[end] != '\r' && m_pData[end] != '\n') {
        ++end;
    }
    line->EmptyContentsButPreserveBuffer();
    std::uint32_t count = end - m_Position;
    if (count > 0) {
        char* text = line->GetBufferDiscardOldData(count);
        std::memcpy(text, m_pData + m_Position, count);
        line->ReleaseBuffer(count);
        m_Position = end;
    }
    if (m_Position >= m_Length) {
        return true;
    }
    if (m_pData[m_Position] == '\r') {
        ++m_Position;
        if (m_Position >= m_Length) {
            return true;
        }
    }
    if (m_pData[m_Position] == '\n') {
        ++m_Position;
    }
    return true;
}

CMemFileBuf* CMemFileBuf::CreateFromFile(CFile* file) {
    if (!file || !file->IsOpen()) {
        return nullptr;
    }
    unsigned length = file->GetLength();
    if (length == 0) {
        return new CMemFileBuf;
    }
    auto* data = new (std::nothrow) unsigned char[length];
    if (!data) {
        return nullptr;
    }
    // A short read would leave bytes nobody wrote in the copy; that is no copy of the file.
    if (!file->SeekAbsolute(0) || file->Read(data, length) != length) {
        delete[] data;
        return nullptr;
    }
    return new CMemFileBuf(data, length);
}

CMemFileBuf* CMemFileBuf::CreateFromFile(char const* name, unsigned flags) {
    CFile file;
    if (!file.Open(name, flags)) {
        return nullptr;
    }
    return CreateFromFile(&file);
}
