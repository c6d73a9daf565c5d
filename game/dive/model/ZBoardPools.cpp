// Token and tile pools.
#include "game/dive/model/ZBoardPools.h"

#include <algorithm>

#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"

namespace
{
template <class T> void Erase(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

template <class T> void DeleteAll(std::vector<T*>& list)
{
    for (T* item : list)
        delete item;
    list.clear();
}
} // namespace

ZToken* ZTokenPool::create()
{
    auto* token = new ZToken();
    token->initialise();
    token->SetActive(false);
    if (m_parent)
        m_parent->AddChild(token);
    m_free.push_back(token);
    return token;
}

ZToken* ZTokenPool::acquire(const M33& orientation)
{
    if (m_closed)
        return nullptr;
    if (m_free.empty())
        create();
    ZToken* token = m_free.back();
    m_free.pop_back();
    m_active.push_back(token);
    token->resetForUse(orientation);
    return token;
}

void ZTokenPool::release(ZToken* token)
{
    if (!token || std::find(m_active.begin(), m_active.end(), token) == m_active.end())
        return;
    Erase(m_active, token);
    if (ZTile* tile = token->getTile())
        tile->forgetToken(token);
    token->release();
    m_free.push_back(token);
}

void ZTokenPool::releaseAll()
{
    while (!m_active.empty())
        release(m_active.back());
}

void ZTokenPool::destroyAll()
{
    DeleteAll(m_active);
    DeleteAll(m_free);
}

ZTile* ZTilePool::acquire()
{
    ZTile* tile = nullptr;
    if (m_free.empty())
    {
        tile = new ZTile();
        if (m_parent)
            m_parent->AddChild(tile);
    }
    else
    {
        tile = m_free.back();
        m_free.pop_back();
    }
    m_active.push_back(tile);
    tile->SetActive(true);
    tile->SetHidden(false);
    tile->reset();
    tile->setToPlain();
    return tile;
}

void ZTilePool::release(ZTile* tile)
{
    if (!tile || std::find(m_active.begin(), m_active.end(), tile) == m_active.end())
        return;
    Erase(m_active, tile);
    tile->reset();
    tile->SetActive(false);
    m_free.push_back(tile);
}

void ZTilePool::releaseAll()
{
    while (!m_active.empty())
        release(m_active.back());
}

void ZTilePool::destroyAll()
{
    DeleteAll(m_active);
    DeleteAll(m_free);
}
