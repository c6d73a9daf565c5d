#pragma once
// What the bonus game's objects and levels share in reading the level file: their registries by
// name (with a size limit, so a file of thousands of entries cannot grow them without end), the
// nested object an element hands over, and attributes looked up by name in a table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "engine/core/ZNameId.h"

class ZHiddenObject;

namespace hiddenobject
{
// Objects of one kind by the id of their name, for the whole run. T has SetName.
template <class T> class TNamedRegistry
{
public:
    // `what` names the kind in the log line of a full registry ("objects", "levels").
    TNamedRegistry(size_t limit, const char* what) : m_limit(limit), m_what(what) {}

    // Get or create; null for a null name, or when the registry is full (told once).
    T* Find(const char* name)
    {
        if (!name)
            return nullptr;
        const uint32_t id = ZNameId(name).Value();
        if (T* found = Peek(id))
            return found;
        if (m_items.size() >= m_limit)
        {
            if (!m_fullTold)
                std::fprintf(stderr, "Hidden objects: more than %zu %s; \"%s\" and later ones are ignored\n",
                             m_limit, m_what, name);
            m_fullTold = true;
            return nullptr;
        }
        auto item = std::make_unique<T>();
        item->SetName(name);
        T* raw = item.get();
        m_items.emplace(id, std::move(item));
        return raw;
    }
    T* Peek(uint32_t id) const
    {
        auto it = m_items.find(id);
        return it == m_items.end() ? nullptr : it->second.get();
    }
    size_t Size() const { return m_items.size(); }
    void Clear() { m_items.clear(); }

private:
    std::map<uint32_t, std::unique_ptr<T>> m_items;
    size_t m_limit;
    const char* m_what;
    bool m_fullTold = false;
};

// The object a nested element hands over as its value; null when the value is plain text.
ZHiddenObject* NestedObject(const char* value);

// One attribute of an element: its name and what its text does to the receiver (null: the
// attribute is known and needs nothing, as "name", which the registry already used).
template <class T> struct SAttribute
{
    const char* name;
    void (*apply)(T& receiver, const char* value);
};

// Applies the attribute of that name from the table; false when the table does not know it.
template <class T, size_t N>
bool ApplyAttribute(T& receiver, const SAttribute<T> (&table)[N], const char* name, const char* value)
{
    if (!name || !value)
        return false;
    for (const SAttribute<T>& attribute : table)
    {
        if (std::strcmp(attribute.name, name) != 0)
            continue;
        if (attribute.apply)
            attribute.apply(receiver, value);
        return true;
    }
    return false;
}
} // namespace hiddenobject
