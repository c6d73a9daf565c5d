#pragma once
// Lazily created singletons. GetInstance makes the object on first request through the global
// allocator with T's default constructor; the object's constructor stores it as its first act (so a
// request made while it is being built gets the object, not a second one) and its destructor clears
// the pointer. First requests are made on the main thread.
template <class T> class ZSingleton
{
public:
    static T* GetInstance()
    {
        if (!s_instance)
            new T();
        return static_cast<T*>(s_instance);
    }
    // The object when it exists; never creates it.
    static T* PeekInstance() { return static_cast<T*>(s_instance); }
    static bool HasInstance() { return s_instance != nullptr; }
    static void DestroyInstance() { delete static_cast<T*>(s_instance); }

protected:
    ZSingleton() { s_instance = this; }
    ~ZSingleton()
    {
        if (s_instance == this)
            s_instance = nullptr;
    }
    ZSingleton(const ZSingleton&) = delete;
    ZSingleton& operator=(const ZSingleton&) = delete;

private:
    static inline ZSingleton* s_instance = nullptr;
};
