#pragma once
// Type records and the root of typed engine objects. Every engine class has one record holding the
// hash of its class name, its name and its base class's record; an object is of a type when that
// type's id is found on the chain of records that starts at its own.
#include "engine/core/ZNameId.h"

#include <cstdint>

struct ZTypeRecord
{
    static constexpr int kNameSize = 32;

    uint32_t id = 0;                   // ZNameHash of the class name
    const ZTypeRecord* base = nullptr; // null for ZEntity and records declared without a base
    char name[kNameSize] = {};         // class name, cut to 31 characters

    constexpr ZTypeRecord(const char* className, const ZTypeRecord* baseRecord) : base(baseRecord)
    {
        int n = 0;
        while (className && className[n] && n < kNameSize - 1)
        {
            name[n] = className[n];
            ++n;
        }
        id = ZNameHash(n, className ? className : "");
    }

    // True when `type`'s id is this record's or one of its bases'.
    constexpr bool IsA(const ZTypeRecord& type) const
    {
        for (const ZTypeRecord* r = this; r; r = r->base)
        {
            if (r->id == type.id)
                return true;
        }
        return false;
    }
};

// Declares the class's record and its GetTypeRecord override. Place it in the class body:
//     class ZSprite : public ZGeom { QV_TYPE_RECORD(ZSprite, &ZGeom::kTypeRecord) ... };
// The record is a compile-time constant, so it exists before any static initializer asks for it.
// The macro leaves the class body in private access, as at the start of a class. A record without a
// base (its is-a chain ends at itself) passes nullptr as BaseRecord.
#define QV_TYPE_RECORD(Class, BaseRecord)                                                                    \
public:                                                                                                      \
    static constexpr ZTypeRecord kTypeRecord{#Class, BaseRecord};                                            \
    const ZTypeRecord* GetTypeRecord() const override                                                        \
    {                                                                                                        \
        return &kTypeRecord;                                                                                 \
    }                                                                                                        \
                                                                                                             \
private:

class ZEntity
{
public:
    static constexpr ZTypeRecord kTypeRecord{"ZEntity", nullptr};

    ZEntity() = default;
    virtual const ZTypeRecord* GetTypeRecord() const { return &kTypeRecord; }
    virtual ~ZEntity() = default;
    virtual const char* GetName() const { return "N/A"; }

    bool IsA(const ZTypeRecord& type) const { return GetTypeRecord()->IsA(type); }
    template <class T> bool IsA() const { return IsA(T::kTypeRecord); }
    static bool IsA(const ZEntity* object, const ZTypeRecord& type) { return object && object->IsA(type); }
};

// The object as a T when its type chain holds T's record, else null.
template <class T> T* ZEntityCast(ZEntity* object)
{
    return object && object->IsA<T>() ? static_cast<T*>(object) : nullptr;
}
template <class T> const T* ZEntityCast(const ZEntity* object)
{
    return object && object->IsA<T>() ? static_cast<const T*>(object) : nullptr;
}
