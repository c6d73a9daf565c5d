#pragma once
// A fixed array of N elements with a count. Appending to a full array is refused rather than
// overrunning it.
#include <cstddef>
#include <cstdint>

template <class T, size_t N> class ZStaticArray
{
public:
    virtual ~ZStaticArray() = default;

    // Appends a copy; false (and nothing changes) when the array is full.
    virtual bool PushBack(const T& value)
    {
        if (m_count >= N)
            return false;
        m_items[m_count++] = value;
        return true;
    }
    virtual void PopBack()
    {
        if (m_count > 0)
            --m_count;
    }
    virtual size_t Size() const { return m_count; }
    virtual size_t Capacity() const { return N; }
    virtual void Clear() { m_count = 0; }
    // Removes the element at `index`; later ones move down keeping their order. False when out of range.
    virtual bool Erase(size_t index)
    {
        if (index >= m_count)
            return false;
        for (size_t i = index + 1; i < m_count; ++i)
            m_items[i - 1] = m_items[i];
        --m_count;
        return true;
    }

    bool IsEmpty() const { return m_count == 0; }
    bool IsFull() const { return m_count >= N; }
    T& operator[](size_t index) { return m_items[index]; }
    const T& operator[](size_t index) const { return m_items[index]; }
    T* begin() { return m_items; }
    T* end() { return m_items + m_count; }
    const T* begin() const { return m_items; }
    const T* end() const { return m_items + m_count; }

private:
    T m_items[N] = {};
    uint32_t m_count = 0;
};
