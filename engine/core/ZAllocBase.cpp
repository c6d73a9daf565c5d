#include "engine/core/ZAllocBase.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QV_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define QV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define QV_POISON(p, n) ((void)(p), (void)(n))
#define QV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

// ---------------------------------------------------------------------------------------------------
// ZAllocMain

ZAllocMain::ZAllocMain()
{
    unsigned char* starts[kPoolCount] = {m_area0.blocks, m_area1.blocks, m_area2.blocks, m_area3.blocks};
    uint32_t* stacks[kPoolCount] = {m_area0.freeStack, m_area1.freeStack, m_area2.freeStack,
                                    m_area3.freeStack};
    for (int i = 0; i < kPoolCount; ++i)
    {
        Pool& pool = m_pools[i];
        pool.start = starts[i];
        pool.blockSize = kPools[i].blockSize;
        pool.blocks = kPools[i].blocks;
        pool.freeStack = stacks[i];
        // Entry k holds (blocks - 1 - k) and taking reads the top, so block 0 goes out first.
        for (uint32_t k = 0; k < pool.blocks; ++k)
            pool.freeStack[k] = pool.blocks - 1 - k;
        // Free pool blocks are poisoned, so that use after free and reads into a free neighbour
        // are caught in sanitizer builds as they are for heap blocks.
        QV_POISON(pool.start, size_t(pool.blockSize) * pool.blocks);
    }
}

ZAllocMain::~ZAllocMain()
{
    for (const Pool& pool : m_pools)
        QV_UNPOISON(pool.start, size_t(pool.blockSize) * pool.blocks);
}

ZAllocMain::Pool* ZAllocMain::FindPool(size_t size)
{
    for (Pool& pool : m_pools)
    {
        if (pool.blockSize == size)
            return &pool;
    }
    return nullptr;
}

const ZAllocMain::Pool* ZAllocMain::PoolOf(const void* pointer) const
{
    auto p = static_cast<const unsigned char*>(pointer);
    for (const Pool& pool : m_pools)
    {
        if (p >= pool.start && p < pool.start + size_t(pool.blockSize) * pool.blocks)
            return &pool;
    }
    return nullptr;
}

ZAllocMain::Pool* ZAllocMain::PoolOf(const void* pointer)
{
    return const_cast<Pool*>(static_cast<const ZAllocMain*>(this)->PoolOf(pointer));
}

void* ZAllocMain::Alloc(size_t size)
{
    ZCriticalSectionGuard guard(m_lock);
    Pool* pool = FindPool(size);
    void* result = nullptr;
    if (pool && pool->taken < pool->blocks)
    {
        const uint32_t index = pool->freeStack[pool->blocks - 1 - pool->taken];
        ++pool->taken;
        result = pool->start + size_t(index) * pool->blockSize;
        QV_UNPOISON(result, pool->blockSize);
    }
    else
    {
        // Heap block: a pointer-sized raw address and the size sit in the 16 bytes below the
        // 16-aligned block handed out.
        if (size > SIZE_MAX - 2 * kHeapHeader)
            return nullptr;
        auto raw = static_cast<unsigned char*>(std::malloc(size + 2 * kHeapHeader));
        if (!raw)
            return nullptr;
        const uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + kHeapHeader + 15) & ~uintptr_t(15);
        auto block = reinterpret_cast<unsigned char*>(aligned);
        std::memcpy(block - 16, &raw, sizeof raw);
        std::memcpy(block - 8, &size, sizeof size);
        result = block;
    }
    ++m_count;
    m_used += int64_t(size);
    if (m_used > m_peak)
        m_peak = m_used;
    return result;
}

void ZAllocMain::Free(void* pointer)
{
    if (!pointer)
        return;
    ZCriticalSectionGuard guard(m_lock);
    if (Pool* pool = PoolOf(pointer))
    {
        const auto offset = size_t(static_cast<unsigned char*>(pointer) - pool->start);
        m_used -= pool->blockSize;
        --pool->taken;
        pool->freeStack[pool->blocks - 1 - pool->taken] = uint32_t(offset / pool->blockSize);
        QV_POISON(pool->start + offset - offset % pool->blockSize, pool->blockSize);
        return;
    }
    auto block = static_cast<unsigned char*>(pointer);
    unsigned char* raw = nullptr;
    size_t size = 0;
    std::memcpy(&raw, block - 16, sizeof raw);
    std::memcpy(&size, block - 8, sizeof size);
    m_used -= int64_t(size);
    std::free(raw);
}

