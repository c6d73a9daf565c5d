// The tile-level rules under matching and gravity: runs of like tokens, the neighbourhood and line
// queries of abilities and hints, the start fill, and the refill cascade by which an emptied tile
// pulls a token from above (straight, then diagonally) or spawns one at the top edge.
#include <algorithm>

#include "engine/core/ZRandom.h"
#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZBoardRules.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
bool Contains(const ZTileList& list, const ZTile* tile)
{
    return std::find(list.begin(), list.end(), tile) != list.end();
}

// Appends the tile when the walk reaches it in state 0.
void WalkLine(ZTile* from, int32_t direction, ZTileList& out)
{
    for (ZTile* tile = from ? from->getLink(direction) : nullptr; tile; tile = tile->getLink(direction))
    {
        if (tile->getState() == kTileIdle)
            out.push_back(tile);
    }
}
} // namespace

void ZTile::collectRun(const ZToken* reference, int32_t direction, ZTileList& out) const
{
    if (!reference)
        return;
    for (ZTile* tile = getLink(direction); tile; tile = tile->getLink(direction))
    {
        if (!tile->isMatchable())
            break;
        const ZToken* token = tile->getToken();
        if (token == reference || token->getType() != reference->getType())
            break;
        if (token->getType() == kArtifactTokenType && token->getArtifactId() != reference->getArtifactId())
            break;
        out.push_back(tile);
    }
}

int32_t ZTile::collectMatchRuns(ZTile* tile, ZToken* token, ZTileList& out, ZTileList& scratch) const
{
    out.clear();
    scratch.clear();
    if (!token || !tile)
        return 0;
    tile->collectRun(token, kDirUp, scratch);
    tile->collectRun(token, kDirDown, scratch);
    if (scratch.size() >= 2)
    {
        out.insert(out.end(), scratch.begin(), scratch.end());
        out.push_back(token->getTile());
    }
    scratch.clear();
    tile->collectRun(token, kDirLeft, scratch);
    tile->collectRun(token, kDirRight, scratch);
    if (scratch.size() >= 2)
    {
        out.insert(out.end(), scratch.begin(), scratch.end());
        out.push_back(token->getTile());
    }
    return int32_t(out.size());
}

int32_t ZTile::collectSettledNeighbours(ZTileList& out) const
{
    for (ZTile* link : m_links)
    {
        if (link && link->isMatchable() && !Contains(out, link))
            out.push_back(link);
    }
    return int32_t(out.size());
}

int32_t ZTile::collectTwoRing(ZTileList& out)
{
    for (ZTile* neighbour : m_links)
    {
        if (!neighbour || !neighbour->isMatchable())
            continue;
        for (ZTile* second : neighbour->m_links)
        {
            if (second && second->isMatchable() && !Contains(out, second))
                out.push_back(second);
        }
        if (!Contains(out, neighbour))
            out.push_back(neighbour);
    }
    return int32_t(out.size());
}

bool ZTile::isWithinTwoRing(ZTile* other)
{
    ZTileList ring;
    collectTwoRing(ring);
    return Contains(ring, other);
}

void ZTile::collectRow(ZTileList& out)
{
    if (m_state == kTileIdle)
        out.push_back(this);
    WalkLine(this, kDirRight, out);
    WalkLine(this, kDirLeft, out);
}

void ZTile::collectColumn(ZTileList& out)
{
    if (m_state == kTileIdle)
        out.push_back(this);
    WalkLine(this, kDirUp, out);
    WalkLine(this, kDirDown, out);
}

void ZTile::collectDiagonals(ZTileList& out)
{
    if (m_state == kTileIdle)
        out.push_back(this);
    WalkLine(this, kDirUpLeft, out);
    WalkLine(this, kDirUpRight, out);
    WalkLine(this, kDirDownLeft, out);
    WalkLine(this, kDirDownRight, out);
}

