// The board's hint and feedback layer: hint countdown and search, pop sprites, tile pulses and
// the medal shown during the dive.
#include "game/dive/board/ZBoardHints.h"

#include <algorithm>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/controllers/ZPopupTextController.h"
#include "engine/core/ZRandom.h"
#include "engine/render/ZFont.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZGameSprite.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZSwapTokensController.h"
#include "game/dive/board/ZTokenPopController.h"
#include "game/dive/hud/ZMedalPopup.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
const char* const kMedalTextures[3] = {"localized:medal_bronze.png", "localized:medal_silver.png",
                                       "localized:medal_gold.png"};
const char* const kMedalSprites[3] = {"medal_bronze", "medal_silver", "medal_gold"};
const float kMedalSizes[3] = {170.0f, 217.6f, 255.0f};
const char* const kMedalSounds[4] = {"medal_complete", "medal_bronze", "medal_silver", "medal_gold"};

ZGroup* MakeGroup(const char* name, ZNode* parent)
{
    ZGroup* group = ZGroup::Create();
    group->SetName(name);
    parent->AddChild(group);
    return group;
}

} // namespace

ZBoardHints::ZBoardHints() = default;

ZBoardHints::~ZBoardHints()
{
    // The sprites live in the scene; only the pool's bookkeeping goes.
    m_freePop.clear();
    m_busyPop.clear();
}

void ZBoardHints::LoadVisuals(ZGroup* root)
{
    if (m_root || !root)
        return;
    m_root = root;
    m_tileHighlights = MakeGroup("tilehighlights", root);
    m_completionHints = MakeGroup("completionhints", root);
    m_popParticles = MakeGroup("tokenpopparticles", root);

    ZMaterial* halo = ZMaterial::Find("tilehinthalo");
    for (ZSprite*& sprite : m_halos)
    {
        ZSprite2D* s = halo ? ZSprite2D::CreateWithMaterial(halo) : ZSprite2D::CreateFromTexture(
                                                                         ZTexture::FindOrLoad("resources:highlight.png", 0, 1));
        s->SetName("tilehinthalo");
        s->SetSize(32.0f, 32.0f);
        s->SetActive(false);
        m_tileHighlights->AddChild(s);
        sprite = s;
    }

    m_popTexture = ZTexture::FindOrLoad("resources:tokenpop.png", 0, 1);
    for (int i = 0; i < kPopSprites; ++i)
    {
        ZGameSprite* sprite = ZGameSprite::CreateFromTexture(m_popTexture);
        sprite->SetNameF("tokenpopparticle%i", i);
        sprite->SetPositionXYZ(0.0f, 0.0f, -50.0f - float(i));
        sprite->SetActive(false);
        m_popParticles->AddChild(sprite);
        m_freePop.push_back(sprite);
    }

    m_interestHalo = ZSound::Find("interesthalo");
    for (int i = 0; i < 3; ++i)
    {
        ZSprite2D* medal = ZSprite2D::CreateFromTexture(ZTexture::FindOrLoad(kMedalTextures[i], 0, 1));
        medal->SetName(kMedalSprites[i]);
        medal->SetSize(kMedalSizes[i], kMedalSizes[i]);
        medal->SetPositionXYZ(0.0f, 0.0f, -40.0f);
        medal->SetActive(false);
        root->AddChild(medal);
        m_medals[i] = medal;
    }
    for (int i = 0; i < 4; ++i)
        m_medalSounds[i] = ZSound::Find(kMedalSounds[i]);
    for (ZPulseController*& pulse : m_highlightPool)
    {
        pulse = ZPulseController::Create(m_tileHighlights);
        pulse->SetActive(false);
    }
}

void ZBoardHints::SetPaused(bool paused)
{
    m_paused = paused ? 1 : 0;
    for (ZGroup* group : {m_root, m_tileHighlights, m_completionHints})
    {
        if (group)
            group->SetHidden(paused);
    }
}

void ZBoardHints::UpdateHintTimer(double dt)
{
    if (m_paused)
        return;
    if (m_countdown <= 0.0)
    {
        m_countdown = kHintDelay;
        FindHint();
        return;
    }
    m_countdown -= dt;
}

void ZBoardHints::CollectHintCandidates(std::vector<std::pair<ZTile*, ZTile*>>& out)
{
    out.clear();
    ZBoard* board = ZBoard::PeekInstance();
    if (!board)
        return;
    std::vector<ZTile*> runs;
    std::vector<ZTile*> scratch;
    auto usable = [](ZTile* t) { return t && t->isFillable() && t->isMatchable(); };
    for (ZTile* tile : board->gridTiles())
    {
        if (!usable(tile))
            continue;
        for (int direction : {2, 1})
        {
            ZTile* other = tile->getLink(direction);
            if (!usable(other))
                continue;
            if (tile->collectMatchRuns(tile, other->getToken(), runs, scratch) > 0 ||
                other->collectMatchRuns(other, tile->getToken(), runs, scratch) > 0)
                out.emplace_back(tile, other);
        }
    }
}

