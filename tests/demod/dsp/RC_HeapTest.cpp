#include "demod/dsp/RC_Heap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

TEST(RC_Heap, ZeroBytesGiveNullAndSmallRequestsShareTheSmallestBlock) {
    EXPECT_EQ(RC_Alloc(0), nullptr);
    const std::size_t before = RC_GetHeapStatistics().bytesInUse;
    void* one = RC_Alloc(1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(RC_GetHeapStatistics().bytesInUse - before, 128u);
    void* sixtyFour = RC_Alloc(64);
    EXPECT_EQ(RC_GetHeapStatistics().bytesInUse - before, 256u);
    void* sixtyFive = RC_Alloc(65);
    EXPECT_EQ(RC_GetHeapStatistics().bytesInUse - before, 256u + 192u);
    for (void* p : {one, sixtyFour, sixtyFive}) {
        EXPECT_EQ(Address(p) % 64, 0u);
        RC_Free(p);
    }
    EXPECT_EQ(RC_GetHeapStatistics().bytesInUse, before);
}

TEST(RC_Heap, FreeingTheLastBlockReleasesTheHeapAndTheNextAllocationCreatesItAgain) {
    ASSERT_EQ(RC_GetHeapStatistics().regions, 0u) << "another test leaked a block";
    const std::uint64_t creations = RC_GetHeapStatistics().heapCreations;
    void* a = RC_Alloc(100);
    void* b = RC_Alloc(5000); // larger than the first region's rest: a second region
    EXPECT_EQ(RC_GetHeapStatistics().heapCreations, creations + 1);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 2u);
    RC_Free(b);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 1u);
    RC_Free(a);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
    void* c = RC_Alloc(10);
    EXPECT_EQ(RC_GetHeapStatistics().heapCreations, creations + 2);
    RC_Free(c);
}

TEST(RC_Heap, RegionsHoldTheirBlockWhateverTheHeaderSize) {
    // Block sizes right at a page multiple: the region must still find room for its header.
    std::vector<void*> blocks;
    for (std::size_t n = 4096 - 64 - 63; n <= 4096 + 64; n += 1) {
        void* p = RC_Alloc(n);
        ASSERT_NE(p, nullptr);
        std::memset(p, 0xA5, n);
        blocks.push_back(p);
    }
    for (void* p : blocks) {
        RC_Free(p);
    }
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
}

TEST(RC_Heap, ReallocKeepsSmallerRequestsInPlaceAndCopiesWhenGrowing) {
    auto* p = static_cast<unsigned char*>(RC_Alloc(100));
    for (int i = 0; i < 100; ++i) {
        p[i] = static_cast<unsigned char>(i);
    }
    EXPECT_EQ(RC_Realloc(p, 10), p);
    EXPECT_EQ(RC_Realloc(p, 120), p); // still inside its 192-byte block
    auto* grown = static_cast<unsigned char*>(RC_Realloc(p, 10000));
    ASSERT_NE(grown, nullptr);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(grown[i], i);
    }
    void* fresh = RC_Realloc(nullptr, 8);
    EXPECT_NE(fresh, nullptr);
    RC_Free(grown);
    RC_Free(fresh);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
}

TEST(RC_Heap, ForeignAndDoubleFreesAreIgnored) {
    int local = 0;
    void* p = RC_Alloc(32);
    RC_Free(&local);
    RC_Free(static_cast<char*>(p) + 8);
    RC_Free(p);
    RC_Free(p);
    RC_Free(nullptr);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
}

TEST(RC_Heap, RandomWorkloadKeepsBlocksApartAndReturnsEverything) {
    std::mt19937 random(7);
    std::vector<std::pair<unsigned char*, std::size_t>> live;
    for (int step = 0; step < 4000; ++step) {
        if (!live.empty() && random() % 3 == 0) {
            const std::size_t i = random() % live.size();
            auto [p, n] = live[i];
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_EQ(p[k], static_cast<unsigned char>(n)) << "a block was overwritten";
            }
            RC_Free(p);
            live.erase(live.begin() + static_cast<long>(i));
        } else {
            const std::size_t n = 1 + random() % 3000;
            auto* p = static_cast<unsigned char*>(RC_Alloc(n));
            ASSERT_NE(p, nullptr);
            ASSERT_EQ(Address(p) % 64, 0u);
            std::memset(p, static_cast<int>(n & 0xFF), n);
            live.emplace_back(p, n);
        }
    }
    for (auto [p, n] : live) {
        RC_Free(p);
    }
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
    EXPECT_EQ(RC_GetHeapStatistics().bytesInUse, 0u);
}

TEST(RC_Heap, ThreadsAllocatingAtOnceNeverShareABlock) {
    std::vector<std::thread> threads;
    std::atomic<int> damaged{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &damaged] {
            std::mt19937 random(static_cast<unsigned>(t));
            std::vector<std::pair<unsigned char*, std::size_t>> live;
            for (int step = 0; step < 3000; ++step) {
                if (!live.empty() && random() % 2 == 0) {
                    auto [p, n] = live.back();
                    live.pop_back();
                    for (std::size_t k = 0; k < n; ++k) {
                        if (p[k] != static_cast<unsigned char>(t)) {
                            ++damaged;
                            break;
                        }
                    }
                    RC_Free(p);
                } else {
                    const std::size_t n = 1 + random() % 500;
                    auto* p = static_cast<unsigned char*>(RC_Alloc(n));
                    std::memset(p, t, n);
                    live.emplace_back(p, n);
                }
            }
            for (auto [p, n] : live) {
                RC_Free(p);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(damaged.load(), 0);
    EXPECT_EQ(RC_GetHeapStatistics().regions, 0u);
}

} // namespace
