#pragma once
// A list of listeners of one interface T. The list exists only while somebody listens, so a
// producer without listeners costs one null pointer and allocates nothing.
//
// Delivery rule (every notify operation built on the cursor follows it): listeners are called in the
// order they were added; a listener may remove itself or any other listener during a delivery: one
// removed before its turn is not called, and nobody else is skipped or called twice; a listener added
// during a delivery is called in that same delivery, after the others; emptying the list (or
// destroying the producer) ends the delivery. Main thread only.
#include <cstddef>
#include <cstdint>
#include <vector>

template <class T> class ZEventProducer
{
    struct List;

public:
    // Delivery cursor. Make one with BeginIteration and step it with NextListener (or Next) until it
    // gives null. It must not outlive its delivery; it may outlive the producer.
    class Cursor
    {
    public:
        explicit Cursor(ZEventProducer& producer) : m_list(producer.m_muted ? nullptr : producer.m_list)
        {
            if (m_list)
            {
                m_nextCursor = m_list->cursors;
                m_list->cursors = this;
            }
        }
        ~Cursor() { Detach(); }
        Cursor(const Cursor&) = delete;
        Cursor& operator=(const Cursor&) = delete;

        // The next listener to call, or null when the delivery is over.
        T* Next()
        {
            if (!m_list || m_position >= m_list->items.size())
            {
                Detach();
                return nullptr;
            }
            T* listener = m_list->items[m_position++];
            if (!listener)
                Detach();
            return listener;
        }

    private:
        friend class ZEventProducer;
        void Detach()
        {
            if (!m_list)
                return;
            for (Cursor** link = &m_list->cursors; *link; link = &(*link)->m_nextCursor)
            {
                if (*link == this)
                {
                    *link = m_nextCursor;
                    break;
                }
            }
            m_list = nullptr;
        }

        List* m_list;
        size_t m_position = 0;
        Cursor* m_nextCursor = nullptr;
    };

    ZEventProducer() = default;
    ~ZEventProducer() { Release(); }
    // A copy starts without listeners: listeners subscribe to one object, not to its copies.
    ZEventProducer(const ZEventProducer&) {}
    ZEventProducer& operator=(const ZEventProducer&) { return *this; }

    // Appends a listener; null and listeners already present are ignored.
    void AddListener(T* listener)
    {
        if (!listener)
            return;
        if (!m_list)
            m_list = new List;
        for (T* l : m_list->items)
        {
            if (l == listener)
                return;
        }
        m_list->items.push_back(listener);
    }

    // Removes a listener, keeping the others' order; the list is released when it becomes empty.
    void RemoveListener(T* listener)
    {
        if (!m_list)
            return;
        std::vector<T*>& items = m_list->items;
        for (size_t i = 0; i < items.size(); ++i)
        {
            if (items[i] != listener)
                continue;
            items.erase(items.begin() + std::ptrdiff_t(i));
            for (Cursor* c = m_list->cursors; c; c = c->m_nextCursor)
            {
                if (c->m_position > i)
                    --c->m_position;
            }
            if (items.empty())
                Release();
            return;
        }
    }

    bool HasListeners() const { return m_list && !m_list->items.empty(); }
    size_t ListenerCount() const { return m_list ? m_list->items.size() : 0; }

    // While muted nothing is delivered; what was missed is not replayed.
    void SetMuted(bool muted) { m_muted = muted ? 1 : 0; }
    bool IsMuted() const { return m_muted != 0; }

    Cursor BeginIteration() { return Cursor(*this); }
    static T* NextListener(Cursor& cursor) { return cursor.Next(); }

    // Calls fn(listener) for each listener by the delivery rule.
    template <class Fn> void Deliver(Fn&& fn)
    {
        Cursor cursor(*this);
        while (T* listener = cursor.Next())
            fn(listener);
    }

private:
    struct List
    {
        std::vector<T*> items;
        Cursor* cursors = nullptr; // deliveries under way, innermost first
    };

    void Release()
    {
        if (!m_list)
            return;
        for (Cursor* c = m_list->cursors; c;)
        {
            Cursor* next = c->m_nextCursor;
            c->m_list = nullptr;
            c->m_nextCursor = nullptr;
            c = next;
        }
        delete m_list;
        m_list = nullptr;
    }

    List* m_list = nullptr;
    uint8_t m_muted = 0;
};
