#pragma once
// Named events: listeners register for a hashed event id and hear every event sent with that id.
#include "engine/core/ZNameId.h"
#include "engine/core/ZSingleton.h"

#include <map>
#include <string>
#include <vector>

// Base of the data sent with an event.
class ZEventData
{
public:
    virtual ~ZEventData() = default;
};

// The named arguments of an event: attribute name -> value text.
class ZArgMap : public ZEventData
{
public:
    void Set(const std::string& name, const std::string& value) { m_args[name] = value; }
    // The value of an argument, or null when it is absent.
    const char* Find(const std::string& name) const
    {
        auto it = m_args.find(name);
        return it == m_args.end() ? nullptr : it->second.c_str();
    }
    bool Has(const std::string& name) const { return m_args.count(name) != 0; }
    size_t Count() const { return m_args.size(); }
    void Clear() { m_args.clear(); }
    const std::map<std::string, std::string>& GetAll() const { return m_args; }

private:
    std::map<std::string, std::string> m_args;
};

// An event as the manager takes it: its id first, then its payload.
struct ZEvent
{
    ZNameId id;
    double time = 0.0;
    ZArgMap args;
    bool active = true;
};

class IEventListener
{
public:
    virtual ~IEventListener() = default;
    virtual void OnEvent(const ZEvent& event) = 0;
};

class ZEventManager : public ZSingleton<ZEventManager>
{
public:
    // Registers a listener for an id (ignored when it is already registered for that id). There is no
    // removal: a listener must live as long as the manager.
    void AddListener(IEventListener* listener, ZNameId id);
    // Calls every listener of the event's id in registration order; true in every case. A listener
    // that registers for the same id during the delivery hears this event too.
    bool SendEvent(const ZEvent& event);

private:
    std::map<uint32_t, std::vector<IEventListener*>> m_listeners;
};
