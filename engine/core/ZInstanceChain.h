#pragma once
// A chain of every static instance of a base T (settings, serializers, ability factories), in
// construction order. Each instance links itself in when constructed; registries made later sweep
// the chain from Head(). The head and tail are constant-initialised, so the chain never depends on
// the order of static initialisation across files. Main thread only (static construction).
template <class T> class ZInstanceChain
{
public:
    static T* Head() { return static_cast<T*>(Links().head); }
    T* NextInChain() const { return static_cast<T*>(m_next); }

protected:
    ZInstanceChain()
    {
        Chain& c = Links();
        if (c.tail)
            c.tail->m_next = this;
        else
            c.head = this;
        c.tail = this;
    }
    // An instance that dies (a setting made at run time, a test's local object) leaves the chain, so a
    // registry made later never sweeps a dead object.
    ~ZInstanceChain()
    {
        Chain& c = Links();
        ZInstanceChain* previous = nullptr;
        for (ZInstanceChain* i = c.head; i; previous = i, i = i->m_next)
        {
            if (i != this)
                continue;
            (previous ? previous->m_next : c.head) = m_next;
            if (c.tail == this)
                c.tail = previous;
            break;
        }
    }
    ZInstanceChain(const ZInstanceChain&) : ZInstanceChain() {}
    ZInstanceChain& operator=(const ZInstanceChain&) { return *this; }

private:
    struct Chain
    {
        ZInstanceChain* head;
        ZInstanceChain* tail;
    };
    static Chain& Links()
    {
        static constinit Chain chain{nullptr, nullptr};
        return chain;
    }

    ZInstanceChain* m_next = nullptr;
};
