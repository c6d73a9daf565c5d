#pragma once

// Binding between XML element names and the engine's classes. Every serializable class (and every
// value type) has one static serializer that links itself into the serializer chain; the registry,
// built on first use, maps the name id of each lower-cased element name to its serializer. The
// reader asks a serializer for a state per element, feeds it the attributes, hands the finished
// child to its parent and finishes it; the writer goes the other way through ISaveVisitor.

#include <concepts>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>

#include "engine/core/ZEntity.h"
#include "engine/core/ZInstanceChain.h"
#include "engine/core/ZNameId.h"

// The writer's side: serializers describe an object through it (the XML writer implements it).
class ISaveVisitor
{
public:
    virtual ~ISaveVisitor() = default;
    virtual void Attribute(const char* name, const char* value) = 0;
    // propertyName is null when the element is not bound to a property of its parent.
    virtual void BeginElement(const char* propertyName, const char* elementName) = 0;
    virtual void CloseStartTag() = 0;
    virtual void EndElement(const char* propertyName, const char* elementName) = 0;
};

class ZSerializerBase;

// What the reader carries for one element: the object being built (null when there is none), its
// serializer, the name of the parent's property that receives it and the language-skip flag.
// For class serializers the object is always a ZEntity* (see Entity()).
struct ZSerializerState
{
    void* object = nullptr;
    ZSerializerBase* serializer = nullptr;
    std::string name;
    uint8_t skipped = 0;
    // True when the object was made for this state and dies with it (values made by CreateNew).
    bool ownsObject = false;

    static ZSerializerState* Create(void* object, ZSerializerBase* serializer, bool ownsObject = false);
    // The serializer frees what the state holds, then the state itself goes. Null is ignored.
    static void Release(ZSerializerState* state);

    // Forwards to the serializer; false without one.
    bool SetAttribute(uint32_t id, const char* attributeName, const char* value);
    // The object of a class serializer's state as the entity it is; null otherwise.
    ZEntity* Entity() const;

    // Hands a finished child's object to the parent's object: the parent's SetAttribute with the
    // id and name of the child's receiving property (65535 and null without one) and the child's
    // object in place of the value text. Only class serializers take children: a value never
    // does, so its setter can never mistake an object for text. False when not taken.
    static bool HandChild(ZSerializerState* parent, ZSerializerState* child);
};

// The object a setter is being handed right now through its value text pointer, or null when the
// value is plain text (a scene file that writes such a property as an attribute) or a child of the
// wrong kind: an object where a value is expected, a value where an object is expected, or a value
// smaller than the one the setter reads. So no setter can read text as an object.
const void* HandedChildObject(const char* value, bool expectObject, size_t valueSize);

class ZSerializerBase;

// Marks an object, made by the given serializer, as the child being handed to a setter for the
// life of the scope. HandChild uses it; code that hands objects to setters itself does too.
class ZHandedChildScope
{
public:
    ZHandedChildScope(const void* object, const ZSerializerBase* serializer);
    ~ZHandedChildScope();
    ZHandedChildScope(const ZHandedChildScope&) = delete;
    ZHandedChildScope& operator=(const ZHandedChildScope&) = delete;

private:
    const void* m_outerObject;
    const ZSerializerBase* m_outerSerializer;
};

template <class T> const T* SerializedChild(const char* value)
{
    return static_cast<const T*>(HandedChildObject(value, std::is_polymorphic_v<T>, sizeof(T)));
}

class ZSerializerBase : public ZInstanceChain<ZSerializerBase>
{
public:
    using Registry = std::map<uint32_t, ZSerializerBase*>;

    // elementName is not copied: static text, or text inside a static type record.
    explicit ZSerializerBase(const char* elementName);
    virtual ~ZSerializerBase();
    ZSerializerBase(const ZSerializerBase&) = delete;
    ZSerializerBase& operator=(const ZSerializerBase&) = delete;