int64_t ZAllocMain::PeakBytes() const
{
    ZCriticalSectionGuard guard(m_lock);
    return m_peak;
}

int64_t ZAllocMain::UsedBytes() const
{
    ZCriticalSectionGuard guard(m_lock);
    return m_used;
}

int64_t ZAllocMain::AllocationCount() const
{
    ZCriticalSectionGuard guard(m_lock);
    return m_count;
}

uint32_t ZAllocMain::PoolBlocksTaken(uint32_t blockSize) const
{
    ZCriticalSectionGuard guard(m_lock);
    for (const Pool& pool : m_pools)
    {
        if (pool.blockSize == blockSize)
            return pool.taken;
    }
    return 0;
}

bool ZAllocMain::IsPoolBlock(const void* pointer) const
{
    return PoolOf(pointer) != nullptr;
}

// ---------------------------------------------------------------------------------------------------
// ZAllocStatic

ZAllocStatic::ZAllocStatic(void* buffer, size_t size)
    : m_buffer(static_cast<unsigned char*>(buffer)),
      m_size(uint32_t((size > 0xfffffff0u ? 0xfffffff0u : size) & ~size_t(15)))
{
    if (!m_buffer || m_size < 2 * kHeader)
    {
        m_size = 0;
        return;
    }
    m_first = 0;
    Write(0, FreeBlock{m_size, kEnd});
    QV_POISON(m_buffer + kHeader, m_size - kHeader);
}

ZAllocStatic::FreeBlock ZAllocStatic::Read(uint32_t offset) const
{
    FreeBlock b;
    std::memcpy(&b, m_buffer + offset, sizeof b);
    return b;
}

void ZAllocStatic::Write(uint32_t offset, FreeBlock block)
{
    std::memcpy(m_buffer + offset, &block, sizeof block);
}

uint32_t ZAllocStatic::FreeEntryCount() const
{
    uint32_t count = 0;
    for (uint32_t at = m_first; at != kEnd; at = Read(at).next)
        ++count;
    return count;
}

uint32_t ZAllocStatic::LargestFreeBlock() const
{
    uint32_t largest = 0;
    for (uint32_t at = m_first; at != kEnd;)
    {
        const FreeBlock b = Read(at);
        if (b.size > largest)
            largest = b.size;
        at = b.next;
    }
    return largest;
}

bool ZAllocStatic::Owns(const void* pointer) const
{
    auto p = static_cast<const unsigned char*>(pointer);
    return p >= m_buffer + kHeader && p < m_buffer + m_size;
}

void* ZAllocStatic::Alloc(size_t size)
{
    if (size > m_size)
        return nullptr;
    const uint32_t need = (uint32_t(size) + kHeader + 15) & ~15u;
    uint32_t previous = kEnd;
    for (uint32_t at = m_first; at != kEnd;)
    {
        const FreeBlock b = Read(at);
        if (b.size < need)
        {
            previous = at;
            at = b.next;
            continue;
        }
        // The block starts at the free block's address; what is left stays listed in its place.
        uint32_t following = b.next;
        if (b.size > need)
        {
            following = at + need;
            QV_UNPOISON(m_buffer + following, kHeader);
            Write(following, FreeBlock{b.size - need, b.next});
        }
        if (previous == kEnd)
            m_first = following;
        else
            Write(previous, FreeBlock{Read(previous).size, following});
        QV_UNPOISON(m_buffer + at, need);
        std::memcpy(m_buffer + at, &need, sizeof need);
        m_used += need;
        if (m_used > m_peak)
            m_peak = m_used;
        return m_buffer + at + kHeader;
    }
    return nullptr;
}

void ZAllocStatic::Free(void* pointer)
{
    if (!pointer || !Owns(pointer))
        return;
    const uint32_t start = uint32_t(static_cast<unsigned char*>(pointer) - m_buffer) - kHeader;
    if (start % 16 != 0)
        return;
    uint32_t length = 0;
    std::memcpy(&length, m_buffer + start, sizeof length);
    if (length < kHeader || length % 16 != 0 || length > m_size - start)
        return;
    const uint32_t end = start + length;

    // Find the free neighbours below and above; a block that overlaps a free one was freed already.
    uint32_t previous = kEnd;
    uint32_t next = m_first;
    while (next != kEnd && next < start)
    {
        previous = next;
        next = Read(next).next;
    }
    if (previous != kEnd && previous + Read(previous).size > start)
        return;
    if (next != kEnd && next < end)
        return;

    m_used -= length;
    FreeBlock block{length, next};
    if (next != kEnd && next == end)
    {
        // Absorb the free block that follows.
        const FreeBlock after = Read(next);
        block = FreeBlock{length + after.size, after.next};
        QV_POISON(m_buffer + next, kHeader);
    }
    if (previous != kEnd && previous + Read(previous).size == start)
    {
        // Grow the free block that precedes.
        Write(previous, FreeBlock{Read(previous).size + block.size, block.next});
        QV_POISON(m_buffer + start, block.size);
        return;
    }
    Write(start, block);
    QV_POISON(m_buffer + start + kHeader, block.size - kHeader);
    if (previous == kEnd)
        m_first = start;
    else
        Write(previous, FreeBlock{Read(previous).size, start});
}

