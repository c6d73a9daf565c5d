#pragma once
// Memory allocators. Every engine and game allocation goes through one program-wide allocator hook,
// a ZAllocMain made on first use (before any other allocation, since the global operator new/delete
// of this library go through it) and never torn down. It serves the four commonest small sizes from
// static pools and everything else from the C heap, under one critical section, so several threads
// may allocate at once. Out of memory: operator new calls the installed std::new_handler (the
// engine installs its out-of-memory report there), else throws std::bad_alloc as the language asks.
#include "engine/platform/ZCriticalSection.h"

#include <cstddef>
#include <cstdint>

class ZAllocBase
{
public:
    virtual ~ZAllocBase() = default;
    // A block of at least `size` bytes, 16-aligned, or null.
    virtual void* Alloc(size_t size) = 0;
    // Releases a block of this allocator; null is ignored.
    virtual void Free(void* pointer) = 0;
    virtual int64_t FreeBytes() const = 0;
    // Highest bytes in use so far.
    virtual int64_t PeakBytes() const = 0;
    virtual int64_t UsedBytes() const = 0;
    // Number of allocations so far (-1 when the allocator does not count them).
    virtual int64_t AllocationCount() const = 0;
};

class ZAllocMain final : public ZAllocBase
{
public:
    struct PoolSpec
    {
        uint32_t blockSize;
        uint32_t blocks;
    };
    static constexpr int kPoolCount = 4;
    static constexpr PoolSpec kPools[kPoolCount] = {{32, 20000}, {48, 15000}, {64, 5500}, {16, 1100}};
    // Heap blocks carry this many bytes in front: the raw address and the requested size.
    static constexpr size_t kHeapHeader = 16;

    ZAllocMain();
    ~ZAllocMain() override;
    ZAllocMain(const ZAllocMain&) = delete;
    ZAllocMain& operator=(const ZAllocMain&) = delete;

    void* Alloc(size_t size) override;
    void Free(void* pointer) override;
    int64_t FreeBytes() const override { return 536870912; }
    int64_t PeakBytes() const override;
    int64_t UsedBytes() const override;
    int64_t AllocationCount() const override;

    // Blocks taken from the pool of that block size (0 for a size without a pool).
    uint32_t PoolBlocksTaken(uint32_t blockSize) const;
    bool IsPoolBlock(const void* pointer) const;

private:
    struct Pool
    {
        unsigned char* start = nullptr;
        uint32_t blockSize = 0;
        uint32_t blocks = 0;
        uint32_t* freeStack = nullptr; // entry k holds a free block index; taking reads the top
        uint32_t taken = 0;
    };
    template <uint32_t BlockSize, uint32_t Blocks> struct PoolArea
    {
        alignas(64) unsigned char blocks[size_t(BlockSize) * Blocks];
        uint32_t freeStack[Blocks];
    };

    Pool* FindPool(size_t size);
    Pool* PoolOf(const void* pointer);
    const Pool* PoolOf(const void* pointer) const;

    int64_t m_used = 0;
    int64_t m_peak = 0;
    int64_t m_count = 0;
    Pool m_pools[kPoolCount];
    PoolArea<kPools[0].blockSize, kPools[0].blocks> m_area0;
    PoolArea<kPools[1].blockSize, kPools[1].blocks> m_area1;
    PoolArea<kPools[2].blockSize, kPools[2].blocks> m_area2;
    PoolArea<kPools[3].blockSize, kPools[3].blocks> m_area3;
    mutable ZCriticalSection m_lock;
};

// A first-fit allocator over a fixed buffer, for pooled object families. Blocks are 16-aligned with a
// 16-byte header holding their length; free blocks form a list in address order kept inside the free
// blocks themselves, so releasing a block never needs room elsewhere and no block is ever lost.
// Neighbouring free blocks merge. It has no lock of its own.
class ZAllocStatic : public ZAllocBase
{
public:
    static constexpr uint32_t kHeader = 16;

    // `buffer` must be 16-aligned; its size is rounded down to a multiple of 16 (at most 4 GiB - 16).
    ZAllocStatic(void* buffer, size_t size);
    ZAllocStatic(const ZAllocStatic&) = delete;
    ZAllocStatic& operator=(const ZAllocStatic&) = delete;

    void* Alloc(size_t size) override;
    // Releases a block; pointers outside the buffer and blocks that are already free are ignored.
    void Free(void* pointer) override;
    int64_t FreeBytes() const override { return int64_t(m_size) - m_used; }
    int64_t PeakBytes() const override { return m_peak; }
    int64_t UsedBytes() const override { return m_used; }
    int64_t AllocationCount() const override { return -1; }

    uint32_t FreeEntryCount() const;
    // Size of the largest free block, header included.
    uint32_t LargestFreeBlock() const;
    bool Owns(const void* pointer) const;

private:
    static constexpr uint32_t kEnd = 0xffffffffu;
    struct FreeBlock
    {
        uint32_t size;
        uint32_t next; // offset of the next free block, kEnd for none
    };
    FreeBlock Read(uint32_t offset) const;
    void Write(uint32_t offset, FreeBlock block);

    unsigned char* m_buffer;
    uint32_t m_size;
    uint32_t m_first = kEnd;
    int64_t m_used = 0;
    int64_t m_peak = 0;
};

// Buffer and allocator in one object (a static in the family's source file).
template <size_t Size> class ZAllocStaticBuffer
{
    static_assert(Size >= 64 && Size % 16 == 0);

protected:
    alignas(16) unsigned char m_bytes[Size];
};
template <size_t Size> class ZAllocStaticArena : private ZAllocStaticBuffer<Size>, public ZAllocStatic
{
public:
    ZAllocStaticArena() : ZAllocStatic(this->m_bytes, Size) {}
};

// The program-wide allocator behind the global operator new and delete.
ZAllocBase* GetAllocHook();

// Allocation forms used by engine code that manages raw blocks.
void* EngineNew(size_t size);
void* EngineNewArray(size_t size);
void EngineDelete(void* pointer);
