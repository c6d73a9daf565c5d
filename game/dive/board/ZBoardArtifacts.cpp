// Artifacts on the board: topping the board up with new artifacts at the spawn points farthest
// from an open exit, an artifact leaving through an exit with its dust, sound, salvage text and
// flight to the completion bar, and the glow of the exits at the start of a dive.
#include <algorithm>
#include <cstdlib>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZRandom.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/board/ZSwapTokensController.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZBoardRules.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
constexpr double kPlacementPeriod = 2.0;
constexpr int kRandomTries = 52;

} // namespace

bool ZBoard::placeArtifactOn(ZTile* tile)
{
    if (!CanPlaceArtifact(tile))
        return false;
    ZToken* old = tile->getToken();
    const char letter = nextArtifactLetter();
    ZArtifact* record = letter ? ZArtifactRegistry::GetInstance()->FindByShorthand(letter) : nullptr;
    if (!record)
        return false;
    releaseToken(old);
    ZToken* token = acquireToken();
    if (!token)
        return false;
    token->setType(kArtifactTokenType);
    token->setArtifact(record);
    tile->placeToken(token);
    registerToken(token);
    return true;
}

void ZBoard::placeArtifacts()
{
    const double now = EngineClockNow();
    if (m_spawnPoints.empty() || now - m_lastPlacement < kPlacementPeriod)
        return;
    m_lastPlacement = double(float(now));

    ZTileList candidates;
    OrderArtifactCandidates(m_spawnPoints, m_exitTiles, candidates);
    for (ZTile* candidate : candidates)
    {
        if (placeArtifactOn(candidate))
            break;
    }
    if (!m_artifacts.empty())
        return;
    for (int i = 0; i < kRandomTries; ++i)
    {
        ZTile* spawn = m_spawnPoints[RandomNext() % uint32_t(m_spawnPoints.size())];
        if (placeArtifactOn(spawn))
            break;
    }
}

void ZBoard::artifactLeaves(ZToken* token)
{
    const V3 at = ZGeom::WorldPositionOf(token);
    GetGameShell()->SpawnParticleEffect("dust", {at.x + 45.0f, at.y + 35.0f, at.z});
    play(m_artifactExit, "artifact_exit");
    showSalvaged(token);
    ZInGame* dive = ZInGame::PeekInstance();
    ZArtifactExitController* flight =
        ZArtifactExitController::Create(token, dive ? dive->GetArtifactDrop() : nullptr, token->getArtifact());
    ZBoardHints* hints = ZBoardHints::PeekInstance();
    ZNode* layer = hints && hints->GetLayer() ? static_cast<ZNode*>(hints->GetLayer()) : static_cast<ZNode*>(this);
    layer->AddChild(flight->GetMovingGroup());
    flight->SetActive(true);
}

void ZBoard::showSalvaged(ZToken* token)
{
    if (!m_salvagedText)
        m_salvagedText = ZStringTable::GetInstance()->GetText("game.salvaged");
    // The game object shows one such text at a time and drops a second while the first floats.
    GetGameShell()->ShowExclusivePopup(m_salvagedText, 1.2, ZGeom::WorldPositionOf(token));
}

void ZBoard::resetExitGlow()
{
    for (ZTile* tile : m_exitTiles)
    {
        tile->updateExitVisuals();
        if (tile->isExitLit())
            tile->setExitPulse(0.4f);
    }
}

void ZBoard::restartExitGlow()
{
    m_exitGlowDone = false;
    for (ZTile* tile : m_exitTiles)
        tile->updateExitVisuals();
}

void ZBoard::setExitGlow(float strength)
{
    for (ZTile* tile : m_exitTiles)
    {
        if (tile->isExitLit())
            tile->setExitPulse(strength);
    }
}