    const char* GetElementName() const { return m_elementName; }

    virtual bool IsObjectSerializer() const = 0;
    // Bytes of the value a value serializer makes; 0 for class serializers.
    virtual size_t ValueSize() const { return 0; }
    // True when an element names an existing object by its "name" attribute instead of making one.
    virtual bool FindsByName() const = 0;
    virtual void FreeState(ZSerializerState* state) = 0;
    virtual ZSerializerState* StateForObject(void* object) = 0;
    virtual ZSerializerState* CreateNew() = 0;
    virtual ZSerializerState* StateByName(const char* name) = 0;
    // True when the attribute was taken. For a child handed over, value is the child's object.
    virtual bool SetAttribute(ZSerializerState* state, uint32_t id, const char* attributeName,
                              const char* value) = 0;
    virtual void Write(ZSerializerState* state, ISaveVisitor* visitor) = 0;
    virtual void WriteChildren(ZSerializerState* state, ISaveVisitor* visitor) = 0;
    virtual void Finish(ZSerializerState* state) = 0;

    // The state of an existing engine object, converted through ZEntity* so that a class whose
    // ZEntity base is not first still lands at the right address.
    ZSerializerState* StateForEntity(ZEntity* object) { return StateForObject(static_cast<void*>(object)); }

    // Built from the chain on first request; a serializer made later joins at once, and one that
    // is destroyed leaves. Of two names equal once lower-cased, the later in chain order wins.
    static const Registry& GetRegistry();
    // The id of the name as written (65535 for null): only lower-case element names are found.
    static ZSerializerBase* FindByName(const char* elementName);
    // The registry key of an element name: the name id of its lower-case form.
    static uint32_t RegistryId(const char* elementName);

private:
    const char* m_elementName;
};

// A serializer over plain state handling shared by the class and value serializers.
class ZSerializerCommon : public ZSerializerBase
{
public:
    using ZSerializerBase::ZSerializerBase;

    ZSerializerState* StateForObject(void* object) override { return ZSerializerState::Create(object, this); }
    void WriteChildren(ZSerializerState*, ISaveVisitor*) override {}
    void Finish(ZSerializerState*) override {}
};

// What ZSerializerRTTI asks of a class T: an engine entity with the four serialization operations
//     bool SetProperty(uint32_t id, const char* name, const char* value);
//     void SaveAttributes(ISaveVisitor* visitor);
//     void SaveChildren(ISaveVisitor* visitor);
//     void OnLoaded();
template <class T>
concept ZSerializable = std::derived_from<T, ZEntity> &&
    requires(T& t, uint32_t id, const char* s, ISaveVisitor* v)
{
    {
        t.SetProperty(id, s, s)
        } -> std::convertible_to<bool>;
    t.SaveAttributes(v);
    t.SaveChildren(v);
    t.OnLoaded();
};

