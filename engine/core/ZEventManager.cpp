#include "engine/core/ZEventManager.h"

#include <algorithm>

void ZEventManager::AddListener(IEventListener* listener, ZNameId id)
{
    if (!listener)
        return;
    std::vector<IEventListener*>& list = m_listeners[id.Value()];
    if (std::find(list.begin(), list.end(), listener) == list.end())
        list.push_back(listener);
}

bool ZEventManager::SendEvent(const ZEvent& event)
{
    auto it = m_listeners.find(event.id.Value());
    if (it == m_listeners.end())
        return true;
    // Indexing (not iterators) keeps the walk valid when a listener registers during the delivery.
    const std::vector<IEventListener*>& list = it->second;
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->OnEvent(event);
    return true;
}
