// The board's tips: the level's own tips at its start, and the timed tips of play that point at
// an artifact stuck beside a closed side exit or, on the first level, at an artifact that has not
// moved down.
#include <algorithm>

#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
// Whether the player can turn the board ("profile.rotation", a setting of the shell).
bool CanRotate()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    ZPropertyBool* rotation = settings ? settings->FindTyped<bool>("profile.rotation") : nullptr;
    return rotation && rotation->GetValue();
}

void OpenTip(const char* name, ZNode* target, float seconds)
{
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!tips)
        return;
    ZNode* nodes[1] = {target};
    tips->OpenTimedToolTip(name, target ? nodes : nullptr, target ? 1 : 0, seconds);
}
} // namespace

void ZBoard::showLevelTips()
{
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!m_tip.empty())
    {
        ZNode* target = nullptr;
        if (m_tip == "firstlevel")
            target = m_artifacts.empty() ? nullptr : m_artifacts.front();
        else if (m_tip == "treasureshop")
        {
            for (int type = 0; type < kLevelTokenTypes && !target; ++type)
            {
                const ZTokenTypeInfo* row = levelTokenType(type);
                if (row && row->colourGroup == kColourTreasure)
                    target = randomTokenOfType(type);
            }
        }
        if (tips && (m_tip == "firstlevel" || m_tip == "treasureshop" || m_tip == "multilevel"))
            tips->UnregisterTip(ZNameId(m_tip.c_str()));
        OpenTip(m_tip.c_str(), target, 0.0f);
    }
    if (!m_tip2.empty())
        OpenTip(m_tip2.c_str(), nullptr, 0.0f);
}

void ZBoard::resetTips()
{
    m_toBottomShown = false;
    m_tip2Base = 0.0f;
    m_periodBase = EngineClockNow();
    for (ZTile* tile : m_exitTiles)
        tile->updateExitVisuals();
    restartExitGlow();
}

void ZBoard::updateTips()
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (!dive)
        return;
    const double t = dive->GetAirRunningTime();
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!m_tip.empty() && t > 1.0)
    {
        if (tips)
            tips->CloseToolTipByName(m_tip.c_str(), 3.0f);
        m_tip.clear();
    }
    if (!m_tip2.empty() && t > double(m_tip2Base) + 25.0)
    {
        if (tips)
            tips->CloseToolTipByName(m_tip2.c_str(), 3.0f);
        m_tip2.clear();
    }
    if (t > 10.0 && periodElapsed(4.0))
    {
        if (!g_tipSidewaysExit.GetValue() && CanRotate())
        {
            if (ZToken* stuck = findSidewaysStuckArtifact())
            {
                OpenTip("rotatetoexit", stuck, 3.0f);
                MarkTipShown(g_tipSidewaysExit);
            }
        }
        // "breaktoexit" waits for a charged crew member, which the crew brings.
    }
    if (!m_toBottomShown && m_levelNumber == 1 && t > 30.0 && !m_artifacts.empty())
    {
        ZToken* first = m_artifacts.front();
        ZTile* tile = first->getTile();
        if (tile && tile->getRow() - m_tutorialRow < 2)
        {
            if (tips)
            {
                V3 at;
                first->GetPosition(at);
                tips->OpenToolTipAt("tobottom", first, {at.x, at.y}, 3.0f);
            }
            m_toBottomShown = true;
        }
    }
}

ZToken* ZBoard::findSidewaysStuckArtifact() const
{
    for (ZToken* token : m_artifacts)
    {
        ZTile* tile = token->getTile();
        if (!tile || !tile->isExitTile() || tile->isExitLit())
            continue;
        if (tile->hasExit(kDirRight) || tile->hasExit(kDirLeft))
            return token;
        return nullptr;
    }
    return nullptr;
}

void ZBoard::tilesOfType(int type, bool includeUnswappable, std::vector<ZTile*>& out) const
{
    for (ZTile* tile : m_gridTiles)
    {
        if (!tile->isMatchable() || tile->getToken()->getType() != type)
            continue;
        if (includeUnswappable || tile->isSwappable())
            out.push_back(tile);
    }
}

ZToken* ZBoard::randomTokenOfType(int type) const
{
    std::vector<ZTile*> tiles;
    tilesOfType(type, false, tiles);
    for (size_t i = tiles.size(); i > 1; --i)
        std::swap(tiles[i - 1], tiles[RandomNext() % uint32_t(i)]);
    while (!tiles.empty())
    {
        ZToken* token = tiles.back()->getToken();
        tiles.pop_back();
        if (token && token->getType() != kArtifactTokenType)
            return token;
    }
    return nullptr;
}

bool ZBoard::periodElapsed(double period)
{
    const double now = EngineClockNow();
    if (now - m_periodBase < period)
        return false;
    m_periodBase = now;
    return true;
}