// ---------------------------------------------------------------------------------------------------
// The program-wide hook and the global operators

ZAllocBase* GetAllocHook()
{
    alignas(ZAllocMain) static unsigned char storage[sizeof(ZAllocMain)];
    // Made in static storage on first use and never destroyed: blocks may be freed until the very
    // end of the process.
    static ZAllocMain* hook = new (storage) ZAllocMain;
    return hook;
}

void* EngineNew(size_t size)
{
    return GetAllocHook()->Alloc(size);
}
void* EngineNewArray(size_t size)
{
    return GetAllocHook()->Alloc(size);
}
void EngineDelete(void* pointer)
{
    GetAllocHook()->Free(pointer);
}

namespace
{
void* AllocOrHandle(size_t size)
{
    for (;;)
    {
        if (void* p = GetAllocHook()->Alloc(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* AllocNoThrow(size_t size) noexcept
{
    try
    {
        return AllocOrHandle(size);
    }
    catch (...)
    {
        return nullptr;
    }
}

// Over-aligned blocks: the hook's 16-aligned block is padded and the hook's address kept just below
// the aligned address.
void* AllocAligned(size_t size, std::align_val_t alignment)
{
    const size_t align = size_t(alignment);
    if (align <= 16)
        return AllocOrHandle(size);
    auto raw = static_cast<unsigned char*>(AllocOrHandle(size + align + sizeof(void*)));
    const uintptr_t aligned =
        (reinterpret_cast<uintptr_t>(raw) + sizeof(void*) + align - 1) & ~uintptr_t(align - 1);
    auto block = reinterpret_cast<unsigned char*>(aligned);
    std::memcpy(block - sizeof(void*), &raw, sizeof raw);
    return block;
}

void FreeAligned(void* pointer, std::align_val_t alignment) noexcept
{
    if (!pointer)
        return;
    if (size_t(alignment) <= 16)
    {
        GetAllocHook()->Free(pointer);
        return;
    }
    unsigned char* raw = nullptr;
    std::memcpy(&raw, static_cast<unsigned char*>(pointer) - sizeof(void*), sizeof raw);
    GetAllocHook()->Free(raw);
}
} // namespace

void* operator new(size_t size)
{
    return AllocOrHandle(size);
}
void* operator new[](size_t size)
{
    return AllocOrHandle(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return AllocNoThrow(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return AllocNoThrow(size);
}
void operator delete(void* p) noexcept
{
    GetAllocHook()->Free(p);
}
void operator delete[](void* p) noexcept
{
    GetAllocHook()->Free(p);
}
void operator delete(void* p, size_t) noexcept
{
    GetAllocHook()->Free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    GetAllocHook()->Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    GetAllocHook()->Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    GetAllocHook()->Free(p);
}

void* operator new(size_t size, std::align_val_t a)
{
    return AllocAligned(size, a);
}
void* operator new[](size_t size, std::align_val_t a)
{
    return AllocAligned(size, a);
}
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    try
    {
        return AllocAligned(size, a);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t& t) noexcept
{
    return operator new(size, a, t);
}
void operator delete(void* p, std::align_val_t a) noexcept
{
    FreeAligned(p, a);
}
void operator delete[](void* p, std::align_val_t a) noexcept
{
    FreeAligned(p, a);
}
void operator delete(void* p, size_t, std::align_val_t a) noexcept
{
    FreeAligned(p, a);
}
void operator delete[](void* p, size_t, std::align_val_t a) noexcept
{
    FreeAligned(p, a);
}
void operator delete(void* p, std::align_val_t a, const std::nothrow_t&) noexcept
{
    FreeAligned(p, a);
}
void operator delete[](void* p, std::align_val_t a, const std::nothrow_t&) noexcept
{
    FreeAligned(p, a);
}
