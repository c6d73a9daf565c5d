// Matching and popping: landing batches, the match search through the tiles tokens landed on,
// the queue of pending pops, the pop with its charge, treasure and sound, and the refill after it.
#include <algorithm>
#include <cmath>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZRandom.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZBoardRules.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
// Kinds that make a group special: no crew charge from it.
bool IsSpecialKind(int kind)
{
    return kind == kTileBlock || kind == kTileChain || kind == kTileDoubleChain || kind == kTileFreeze;
}
} // namespace

ZMovementGroup* ZBoard::currentBatch()
{
    if (!m_current)
        m_current = new ZMovementGroup();
    return m_current;
}

void ZBoard::dropMovementGroup(ZMovementGroup* group)
{
    if (!group || m_resetting)
        return;
    // The pass that is walking this batch frees it itself when it is done.
    if (group == m_resolving)
    {
        m_resolvingDropped = true;
        return;
    }
    auto it = std::find(m_waiting.begin(), m_waiting.end(), group);
    if (it != m_waiting.end())
        m_waiting.erase(it);
    if (m_current == group)
        m_current = nullptr;
    delete group;
}

void ZBoard::flushLandingBatch()
{
    if (!m_current)
        return;
    ZMovementGroup* batch = m_current;
    m_current = nullptr;
    if (batch->tokens.empty())
    {
        auto it = std::find(m_waiting.begin(), m_waiting.end(), batch);
        if (it != m_waiting.end())
            m_waiting.erase(it);
        delete batch;
        return;
    }
    if (std::find(m_waiting.begin(), m_waiting.end(), batch) == m_waiting.end())
        m_waiting.push_back(batch);
}

void ZBoard::resolveAllWaiting()
{
    // Each pass may free its batch or add new ones: walk a copy and skip what has gone.
    const std::vector<ZMovementGroup*> batches = m_waiting;
    for (ZMovementGroup* batch : batches)
    {
        if (std::find(m_waiting.begin(), m_waiting.end(), batch) != m_waiting.end())
            resolveMatches(batch);
    }
}

void ZBoard::resolveMatches(ZMovementGroup* batch)
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (!batch || batch->tokens.empty() || !dive || !dive->IsPlaying() || m_resolving)
        return;
    flushLandingBatch();
    bool stillMoving = false;
    for (ZToken* token : batch->tokens)
    {
        if (token->getState() != kTokenSettled)
            stillMoving = true;
        else
            token->setHintPulse(false);
    }
    if (!stillMoving)
    {
        auto it = std::find(m_waiting.begin(), m_waiting.end(), batch);
        if (it != m_waiting.end())
            m_waiting.erase(it);
    }
    else if (std::find(m_waiting.begin(), m_waiting.end(), batch) == m_waiting.end())
        m_waiting.push_back(batch);

    // The settled tokens leave the batch (and forget it), so no token keeps a freed batch.
    std::vector<ZTile*> starts;
    m_resolving = batch;
    m_resolvingDropped = false;
    for (ZToken* token : std::vector<ZToken*>(batch->tokens))
    {
        if (token->getState() != kTokenSettled)
            continue;
        if (ZTile* tile = token->getTile())
            starts.push_back(tile);
        token->leaveMovementGroup();
    }
    m_resolving = nullptr;

    std::vector<ZTile*> joined;
    FindMatches(starts, joined);
    if (!joined.empty())
        queuePop(joined);

    if (!stillMoving || batch->tokens.empty())
    {
        auto it = std::find(m_waiting.begin(), m_waiting.end(), batch);
        if (it != m_waiting.end())
            m_waiting.erase(it);
        if (m_current == batch)
            m_current = nullptr;
        delete batch;
    }
}

void ZBoard::collectMatchGroup(ZTile* tile, std::vector<ZTile*>& visited, std::vector<ZTile*>& group)
{
    CollectMatchGroup(tile, visited, group);
}

void ZBoard::queuePop(const std::vector<ZTile*>& tiles)
{
    auto* record = new ZPendingPop();
    const size_t n = tiles.size();
    record->delay = PopDelay(int32_t(n), g_popDelayFactor.GetValue());
    record->tiles = tiles;
    for (ZTile* tile : tiles)
    {
        tile->setState(kTilePopping);
        if (ZToken* token = tile->getToken())
        {
            token->setState(kTokenPopping);
            token->startPop();
            if (n > 3)
                play(m_prePop, "game_pre_pop");
        }
    }
    m_pendingPops.push_back(record);
}

void ZBoard::popPendingGroups(float dt)
{
    // A pop refills tiles, which can land tokens, queue new records or even reset the board: walk
    // the records that were there when the step began, each only while it is still queued.
    const std::vector<ZPendingPop*> records = m_pendingPops;
    for (ZPendingPop* record : records)
    {
        auto it = std::find(m_pendingPops.begin(), m_pendingPops.end(), record);
        if (it == m_pendingPops.end())
            continue;
        record->elapsed += dt;
        if (record->elapsed < record->delay)
        {
            for (ZTile* tile : record->tiles)
            {
                ZToken* token = tile->getToken();
                if (token && token->getState() == kTokenPopping)
                    token->popSwell(record->elapsed, record->delay, 0.18f);
            }
            continue;
        }
        m_pendingPops.erase(it);
        const uint32_t resets = m_resets;
        popGroup(record->tiles);
        // Something the pop set off (the dive ending, say) reset the board: its tiles went back
        // to the pool, and nothing more of this step may touch them.
        if (resets != m_resets)
        {
            delete record;
            return;
        }
        finishPop(record->tiles);
        if (m_pendingPops.empty() && m_prePop)
            m_prePop->Stop();
        delete record;
    }
}

