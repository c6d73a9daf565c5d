#include "engine/core/ZSerializer.h"

#include "engine/core/ZValueSerializer.h"

namespace
{

struct RegistryHolder
{
    bool built = false;
    ZSerializerBase::Registry map;
};

// Never destroyed: static serializers leave the registry in their destructors at exit, which run
// after a function-local static made later would already be gone.
RegistryHolder& Holder()
{
    static RegistryHolder* holder = new RegistryHolder();
    return *holder;
}

void Fill(RegistryHolder& holder, const ZSerializerBase* leaving)
{
    holder.map.clear();
    for (ZSerializerBase* s = ZSerializerBase::Head(); s; s = s->NextInChain())
    {
        if (s != leaving)
            holder.map[ZSerializerBase::RegistryId(s->GetElementName())] = s;
    }
    holder.built = true;
}

} // namespace

ZSerializerState* ZSerializerState::Create(void* object, ZSerializerBase* serializer, bool ownsObject)
{
    auto* state = new ZSerializerState();
    state->object = object;
    state->serializer = serializer;
    state->ownsObject = ownsObject && object;
    return state;
}

void ZSerializerState::Release(ZSerializerState* state)
{
    if (!state)
        return;
    if (state->serializer)
        state->serializer->FreeState(state);
    delete state;
}

bool ZSerializerState::SetAttribute(uint32_t id, const char* attributeName, const char* value)
{
    return serializer ? serializer->SetAttribute(this, id, attributeName, value) : false;
}

ZEntity* ZSerializerState::Entity() const
{
    if (!object || !serializer || !serializer->IsObjectSerializer())
        return nullptr;
    return static_cast<ZEntity*>(object);
}

namespace
{
// The child being handed to a setter at this moment (one per thread: loads may run on the loader).
thread_local const void* t_handedObject = nullptr;
thread_local const ZSerializerBase* t_handedSerializer = nullptr;
} // namespace

ZHandedChildScope::ZHandedChildScope(const void* object, const ZSerializerBase* serializer)
    : m_outerObject(t_handedObject), m_outerSerializer(t_handedSerializer)
{
    t_handedObject = object;
    t_handedSerializer = serializer;
}

ZHandedChildScope::~ZHandedChildScope()
{
    t_handedObject = m_outerObject;
    t_handedSerializer = m_outerSerializer;
}

const void* HandedChildObject(const char* value, bool expectObject, size_t valueSize)
{
    const ZSerializerBase* serializer = t_handedSerializer;
    if (!value || !serializer || t_handedObject != value)
        return nullptr;
    if (serializer->IsObjectSerializer())
        return expectObject ? value : nullptr;
    if (expectObject || serializer->ValueSize() < valueSize)
        return nullptr;
    return value;
}

bool ZSerializerState::HandChild(ZSerializerState* parent, ZSerializerState* child)
{
    if (!parent || !child || !parent->serializer || !parent->object || !child->object)
        return false;
    if (!parent->serializer->IsObjectSerializer())
        return false;
    const char* property = child->name.empty() ? nullptr : child->name.c_str();
    const uint32_t id = ZNameId(property).Value();
    ZHandedChildScope scope(child->object, child->serializer);
    return parent->serializer->SetAttribute(parent, id, property, static_cast<const char*>(child->object));
}

ZSerializerBase::ZSerializerBase(const char* elementName) : m_elementName(elementName ? elementName : "")
{
    RegistryHolder& holder = Holder();
    if (holder.built)
        holder.map[RegistryId(m_elementName)] = this;
}

ZSerializerBase::~ZSerializerBase()
{
    // Still on the chain here (the chain link goes after this body), so refill without this one;
    // an earlier serializer it replaced becomes visible again.
    RegistryHolder& holder = Holder();
    if (holder.built)
        Fill(holder, this);
}

uint32_t ZSerializerBase::RegistryId(const char* elementName)
{
    if (!elementName)
        return ZNameId(nullptr).Value();
    std::string lower(elementName);
    for (char& c : lower)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return ZNameId(lower).Value();
}

const ZSerializerBase::Registry& ZSerializerBase::GetRegistry()
{
    RegistryHolder& holder = Holder();
    if (!holder.built)
    {
        LinkValueSerializers();
        Fill(holder, nullptr);
    }
    return holder.map;
}

ZSerializerBase* ZSerializerBase::FindByName(const char* elementName)
{
    const Registry& registry = GetRegistry();
    auto it = registry.find(ZNameId(elementName).Value());
    return it == registry.end() ? nullptr : it->second;
}
