#include "engine/core/ZAllocBase.h"
#include "engine/core/ZPoolObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace
{
bool Aligned16(const void* p)
{
    return reinterpret_cast<uintptr_t>(p) % 16 == 0;
}

TEST(AllocMain, PoolBlocksGoOutInIndexOrderAndComeBackLastInFirstOut)
{
    auto a = std::make_unique<ZAllocMain>();
    void* b0 = a->Alloc(32);
    void* b1 = a->Alloc(32);
    EXPECT_EQ(static_cast<char*>(b1) - static_cast<char*>(b0), 32);
    EXPECT_TRUE(a->IsPoolBlock(b0));
    EXPECT_EQ(a->PoolBlocksTaken(32), 2u);
    EXPECT_EQ(a->UsedBytes(), 64);
    a->Free(b0);
    EXPECT_EQ(a->Alloc(32), b0);
    for (uint32_t size : {16u, 48u, 64u})
    {
        void* p = a->Alloc(size);
        EXPECT_TRUE(a->IsPoolBlock(p));
        EXPECT_TRUE(Aligned16(p));
        EXPECT_EQ(a->PoolBlocksTaken(size), 1u);
    }
    EXPECT_EQ(a->AllocationCount(), 6);
    EXPECT_EQ(a->FreeBytes(), 536870912);
}

TEST(AllocMain, OtherSizesComeFromTheHeapAligned)
{
    auto a = std::make_unique<ZAllocMain>();
    std::vector<void*> blocks;
    for (size_t size : {0, 1, 15, 17, 33, 47, 63, 65, 1000, 100000})
    {
        void* p = a->Alloc(size);
        ASSERT_NE(p, nullptr);
        EXPECT_FALSE(a->IsPoolBlock(p)) << size;
        EXPECT_TRUE(Aligned16(p)) << size;
        std::memset(p, 0xab, size); // the whole requested size is usable
        blocks.push_back(p);
    }
    EXPECT_EQ(a->UsedBytes(), 0 + 1 + 15 + 17 + 33 + 47 + 63 + 65 + 1000 + 100000);
    const int64_t peak = a->PeakBytes();
    for (void* p : blocks)
        a->Free(p);
    EXPECT_EQ(a->UsedBytes(), 0);
    EXPECT_EQ(a->PeakBytes(), peak);
    a->Free(nullptr);
}

TEST(AllocMain, ExhaustedPoolFallsBackToTheHeapAndTakesBlocksBack)
{
    auto a = std::make_unique<ZAllocMain>();
    std::vector<void*> blocks;
    for (int i = 0; i < 20000; ++i)
        blocks.push_back(a->Alloc(32));
    EXPECT_EQ(a->PoolBlocksTaken(32), 20000u);
    void* extra = a->Alloc(32);
    EXPECT_FALSE(a->IsPoolBlock(extra));
    EXPECT_TRUE(Aligned16(extra));
    a->Free(extra);
    EXPECT_EQ(a->PoolBlocksTaken(32), 20000u);
    for (void* p : blocks)
        a->Free(p);
    EXPECT_EQ(a->PoolBlocksTaken(32), 0u);
    EXPECT_EQ(a->UsedBytes(), 0);
}

TEST(AllocMain, PoolsUnderConcurrentUseFromSeveralThreads)
{
    auto a = std::make_unique<ZAllocMain>();
    constexpr int kThreads = 6;
    constexpr int kRounds = 300;
    std::atomic<int> corrupted{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                const uint32_t sizes[] = {16, 32, 48, 64, 40};
                std::vector<std::pair<unsigned char*, uint32_t>> live;
                for (int round = 0; round < kRounds; ++round)
                {
                    for (int k = 0; k < 20; ++k)
                    {
                        const uint32_t size = sizes[(round + k) % 5];
                        auto p = static_cast<unsigned char*>(a->Alloc(size));
                        std::memset(p, t + 1, size);
                        live.emplace_back(p, size);
                    }
                    // Free every other block, checking that nobody else wrote into it meanwhile.
                    for (size_t i = 0; i < live.size(); i += 2)
                    {
                        for (uint32_t b = 0; b < live[i].second; ++b)
                        {
                            if (live[i].first[b] != t + 1)
                            {
                                ++corrupted;
                                break;
                            }
                        }
                        a->Free(live[i].first);
                    }
                    std::vector<std::pair<unsigned char*, uint32_t>> kept;
                    for (size_t i = 1; i < live.size(); i += 2)
                        kept.push_back(live[i]);
                    live.swap(kept);
                }
                for (auto& [p, size] : live)
                    a->Free(p);
            });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(corrupted.load(), 0);
    EXPECT_EQ(a->AllocationCount(), int64_t(kThreads) * kRounds * 20);
    EXPECT_EQ(a->UsedBytes(), 0);
    for (uint32_t size : {16u, 32u, 48u, 64u})
        EXPECT_EQ(a->PoolBlocksTaken(size), 0u) << size;
}