bool ZBoard::popGroup(const std::vector<ZTile*>& tiles)
{
    // Only the tiles whose token still waits to pop count: an ability may have taken one.
    std::vector<ZTile*> live;
    for (ZTile* tile : tiles)
    {
        ZToken* token = tile->getToken();
        if (token && token->getState() == kTokenPopping)
            live.push_back(tile);
    }
    if (live.empty())
        return !tiles.empty();
    const int kind = live.front()->getToken()->getType();
    const int n = int(live.size());
    if (kind == kArtifactTokenType)
    {
        for (ZTile* tile : live)
        {
            if (ZToken* token = tile->getToken())
                removeToken(token, false);
        }
        return true;
    }
    const ZTokenTypeInfo* row = levelTokenType(kind);
    const V2 centre2 = m_grid->averagePosition(live);
    const V3 centre = {centre2.x, centre2.y, 0.0f};
    bool special = false;
    for (ZTile* tile : live)
        special = special || IsSpecialKind(tile->getKind());
    IDiveServices* services = GetDiveServices();
    const bool creature = row && row->colourGroup >= 0;
    if (creature && !special)
        services->ChargeCrew(row->colourGroup, row->value, n, centre);
    if (row && !creature)
    {
        const float factor = services->GetTreasureFactor();
        const int amount = TreasureLineAmount(n, row->value, factor);
        if (services->PayTreasure(amount, centre, row->textures[kLookPlain]) && services->HasScoreBoard())
        {
            char text[16];
            std::snprintf(text, sizeof text, "%i", amount);
            text[7] = 0;
            if (ZBoardHints* hints = ZBoardHints::PeekInstance())
                hints->ShowScorePopup(text, centre);
        }
    }
    playPopSound(row && !creature, std::min(n, 5), centre.x);
    m_popped += uint32_t(n);
    return true;
}

void ZBoard::playPopSound(bool treasure, int size, float centreX)
{
    const int s = std::clamp(size, 3, 5) - 3;
    const int count = treasure ? m_treasureVariants[s] : m_popVariants[s];
    m_lastPopPan = PopPan(centreX);
    // A size without any variant stays silent: no variant is drawn from an empty set.
    if (count <= 0)
    {
        m_lastPopSound = nullptr;
        return;
    }
    ZSound* sound = (treasure ? m_treasurePops : m_pops)[s][PopSoundVariant(RandomNext(), count)];
    m_lastPopSound = sound ? sound->GetName() : nullptr;
    if (sound)
        sound->SetPan(m_lastPopPan);
    play(sound, m_lastPopSound ? m_lastPopSound : "tokenpop");
}

void ZBoard::finishPop(const std::vector<ZTile*>& tiles)
{
    for (ZTile* tile : tiles)
    {
        tile->setState(kTileIdle);
        if (ZToken* token = tile->getToken())
            token->setState(kTokenSettled);
    }
    if (tiles.size() > 3)
    {
        if (ZInGame* dive = ZInGame::PeekInstance())
        {
            const V2 c = m_grid->averagePosition(tiles);
            dive->ShowPraise(int(tiles.size()), {c.x, c.y, 0.0f});
        }
    }
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->SpawnPopSprites(tiles, int(tiles.size()));
    m_lastPop = EngineClockNow();
    ZTileList fall;
    for (ZTile* tile : tiles)
        tile->breakTile(&fall);
    for (ZTile* tile : fall)
        tile->tileChanged();
}

void ZBoard::collectTreasures(const std::vector<ZTile*>& tiles)
{
    IDiveServices* services = GetDiveServices();
    for (int type = 0; type < kLevelTokenTypes; ++type)
    {
        const ZTokenTypeInfo* row = levelTokenType(type);
        if (!row || row->colourGroup != kColourTreasure || row->value <= 0.0f)
            continue;
        ZTileList counted;
        for (ZTile* tile : tiles)
        {
            if (tile->isMatchable() && tile->getToken()->getType() == type)
                counted.push_back(tile);
        }
        if (counted.empty())
            continue;
        const int amount = TreasureBrokenAmount(int32_t(counted.size()), row->value, services->GetTreasureFactor());
        const V2 c = m_grid->averagePosition(counted);
        services->PayTreasure(amount, {c.x, c.y, 0.0f}, row->textures[kLookPlain]);
    }
}

void ZBoard::removeToken(ZToken* token, bool refill)
{
    if (!token)
        return;
    if (token->getType() == kArtifactTokenType)
        artifactLeaves(token);
    unregisterArtifact(token);
    ZTile* tile = token->getTile();
    releaseToken(token);
    if (refill && tile)
        tile->tileChanged();
}

void ZBoard::artifactLeft(ZToken* token, int32_t how)
{
    (void)how;
    removeToken(token, true);
}
