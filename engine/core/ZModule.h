#pragma once
// Module factories: the pluggable layers (renderer, audio, input, scene importer) are made by
// looking their factory up by the hashed class name, so the chosen layer is a setting, not code.
#include <cstdint>

#include "engine/core/ZNameId.h"

class ZModuleBase
{
public:
    explicit ZModuleBase(const char* className) : m_id(ZNameId(className).Value()) {}
    virtual ~ZModuleBase() = default;
    // A new object of the module's class, or null when it could not be made.
    virtual void* Create() = 0;
    uint32_t GetId() const { return m_id; }

private:
    uint32_t m_id = 65535;
};

// T is the created class; Base is the interface the engine stores it as.
template <class T, class Base = T> class ZModule : public ZModuleBase
{
public:
    explicit ZModule(const char* className) : ZModuleBase(className) {}
    void* Create() override { return static_cast<Base*>(new T()); }
};