// The pointer leaves through a volatile store: an optimising compiler may otherwise drop a new
// whose result is never used, together with its delete, and the hook would see neither.
template <class T> T* Escape(T* pointer)
{
    static T* volatile s_sink = nullptr;
    s_sink = pointer;
    return s_sink;
}

TEST(AllocHook, GlobalNewAndDeleteGoThroughTheHook)
{
    ZAllocBase* hook = GetAllocHook();
    const int64_t before = hook->AllocationCount();
    auto* value = Escape(new int64_t[4]);
    const int64_t used = hook->UsedBytes();
    EXPECT_GE(hook->AllocationCount(), before + 1);
    delete[] value;
    EXPECT_LT(hook->UsedBytes(), used);

    struct alignas(64) Wide
    {
        char bytes[64];
    };
    auto* wide = Escape(new Wide);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % 64, 0u);
    delete wide;

    void* raw = EngineNew(48);
    EXPECT_NE(raw, nullptr);
    EngineDelete(raw);
    EngineDelete(nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
// Pool blocks are static memory, so the sanitizer only sees misuse of them through the poisoning.
TEST(AllocHookDeathTest, UseOfAFreedPoolBlockIsReported)
{
    EXPECT_DEATH(
        {
            auto* p = static_cast<volatile char*>(EngineNew(32));
            EngineDelete(const_cast<char*>(p));
            p[3] = 1;
        },
        "use-after-poison");
}
#endif

// --- static allocator ------------------------------------------------------------------------------

TEST(AllocStatic, FirstFitWith16AlignedBlocks)
{
    ZAllocStaticArena<4096> arena;
    EXPECT_EQ(arena.FreeEntryCount(), 1u);
    void* a = arena.Alloc(5);
    void* b = arena.Alloc(16);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(Aligned16(a));
    EXPECT_TRUE(Aligned16(b));
    EXPECT_EQ(static_cast<char*>(b) - static_cast<char*>(a), 32); // 5 + header rounded up
    EXPECT_EQ(arena.UsedBytes(), 32 + 32);
    EXPECT_EQ(arena.AllocationCount(), -1);
    EXPECT_EQ(arena.Alloc(5000), nullptr);
}

TEST(AllocStatic, NeighboursFreedInEitherOrderBecomeOneEntry)
{
    for (bool lowFirst : {true, false})
    {
        SCOPED_TRACE(lowFirst);
        ZAllocStaticArena<4096> arena;
        const uint32_t whole = arena.LargestFreeBlock();
        void* a = arena.Alloc(100);
        void* b = arena.Alloc(100);
        void* c = arena.Alloc(100);
        arena.Free(lowFirst ? a : b);
        arena.Free(lowFirst ? b : a);
        EXPECT_EQ(arena.FreeEntryCount(), 2u);
        EXPECT_EQ(arena.LargestFreeBlock(), whole - 3 * 128);
        arena.Free(c);
        EXPECT_EQ(arena.FreeEntryCount(), 1u);
        EXPECT_EQ(arena.LargestFreeBlock(), whole);
        EXPECT_EQ(arena.UsedBytes(), 0);
    }
}

TEST(AllocStatic, FullBufferRefusesAndReusesFreedSpace)
{
    ZAllocStaticArena<1024> arena;
    std::vector<void*> blocks;
    while (void* p = arena.Alloc(48))
        blocks.push_back(p);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(arena.Alloc(48), nullptr);
    // Free from the middle outward, then everything: the buffer must come back whole.
    for (size_t i = blocks.size() / 2; i < blocks.size(); ++i)
        arena.Free(blocks[i]);
    for (size_t i = 0; i < blocks.size() / 2; ++i)
        arena.Free(blocks[i]);
    EXPECT_EQ(arena.FreeEntryCount(), 1u);
    EXPECT_EQ(arena.UsedBytes(), 0);
    EXPECT_NE(arena.Alloc(48), nullptr);
}

TEST(AllocStatic, ScatteredFreesKeepEveryBlockIntact)
{
    ZAllocStaticArena<8192> arena;
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t i = 0; i < 40; ++i)
    {
        const size_t size = 8 + (i * 7) % 90;
        auto p = static_cast<unsigned char*>(arena.Alloc(size));
        ASSERT_NE(p, nullptr);
        std::memset(p, int(i), size);
        blocks.emplace_back(p, size);
    }
    for (size_t i = 0; i < blocks.size(); i += 3)
        arena.Free(blocks[i].first);
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        if (i % 3 == 0)
            continue;
        for (size_t b = 0; b < blocks[i].second; ++b)
            ASSERT_EQ(blocks[i].first[b], static_cast<unsigned char>(i));
    }
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        if (i % 3 != 0)
            arena.Free(blocks[i].first);
    }
    EXPECT_EQ(arena.FreeEntryCount(), 1u);
    EXPECT_EQ(arena.UsedBytes(), 0);
}

