#pragma once
// Recycled objects: a class T that derives from ZPoolObject<T, N> is made in blocks of N slots, taken
// through the global allocator, and a deleted object's slot goes to a free list for the next one.
// Blocks are kept until the process ends. A subclass of T that is larger than T is allocated
// normally. Safe to use from several threads.
#include "engine/core/ZSpinLock.h"

#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

template <class T, size_t N = 32> class ZPoolObject
{
public:
    static void* operator new(size_t size)
    {
        static_assert(alignof(Slot) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
        if (size != sizeof(T))
            return ::operator new(size);
        Pool& pool = GetPool();
        ZSpinLockGuard guard(pool.lock);
        if (!pool.freeList)
            Grow(pool);
        Slot* slot = pool.freeList;
        Unpoison(slot);
        pool.freeList = slot->next;
        --pool.freeCount;
        return slot;
    }

    static void operator delete(void* pointer, size_t size)
    {
        if (!pointer)
            return;
        if (size != sizeof(T))
        {
            ::operator delete(pointer);
            return;
        }
        Pool& pool = GetPool();
        ZSpinLockGuard guard(pool.lock);
        Slot* slot = static_cast<Slot*>(pointer);
        slot->next = pool.freeList;
        pool.freeList = slot;
        ++pool.freeCount;
        Poison(slot);
    }

    // Slots made so far and slots waiting on the free list.
    static size_t PoolCapacity()
    {
        ZSpinLockGuard guard(GetPool().lock);
        return GetPool().capacity;
    }
    static size_t PoolFreeCount()
    {
        ZSpinLockGuard guard(GetPool().lock);
        return GetPool().freeCount;
    }

private:
    union Slot
    {
        Slot* next;
        alignas(T) unsigned char bytes[sizeof(T)];
    };
    struct Pool
    {
        ZSpinLock lock;
        Slot* freeList = nullptr;
        size_t capacity = 0;
        size_t freeCount = 0;
    };

    static Pool& GetPool()
    {
        static constinit Pool pool;
        return pool;
    }

    static void Grow(Pool& pool)
    {
        Slot* block = static_cast<Slot*>(::operator new(sizeof(Slot) * N));
        for (size_t i = N; i-- > 0;)
        {
            block[i].next = pool.freeList;
            pool.freeList = &block[i];
            Poison(&block[i]);
        }
        pool.capacity += N;
        pool.freeCount += N;
    }

    // A free slot is poisoned in sanitizer builds except for its link.
    static void Poison([[maybe_unused]] Slot* slot)
    {
#if defined(__SANITIZE_ADDRESS__)
        ASAN_POISON_MEMORY_REGION(reinterpret_cast<unsigned char*>(slot) + sizeof(Slot*),
                                  sizeof(Slot) - sizeof(Slot*));
#endif
    }
    static void Unpoison([[maybe_unused]] Slot* slot)
    {
#if defined(__SANITIZE_ADDRESS__)
        ASAN_UNPOISON_MEMORY_REGION(slot, sizeof(Slot));
#endif
    }
};