bool ZBoardHints::FindHint()
{
    std::vector<std::pair<ZTile*, ZTile*>> candidates;
    CollectHintCandidates(candidates);
    ZBoard* board = ZBoard::PeekInstance();
    if (candidates.empty())
    {
        std::vector<ZTile*> broken;
        if (board && GetDiveServices()->FireFallbackAbility(broken) && !broken.empty())
            board->removeBrokenTiles(broken, false);
        return false;
    }
    const auto& pick = candidates[RandomNext() % uint32_t(candidates.size())];
    ZToken* tokens[2] = {pick.second->getToken(), pick.first->getToken()};
    for (int i = 0; i < 2; ++i)
    {
        ZTokenHighlightController::Create(tokens[i], 1.0f, m_halos[i]);
        tokens[i]->setHintPulse(true);
        if (m_interestHalo)
            m_interestHalo->Play();
    }
    m_lastHint = {tokens[0], tokens[1]};
    ++m_hintsShown;
    return true;
}

void ZBoardHints::SpawnPopSprites(const std::vector<ZTile*>& tiles, int groupSize)
{
    for (ZTile* tile : tiles)
    {
        ZToken* token = tile ? tile->getToken() : nullptr;
        if (!token || token->getType() == kArtifactTokenType)
            continue;
        if (tile->getState() == kTilePopping || !tile->isFillable())
        {
            ShowTileHighlight(token);
            if (tile->getKind() >= kTileChain && tile->getKind() <= kTileFreeze)
            {
                ZTextureResource* overlay = ZTile::statusTexture(tile->getKind());
                if (overlay)
                {
                    SpawnPopSprite(ZGeom::WorldPositionOf(token), overlay, groupSize);
                    SpawnPopSprite(ZGeom::WorldPositionOf(token), overlay, groupSize);
                }
            }
        }
        else
            SpawnPopSprite(ZGeom::WorldPositionOf(token), token->GetTexture(), groupSize);
    }
    m_countdown = kHintDelay;
}

void ZBoardHints::SpawnPopSprite(const V3& worldPosition, ZTextureResource* texture, int groupSize)
{
    if (m_freePop.empty())
        return;
    ZGameSprite* sprite = m_freePop.back();
    m_freePop.pop_back();
    m_busyPop.push_back(sprite);
    V3 at = worldPosition;
    V3 own;
    sprite->GetPosition(own);
    if (auto* parent = static_cast<ZGeom*>(sprite->FindGeomParent()))
        parent->WorldToLocal(at);
    at.z = own.z;
    sprite->SetPosition(at);
    sprite->SetActive(true);
    if (texture)
        sprite->SetTexture(texture, true);
    ZTokenPopController::create(sprite, groupSize);
}

void ZBoardHints::ReturnPopSprite(ZGameSprite* sprite)
{
    auto it = std::find(m_busyPop.begin(), m_busyPop.end(), sprite);
    if (it == m_busyPop.end())
        return;
    m_busyPop.erase(it);
    m_freePop.push_back(sprite);
    sprite->SetActive(false);
}

void ZBoardHints::ShowTileHighlight(ZToken* token)
{
    if (!token)
        return;
    ZPulseController* pulse = m_highlightPool[m_highlightCursor];
    m_highlightCursor = (m_highlightCursor + 1) % kTileHighlights;
    if (!pulse)
        return;
    pulse->SetActive(false);
    pulse->SetTarget(token);
    pulse->SetActive(true);
}

void ZBoardHints::ShowScorePopup(const char* text, const V3& at)
{
    ZNode* layer = GetGameShell()->GetPopupLayer();
    ZFont* font = ZFont::Find("font_popup");
    if (!layer || !font || !text)
        return;
    V3 end = at;
    end.y += 40.0f;
    ZPopupTextController* popup =
        ZPopupTextController::Create(text, font, layer, &at, &end, 1.0f, 0.25f, 0.9f, 0.0f, EaseInCubic, 1.2);
    popup->SetActive(true);
}

void ZBoardHints::ShowMedal(int index)
{
    if (index < 0 || index > 3)
        return;
    if (m_medalIndex >= 0 && m_medalSounds[m_medalIndex])
        m_medalSounds[m_medalIndex]->Stop();
    if (m_medalSounds[index])
        m_medalSounds[index]->Play();
    if (index >= 1)
    {
        if (m_medalIndex >= 1 && m_medals[m_medalIndex - 1])
            m_medals[m_medalIndex - 1]->SetActive(false);
        if (ZSprite* medal = m_medals[index - 1])
        {
            if (auto* game = ZEntityCast<ZGameSprite>(medal))
                game->Rewind();
            if (!m_medalPopup)
                m_medalPopup = ZMedalPopup::Create();
            m_medalPopup->SetActive(false);
            m_medalPopup->SetTarget(medal);
            m_medalPopup->SetStartPosition(0.0f, 0.0f);
            m_medalPopup->SetActive(true);
        }
        m_medalTime = EngineClockNow();
    }
    m_medalIndex = index;
}

bool ZBoardHints::IsMedalPopupActive() const
{
    return m_medalPopup && m_medalPopup->IsActive();
}

void ZBoardHints::HideHalos()
{
    for (ZSprite* halo : m_halos)
    {
        if (halo)
            halo->SetActive(false);
    }
}

void ZBoardHints::ClearHighlight()
{
    HideHalos();
}

void ZBoardHints::HideAll()
{
    HideHalos();
    for (ZGameSprite* sprite : std::vector<ZGameSprite*>(m_busyPop))
        ReturnPopSprite(sprite);
    if (m_medalIndex >= 1 && m_medals[m_medalIndex - 1])
        m_medals[m_medalIndex - 1]->SetActive(false);
}