// The serializer of an engine class: its element name is the class name without the leading 'Z'
// (registered lower-cased), and the attribute work goes to the object's own operations.
//
// Objects are made by the create function given, by default T::Create() when T has one, else a
// new T when T can be default-constructed, else none. Objects found by name come from the find
// function, by default T::Find(name) when T has one; an object found that is not a T is refused.
template <ZSerializable T> class ZSerializerRTTI : public ZSerializerCommon
{
public:
    using CreateFunction = T* (*)();
    using FindFunction = T* (*)(const char* name);

    explicit ZSerializerRTTI(bool findsByName = false, CreateFunction create = &DefaultCreate,
                             FindFunction find = &DefaultFind)
        : ZSerializerCommon(ElementNameOf(T::kTypeRecord)), m_findsByName(findsByName), m_create(create),
          m_find(find)
    {
    }

    static T* DefaultCreate()
    {
        if constexpr (requires {
                          {
                              T::Create()
                              } -> std::convertible_to<T*>;
                      })
            return T::Create();
        else if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
            return new T();
        else
            return nullptr;
    }
    // For classes that are never made from a file.
    static T* NoCreate() { return nullptr; }

    static T* DefaultFind(const char* name)
    {
        if constexpr (requires(const char* n) {
                          {
                              T::Find(n)
                              } -> std::convertible_to<ZEntity*>;
                      })
            return ZEntityCast<T>(static_cast<ZEntity*>(T::Find(name)));
        else
            return nullptr;
    }

    bool IsObjectSerializer() const override { return true; }
    bool FindsByName() const override { return m_findsByName; }
    void FreeState(ZSerializerState*) override {}

    ZSerializerState* CreateNew() override
    {
        return ZSerializerState::Create(ToObject(m_create ? m_create() : nullptr), this);
    }
    ZSerializerState* StateByName(const char* name) override
    {
        return ZSerializerState::Create(ToObject(name && m_find ? m_find(name) : nullptr), this);
    }

    bool SetAttribute(ZSerializerState* state, uint32_t id, const char* attributeName,
                      const char* value) override
    {
        T* object = FromState(state);
        return object ? static_cast<bool>(object->SetProperty(id, attributeName, value)) : false;
    }
    void Write(ZSerializerState* state, ISaveVisitor* visitor) override
    {
        if (T* object = FromState(state))
            object->SaveAttributes(visitor);
    }
    void WriteChildren(ZSerializerState* state, ISaveVisitor* visitor) override
    {
        if (T* object = FromState(state))
            object->SaveChildren(visitor);
    }
    void Finish(ZSerializerState* state) override
    {
        if (T* object = FromState(state))
            object->OnLoaded();
    }

private:
    static const char* ElementNameOf(const ZTypeRecord& record)
    {
        return record.name[0] == 'Z' ? record.name + 1 : record.name;
    }
    static void* ToObject(T* object)
    {
        return object ? static_cast<void*>(static_cast<ZEntity*>(object)) : nullptr;
    }
    static T* FromState(ZSerializerState* state)
    {
        if (!state || !state->object)
            return nullptr;
        return static_cast<T*>(static_cast<ZEntity*>(state->object));
    }

    bool m_findsByName;
    CreateFunction m_create;
    FindFunction m_find;
};

// The serializer of a value type (vectors, matrices, rectangles). The per-type work is done by
// the overloads SetValueAttribute (value, id, name, text) and WriteValueAttributes (value,
// visitor) declared with the value serializers.
//
// A value made by CreateNew lives as long as its state: a setter that is handed it copies what it
// needs and neither keeps nor frees the pointer. So a value nobody takes (an unknown parent, a
// top-level element) is not lost memory.
template <class T> class ZSerializer : public ZSerializerCommon
{
public:
    using ZSerializerCommon::ZSerializerCommon;

    bool IsObjectSerializer() const override { return false; }
    size_t ValueSize() const override { return sizeof(T); }
    bool FindsByName() const override { return false; }
    void FreeState(ZSerializerState* state) override
    {
        if (state && state->ownsObject)
        {
            delete static_cast<T*>(state->object);
            state->object = nullptr;
            state->ownsObject = false;
        }
    }
    ZSerializerState* CreateNew() override { return ZSerializerState::Create(new T(), this, true); }
    // Values have no names to be found by.
    ZSerializerState* StateByName(const char*) override { return ZSerializerState::Create(nullptr, this); }

    bool SetAttribute(ZSerializerState* state, uint32_t id, const char* attributeName,
                      const char* value) override
    {
        if (!state || !state->object || !attributeName || !value)
            return false;
        return SetValueAttribute(*static_cast<T*>(state->object), id, attributeName, value);
    }
    void Write(ZSerializerState* state, ISaveVisitor* visitor) override
    {
        if (state && state->object && visitor)
            WriteValueAttributes(*static_cast<const T*>(state->object), *visitor);
    }
};