TEST(AllocStatic, RandomOrderKeepsBlocksIntactAndComesBackWhole)
{
    ZAllocStaticArena<16384> arena;
    const uint32_t whole = arena.LargestFreeBlock();
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    struct Block
    {
        unsigned char* p;
        size_t size;
        unsigned char fill;
    };
    std::vector<Block> live;
    for (int step = 0; step < 3000; ++step)
    {
        if (live.empty() || next() % 3 != 0)
        {
            const size_t size = 1 + next() % 200;
            auto p = static_cast<unsigned char*>(arena.Alloc(size));
            if (!p)
                continue;
            ASSERT_TRUE(Aligned16(p));
            const auto fill = static_cast<unsigned char>(next());
            std::memset(p, fill, size);
            live.push_back({p, size, fill});
        }
        else
        {
            const size_t k = next() % live.size();
            for (size_t b = 0; b < live[k].size; ++b)
                ASSERT_EQ(live[k].p[b], live[k].fill) << "step " << step;
            arena.Free(live[k].p);
            live.erase(live.begin() + std::ptrdiff_t(k));
        }
    }
    for (const Block& block : live)
        arena.Free(block.p);
    EXPECT_EQ(arena.FreeEntryCount(), 1u);
    EXPECT_EQ(arena.LargestFreeBlock(), whole);
    EXPECT_EQ(arena.UsedBytes(), 0);
}

// --- pooled objects ------------------------------------------------------------------------------

struct Pooled : ZPoolObject<Pooled, 4>
{
    virtual ~Pooled() = default;
    int value = 0;
};
struct BiggerPooled : Pooled
{
    char more[100] = {};
};

TEST(PoolObject, RecyclesSlotsInBlocks)
{
    std::vector<Pooled*> objects;
    for (int i = 0; i < 5; ++i)
        objects.push_back(new Pooled);
    EXPECT_EQ(Pooled::PoolCapacity(), 8u);
    EXPECT_EQ(Pooled::PoolFreeCount(), 3u);
    Pooled* last = objects.back();
    delete last;
    objects.pop_back();
    EXPECT_EQ(new Pooled, last);
    objects.push_back(last);
    Pooled* bigger = new BiggerPooled; // a larger subclass does not take a slot
    EXPECT_EQ(Pooled::PoolFreeCount(), 3u);
    delete bigger;
    for (Pooled* p : objects)
        delete p;
    EXPECT_EQ(Pooled::PoolFreeCount(), 8u);
}
} // namespace
