#include "CorvaneCore/MemoryPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <unistd.h>
#include <vector>

TEST(CMemoryPool, CarvesBlocksOfPiecesAndReusesFreedOnes) {
    CMemoryPool pool;
    EXPECT_EQ(pool.Allocate(), nullptr) << "no piece size yet";
    pool.SetPieceSize(12);
    pool.SetBlockSize(100);
    EXPECT_EQ(pool.GetPiecesPerBlock(), 8u);

    // Nine aligned pieces in two blocks, each with every byte its own.
    std::vector<unsigned char*> pieces;
    for (int i = 0; i < 9; ++i) {
        pieces.push_back(static_cast<unsigned char*>(pool.Allocate()));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pieces.back()) % alignof(void*), 0u);
        std::memset(pieces.back(), 0xA0 + i, 12);
    }
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(pieces[i][0] + pieces[i][11], 2 * (0xA0 + i));
    }
    pool.Free(pieces[3]);
    EXPECT_TRUE(pool.IsPieceFree(pieces[3]));
    EXPECT_EQ(pool.Allocate(), pieces[3]);
    for (unsigned char* piece : pieces) {
        pool.Free(piece);
    }
    EXPECT_EQ(pool.GetPiecesInUse(), 0u);
    // The destructor frees both blocks; the sanitizer build checks that nothing leaks, and that
    // pieces past the largest pooled size come from and go back to the heap.
    CMemoryPoolArray* array = CMemoryPoolArray::Instance();
    void* large = array->Allocate(600);
    std::memset(large, 0, 600);
    array->Free(large, 600);
    EXPECT_EQ(CMemoryPoolArray(0xFFFFFFFFu).GetNumPools(),
              CMemoryPoolArray::MAX_POOLED_SIZE / 4 + 1);
}
