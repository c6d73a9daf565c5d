// Tile state: kinds, token placement, the tests the board and abilities ask, breaking, and the
// theme and gravity shared by tiles and tokens.
#include "game/dive/model/ZTile.h"

#include <algorithm>

#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZGameSprite.h"
#include "game/common/ZThemes.h"
#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
int32_t s_theme = 0;
int32_t s_gravity = kDirDown;

constexpr float kTokenAboveTile = 30.0f;
} // namespace

int32_t GetBoardTheme()
{
    return s_theme;
}

void SetBoardTheme(int32_t theme)
{
    s_theme = std::clamp(theme, 0, kThemeCount - 1);
}

int32_t GetGravityDirection()
{
    return s_gravity;
}

void SetGravityDirection(int32_t direction)
{
    s_gravity = direction & 3;
}

ZTile::ZTile()
{
    loadSharedVisuals();
    createBaseSprites();
    reset();
}

ZTile::~ZTile()
{
    // Attached sprites die with the group; those the tile holds detached are its own to delete.
    auto deleteDetached = [](auto*& node)
    {
        if (node && !node->GetParent())
            delete node;
        node = nullptr;
    };
    for (int32_t d = 0; d < 4; ++d)
    {
        m_exitPulses[d] = nullptr;
        deleteDetached(m_exitGlows[d]);
        deleteDetached(m_exitSprites[d]);
    }
    m_edgeGlowPulse = nullptr;
    m_edgeGlowRotate = nullptr;
    deleteDetached(m_edgeGlow);
    deleteDetached(m_overlay);
    deleteDetached(m_frame);
    deleteDetached(m_background);
}

void ZTile::reset()
{
    m_exitFlashStart = kNoExitFlash;
    releaseEdgeGlow();
    releaseOverlay();
    releaseExitSprites();
    m_kind = kTilePlain;
    m_state = kTileIdle;
    clearLinks();
    m_cell = 0;
    m_isExit = false;
    std::fill(std::begin(m_exits), std::end(m_exits), false);
    m_onEdge = false;
    m_spawnsArtifacts = false;
    m_exitLit = false;
    m_edgeGlowOn = false;
    m_visited = false;
    m_highlighted = false;
    m_halted = false;
    m_token = nullptr;
    m_incomingToken = nullptr;
    m_logicalColumn = m_logicalRow = -1;
    m_gridColumn = m_gridRow = -1;
    setBackgroundAlpha(1.0f);
}

void ZTile::clearLinks()
{
    std::fill(std::begin(m_links), std::end(m_links), nullptr);
}

void ZTile::setToPlain()
{
    m_kind = kTilePlain;
    setBackgroundTexture(themeTexture(GetBoardTheme()));
    releaseOverlay();
    m_edgeGlowOn = false;
    setEdgeGlow(false, true);
    m_exitFlashStart = kNoExitFlash;
    updateExitVisuals();
    setBackgroundAlpha(1.0f);
}

void ZTile::setKind(int32_t kind)
{
    m_kind = std::clamp(kind, int32_t(kTilePlain), int32_t(kTileFreeze));
    if (m_kind >= kTileBlock && m_kind <= kTileHardBlock)
        setBackgroundTexture(blockTexture(m_kind));
    else
        setBackgroundTexture(themeTexture(GetBoardTheme()));
    if (m_kind >= kTileChain)
        setOverlay(statusTexture(m_kind));
    else
        releaseOverlay();
}

void ZTile::setExit(int32_t direction, bool on)
{
    if (direction < 0 || direction >= 4)
        return;
    m_exits[direction] = on;
    if (on)
        m_isExit = true;
    m_exitLit = false;
}

void ZTile::updateExitLit()
{
    m_exitLit = m_isExit && !m_links[kDirDown] && hasExit(GetGravityDirection());
}

void ZTile::setToken(ZToken* token)
{
    m_token = token;
    if (!token)
        return;
    if (m_overlay)
    {
        V3 world;
        LocalToWorld(world);
        V3 tokenWorld;
        token->LocalToWorld(tokenWorld);
        tokenWorld.z = world.z - kTokenAboveTile;
        token->SetWorldPosition(tokenWorld);
    }
    token->SetActive(true);
}

void ZTile::placeToken(ZToken* token)
{
    setToken(token);
    if (!token)
        return;
    V3 world;
    LocalToWorld(world);
    world.z -= kTokenAboveTile;
    token->SetWorldPosition(world);
    if (!token->getTile() && token->getState() == kTokenFree)
        token->setState(kTokenSettled);
    token->setTile(this);
    m_state = kTileIdle;
}

void ZTile::snapTokenBack()
{
    if (!isMatchable())
        return;
    V3 world;
    LocalToWorld(world);
    world.z -= kTokenAboveTile;
    m_token->SetWorldPosition(world);
}

void ZTile::placeNodeAbove(ZNode* node, float depth)
{
    auto* geom = dynamic_cast<ZGeom*>(node);
    if (!geom)
        return;
    V3 world;
    LocalToWorld(world);
    world.z = depth;
    geom->SetWorldPosition(world);
    geom->SetActive(true);
}

bool ZTile::isMatchable() const
{
    return m_token && m_token->getState() == kTokenSettled && m_state != kTileIncoming && !m_incomingToken;
}

bool ZTile::isSwappable() const
{
    return isFillable() && isMatchable();
}

bool ZTile::isFixed() const
{
    return m_state == kTilePopping || holdsToken();
}

bool ZTile::isSettledArtifact() const
{
    return isMatchable() && m_token->getType() == kArtifactTokenType;
}

bool ZTile::isOrthogonalNeighbour(const ZTile* other) const
{
    if (!other)
        return false;
    for (int32_t d = kDirUp; d <= kDirLeft; ++d)
    {
        if (m_links[d] == other)
            return true;
    }
    return false;
}

void ZTile::breakTile(ZTileList* affected)
{
    if (m_token && m_token->getType() == kArtifactTokenType)
        return;
    if (m_token)
        m_token->setPopScale(1.0f);
    if (affected && std::find(affected->begin(), affected->end(), this) == affected->end())
        affected->push_back(this);

    IBoardHost* host = GetBoardHost();
    if (isFillable())
    {
        if (!m_token)
            m_state = kTileWaiting;
        else
            host->releaseToken(m_token);
        for (int32_t d = kDirUp; d <= kDirLeft; ++d)
        {
            ZTile* neighbour = m_links[d];
            if (neighbour && neighbour->m_kind == kTileBlock)
                neighbour->breakTile(affected);
        }
    }
    if (m_kind == kTileChain || m_kind == kTileDoubleChain)
        host->playSound("tilebreakchain");
    else if (m_kind == kTileFreeze)
        host->playSound("tilebreakice");

    switch (m_kind)
    {
    case kTileBlock:
    case kTileSoftBlock:
    case kTileChain:
    case kTileFreeze:
        setKind(kTilePlain);
        break;
    case kTileHardBlock:
        setKind(kTileSoftBlock);
        break;
    case kTileDoubleChain:
        setKind(kTileChain);
        break;
    default:
        break;
    }
}

void ZTile::forgetToken(ZToken* token)
{
    if (getToken() == token)
    {
        setToken(nullptr);
        setState(kTileWaiting);
    }
    if (m_incomingToken == token)
        m_incomingToken = nullptr;
}
