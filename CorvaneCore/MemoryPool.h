// Fixed-size piece allocation: CMemoryPool hands out pieces of one size carved from blocks,
// CMemoryPoolArray keeps one pool per multiple of 4 bytes up to a largest size.
#pragma once

#include <cstddef>
#include <cstdint>

class CMemoryPool {
public:
    CMemoryPool();
    ~CMemoryPool();
    CMemoryPool(CMemoryPool const&) = delete;
    CMemoryPool& operator=(CMemoryPool const&) = delete;

    void SetPieceSize(std::uint32_t size);
    // Pieces per block = bytes / piece size (at least 1); set the piece size first.
    void SetBlockSize(std::uint32_t bytes);

    // A piece of at least the piece size, aligned for pointers; null only when the piece size
    // has not been set.
    void* Allocate();
    // Gives back a piece that Allocate of this pool handed out.
    void Free(void* piece);

    std::uint32_t GetPieceSize() const { return m_PieceSize; }
    std::uint32_t GetPiecesPerBlock() const { return m_PiecesPerBlock; }
    std::uint32_t GetPiecesInUse() const { return m_PiecesInUse; }
    // Whether the piece is on the free list (walks the list; for checks, not for hot paths).
    bool IsPieceFree(void const* piece) const;
    std::size_t GetBlockCount() const;

private:
    std::size_t PieceStride() const;

    std::uint32_t m_PieceSize;
    void* m_pBlocks;
    void* m_pFreeList;
    std::uint32_t m_PiecesPerBlock;
    std::uint32_t m_PiecesInUse;
};

class CMemoryPoolArray {
public:
    // Pools for every size up to largest (rounded up to a multiple of 4; sizes above
    // MAX_POOLED_SIZE are not pooled).
    explicit CMemoryPoolArray(std::uint32_t largest);
    ~CMemoryPoolArray();
    CMemoryPoolArray(CMemoryPoolArray const&) = delete;
    CMemoryPoolArray& operator=(CMemoryPoolArray const&) = delete;

    static constexpr std::uint32_t MAX_POOLED_SIZE = 65536;

    // The process-wide array (pools up to 500 bytes), created on the first call.
    static CMemoryPoolArray* Instance();
    static CMemoryPoolArray* s_pTheMemoryPoolArray;

    // A piece of size bytes: from pool (size + 3) / 4, or a new char array when larger than
    // the largest pooled size. Give it back with Free and the same size.
    void* Allocate(std::uint32_t size);
    void Free(void* piece, std::uint32_t size);

    std::uint32_t GetLargestPooledSize() const { return m_LargestPooledSize; }
    std::uint32_t GetNumPools() const { return m_NumPools; }
    CMemoryPool& GetPool(std::uint32_t index) { return m_pPools[index]; }

private:
    std::uint32_t m_LargestPooledSize;
    std::uint32_t m_NumPools;
    CMemoryPool* m_pPools;
};

// Allocation base of the stream classes; they live on the general heap.
class CPooledClassBase {
public:
    static void* operator new(std::size_t size);
    static void operator delete(void* piece, std::size_t size);
};