void ZTile::chooseInitialToken()
{
    bool struck[kLevelTokenTypes] = {};
    uint32_t count = kLevelTokenTypes;
    for (int32_t d = kDirUp; d <= kDirLeft; ++d)
    {
        const ZTile* neighbour = m_links[d];
        const ZToken* token = neighbour ? neighbour->getToken() : nullptr;
        if (token && token->getType() >= 0 && token->getType() < kLevelTokenTypes)
        {
            struck[token->getType()] = true;
            --count;
        }
    }
    // Four neighbours strike at most four of five: at least one stays.
    const uint32_t r = RandomNext() % std::max(count, 1u);
    uint32_t seen = 0;
    for (int32_t type = 0; type < kLevelTokenTypes; ++type)
    {
        if (struck[type])
            continue;
        if (seen++ == r)
        {
            createToken(type);
            return;
        }
    }
}

ZToken* ZTile::createToken(int32_t type)
{
    ZToken* token = GetBoardHost()->acquireToken();
    if (!token)
        return nullptr;
    token->setType(type);
    token->SetAlpha(0.0f);
    placeToken(token);
    return token;
}

void ZTile::requestFill()
{
    m_state = kTileWaiting;
    ZTile* sources[5];
    const int32_t count = RefillSources(this, sources);
    for (int32_t i = 0; i < count; ++i)
    {
        if (sources[i]->pullFrom(this))
            return;
    }
    if (!m_links[kDirUp] && !m_links[kDirUpLeft] && !m_links[kDirUpRight])
        spawnToken();
}

bool ZTile::pullFrom(ZTile* requester)
{
    if (m_state == kTilePopping || holdsToken())
        return false;
    if (m_token && m_token->getState() == kTokenSettled && m_state != kTileIncoming)
    {
        if (!m_incomingToken)
        {
            m_token->moveTo(requester);
            requestFill();
            tileChanged();
        }
        return true;
    }
    if (m_incomingToken)
        return true;
    for (int32_t d : {kDirUp, kDirUpLeft, kDirUpRight})
    {
        ZTile* source = m_links[d];
        if (source && source->pullFrom(this))
            return true;
    }
    if (m_links[kDirUp] || m_links[kDirUpLeft] || m_links[kDirUpRight])
        return false;
    spawnToken();
    return true;
}

void ZTile::tileChanged()
{
    if (holdsToken())
        return;
    if (!m_token)
    {
        if (!m_incomingToken)
            requestFill();
        return;
    }
    if (isMatchable())
    {
        for (int32_t d : {kDirDown, kDirDownLeft, kDirDownRight})
        {
            if (m_links[d])
                m_links[d]->fillIfWaiting();
        }
    }
}

void ZTile::fillIfWaiting()
{
    if (m_state == kTileWaiting && isFillable())
        requestFill();
}

void ZTile::spawnToken()
{
    IBoardHost* host = GetBoardHost();
    ZToken* token = host->acquireToken();
    if (!token)
        return;
    token->beginSpawn(this);
    const int32_t limit = std::min(host->artifactsToCollect(), host->artifactLimit());
    if (m_spawnsArtifacts && host->artifactsOnBoard() < limit && host->nextArtifactId() != 0)
    {
        token->setType(kArtifactTokenType);
        ZArtifact* record = ZArtifactRegistry::GetInstance()->FindById(host->nextArtifactId());
        token->setArtifact(record);
        host->registerToken(token);
        return;
    }
    token->setType(int32_t(RandomNext() % uint32_t(kLevelTokenTypes)));
}

bool ZTile::respawnToken()
{
    if (!m_token || m_token->getState() != kTokenSettled || m_token->getType() == kArtifactTokenType)
        return false;
    if (m_state == kTileIncoming || m_state == kTilePopping || m_incomingToken || holdsToken())
        return false;
    GetBoardHost()->releaseToken(m_token);
    m_token = nullptr;
    spawnToken();
    return true;
}

bool ZTile::placeArtifact()
{
    if (!CanPlaceArtifact(this))
        return false;
    IBoardHost* host = GetBoardHost();
    ZArtifact* record = ZArtifactRegistry::GetInstance()->FindById(host->nextArtifactId());
    if (!record)
        return false;
    ZToken* artifact = host->acquireToken();
    if (!artifact)
        return false;
    host->releaseToken(m_token);
    m_token = nullptr;
    artifact->setType(kArtifactTokenType);
    placeToken(artifact);
    artifact->setArtifact(record);
    host->registerToken(artifact);
    return true;
}
