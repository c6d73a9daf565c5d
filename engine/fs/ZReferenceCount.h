#pragma once
// A 16-bit use count. Releasing never deletes: owners decide what a count of zero means
// (a shared file closes its stream, a resource is parked for unloading).
#include <cstdint>

class ZReferenceCount
{
public:
    virtual ~ZReferenceCount() = default;

    // Both return the new count.
    virtual int AddRef() { return ++m_refCount; }
    virtual int Release()
    {
        // Never wraps below zero: an extra release must not make the object look busy.
        if (m_refCount > 0)
            --m_refCount;
        return m_refCount;
    }

    int GetRefCount() const { return m_refCount; }

protected:
    uint16_t m_refCount = 0;
};
