#pragma once
// The board's pools of tokens and tiles. Both kinds are made once (under the group node the board
// gives) and reused from level to level, never destroyed during a run: acquire takes the most
// recently released object (or makes one when none is free), release hands it back hidden.
#include <cstdint>
#include <vector>

#include "engine/core/ZMatrix.h"

class ZNode;
class ZTile;
class ZToken;

class ZTokenPool
{
public:
    ZTokenPool() = default;
    ZTokenPool(const ZTokenPool&) = delete;
    ZTokenPool& operator=(const ZTokenPool&) = delete;

    // New tokens become children of the parent (none: parentless, owned by the pool).
    void setParent(ZNode* parent) { m_parent = parent; }
    // While closed (a dive ends) acquire hands out nothing.
    void setClosed(bool closed) { m_closed = closed; }
    bool isClosed() const { return m_closed; }

    // The last released token (a new one when the free list is empty), reset for use with the
    // orientation; null while closed.
    ZToken* acquire(const M33& orientation);
    // Back to the free list: the token leaves its tile (which becomes empty and waiting),
    // is released (hidden) and its tile forgets it.
    void release(ZToken* token);
    // Every active token back to the free list.
    void releaseAll();
    // A new token on the free list.
    ZToken* create();
    // Deletes every token (shutdown).
    void destroyAll();

    int32_t size() const { return int32_t(m_active.size() + m_free.size()); }
    const std::vector<ZToken*>& active() const { return m_active; }
    const std::vector<ZToken*>& freeList() const { return m_free; }

private:
    std::vector<ZToken*> m_active;
    std::vector<ZToken*> m_free;
    ZNode* m_parent = nullptr;
    bool m_closed = false;
};

class ZTilePool
{
public:
    ZTilePool() = default;
    ZTilePool(const ZTilePool&) = delete;
    ZTilePool& operator=(const ZTilePool&) = delete;

    void setParent(ZNode* parent) { m_parent = parent; }
    // The last released tile (a new one when none is free), shown, reset and plain.
    ZTile* acquire();
    // Off the active list onto the free list, hidden.
    void release(ZTile* tile);
    void releaseAll();
    void destroyAll();

    int32_t size() const { return int32_t(m_active.size() + m_free.size()); }
    const std::vector<ZTile*>& active() const { return m_active; }
    const std::vector<ZTile*>& freeList() const { return m_free; }

private:
    std::vector<ZTile*> m_active;
    std::vector<ZTile*> m_free;
    ZNode* m_parent = nullptr;
};
