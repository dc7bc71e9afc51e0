#include "CorvaneCore/MemoryPool.h"

#include <cstring>
#include <new>

namespace {

// Each block begins with the link to the next block; the pieces follow, each at least a
// pointer wide (a free piece holds the free-list link) and pointer-aligned.
constexpr std::size_t BLOCK_HEADER_SIZE = sizeof(void*);

void* nextOf(void* item) {
    void* next;
    std::memcpy(&next, item, sizeof(next));
    return next;
}

void setNext(void* item, void* next) {
    std::memcpy(item, &next, sizeof(next));
}

} // namespace

CMemoryPool::CMemoryPool()
    : m_PieceSize(0), m_pBlocks(nullptr), m_pFreeList(nullptr), m_PiecesPerBlock(64),
      m_PiecesInUse(0) {}

CMemoryPool::~CMemoryPool() {
    // Pieces still handed out must stay valid, so their blocks are kept for the process.
    if (m_PiecesInUse != 0) {
        return;
    }
    void* block = m_pBlocks;
    while (block) {
        void* next = nextOf(block);
        delete[] static_cast<char*>(block);
        block = next;
    }
    m_pBlocks = nullptr;
    m_pFreeList = nullptr;
}

void CMemoryPool::SetPieceSize(std::uint32_t size) {
    m_PieceSize = size < 4 ? 4 : size;
}

void CMemoryPool::SetBlockSize(std::uint32_t bytes) {
    if (m_PieceSize == 0) {
        return;
    }
    std::uint32_t pieces = bytes / m_PieceSize;
    m_PiecesPerBlock = pieces == 0 ? 1 : pieces;
}

std::size_t CMemoryPool::PieceStride() const {
    std::size_t stride = m_PieceSize;
    std::size_t const alignment = alignof(void*);
    if (stride < sizeof(void*)) {
        stride = sizeof(void*);
    }
    return (stride + alignment - 1) / alignment * alignment;
}

void* CMemoryPool::Allocate() {
    if (m_PieceSize == 0) {
        return nullptr;
    }
    if (!m_pFreeList) {
        std::size_t stride = PieceStride();
        char* block = new char[BLOCK_HEADER_SIZE + stride * m_PiecesPerBlock];
        setNext(block, m_pBlocks);
        m_pBlocks = block;
        // Thread the new pieces onto the free list so that they are handed out in address
        // order.
        char* pieces = block + BLOCK_HEADER_SIZE;
        for (std::uint32_t i = m_PiecesPerBlock; i-- > 0;) {
            char* piece = pieces + i * stride;
            setNext(piece, m_pFreeList);
            m_pFreeList = piece;
        }
    }
    void* piece = m_pFreeList;
    m_pFreeList = nextOf(piece);
    ++m_PiecesInUse;
    return piece;
}

void CMemoryPool::Free(void* piece) {
    if (!piece) {
        return;
    }
    setNext(piece, m_pFreeList);
    m_pFreeList = piece;
    if (m_PiecesInUse > 0) {
        --m_PiecesInUse;
    }
}

bool CMemoryPool::IsPieceFree(void const* piece) const {
    for (void* item = m_pFreeList; item; item = nextOf(item)) {
        if (item == piece) {
            return true;
        }
    }
    return false;
}

std::size_t CMemoryPool::GetBlockCount() const {
    std::size_t count = 0;
    for (void* block = m_pBlocks; block; block = nextOf(block)) {
        ++count;
    }
    return count;
}

CMemoryPoolArray* CMemoryPoolArray::s_pTheMemoryPoolArray = nullptr;

CMemoryPoolArray::CMemoryPoolArray(std::uint32_t largest)
    : m_LargestPooledSize(0), m_NumPools(0), m_pPools(nullptr) {
    // Bounded so that a wild size cannot ask for a huge table of pools; larger pieces simply
    // come from the heap.
    if (largest > MAX_POOLED_SIZE) {
        largest = MAX_POOLED_SIZE;
    }
    m_LargestPooledSize = (largest + 3) / 4 * 4;
    m_NumPools = (largest + 3) / 4 + 1;
    m_pPools = new CMemoryPool[m_NumPools];
    for (std::uint32_t i = 0; i < m_NumPools; ++i) {
        m_pPools[i].SetPieceSize(i == 0 ? 4 : 4 * i);
        m_pPools[i].SetBlockSize(4000);
    }
}

CMemoryPoolArray::~CMemoryPoolArray() {
    delete[] m_pPools;
}

CMemoryPoolArray* CMemoryPoolArray::Instance() {
    // The array lives until the process ends: pieces may be freed from global destructors.
    static bool s_bCreated = false;
    if (!s_bCreated) {
        s_pTheMemoryPoolArray = new CMemoryPoolArray(500);
        s_bCreated = true;
    }
    return s_pTheMemoryPoolArray;
}

void* CMemoryPoolArray::Allocate(std::uint32_t size) {
    if (size > m_LargestPooledSize) {
        return new char[size];
    }
    return m_pPools[(size + 3) / 4].Allocate();
}

void CMemoryPoolArray::Free(void* piece, std::uint32_t size) {
    if (size > m_LargestPooledSize) {
        delete[] static_cast<char*>(piece);
        return;
    }
    m_pPools[(size + 3) / 4].Free(piece);
}

void* CPooledClassBase::operator new(std::size_t size) {
    return ::operator new(size);
}

// The size is not needed by the general heap (and the sized global form is not available with
// every compiler's default flags).
void CPooledClassBase::operator delete(void* piece, std::size_t /*size*/) {
    ::operator delete(piece);
}
