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
    EXPECT_EQ(pool.Allocate(), pieces[3]);
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    for (unsigned char* piece : pieces) {
        pool.Free(piece);
    }
    EXPECT_EQ(pool.GetPiecesInUse(), 0u);
    // The destructor frees both blocks; the sanitizer build checks that nothing leaks.
}

// The kept blocks are never freed by design, so the scenario runs in a child process that
// leaves with _exit.
TEST(CMemoryPool, BlocksStayWhilePiecesAreHandedOut) {
    EXPECT_EXIT(
        {
            auto* pool = new CMemoryPool;
            pool->SetPieceSize(4);
            pool->SetBlockSize(4000);
            bool ok = pool->GetPiecesPerBlock() == 1000u;
            auto* survivor = static_cast<unsigned char*>(pool->Allocate());
            delete pool;
            // Still writable after the pool is gone (the sanitizer build would stop here).
            std::memset(survivor, 0x5A, 4);
            ok = ok && survivor[3] == 0x5A;
            _exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(CMemoryPoolArray, ProcessWideInstanceRoutesBySizeAndAbsurdSizesAreBounded) {
    CMemoryPoolArray* array = CMemoryPoolArray::Instance();

    // A 6-byte piece belongs to the 8-byte pool (pool 2).
    CMemoryPool& eight = array->GetPool(2);
    std::uint32_t inUse = eight.GetPiecesInUse();
    void* small = array->Allocate(6);
    EXPECT_EQ(eight.GetPiecesInUse(), inUse + 1);
    array->Free(small, 6);
    EXPECT_EQ(eight.GetPiecesInUse(), inUse);

    // Past the largest pooled size pieces come from and go back to the heap (the sanitizer
    // build checks that new[] and delete[] pair up).
    void* large = array->Allocate(600);
    std::memset(large, 0, 600);
    array->Free(large, 600);
    array->Free(nullptr, 600);

    CMemoryPoolArray huge(0xFFFFFFFFu);
    EXPECT_EQ(huge.GetNumPools(), CMemoryPoolArray::MAX_POOLED_SIZE / 4 + 1);
}
