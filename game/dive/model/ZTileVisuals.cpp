// How a tile looks: its surface, frame and status overlay, the exit arrows with their pulsing
// glows and flash, the edge glow, and the fades of a whole board.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/controllers/ZAnimateGeom.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZGameSprite.h"
#include "game/common/ZThemes.h"
#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"

namespace
{
constexpr float kExitOffset = 26.0f;
constexpr float kExitFlashSeconds = 5.0f;

ZTextureResource* s_themeTextures[kThemeCount] = {};
ZTextureResource* s_statusTextures[3] = {}; // kinds 4, 5, 6
ZTextureResource* s_blockTextures[3] = {};  // kinds 1, 2, 3
// The themes' tile materials, held for the run: only sprites would hold them otherwise, and once the
// last board's sprites are gone the resource manager frees them, so the next board's exits and
// frames would find nothing and draw as bare boxes.
constexpr const char* kThemeLooks[4] = {"frame", "exit_on", "exit_off", "exit_glow"};
ZMaterial* s_themeMaterials[kThemeCount][4] = {};

constexpr const char* kStatusPaths[3] = {"resources:tile_status_chain.png", "resources:tile_status_2xchain.png",
                                         "resources:tile_status_freeze.png"};
constexpr const char* kBlockPaths[3] = {"resources:tile_block_l.png", "resources:tile_block_m.png",
                                        "resources:tile_block_n.png"};

void Load(ZTextureResource*& slot, const char* path)
{
    if (slot)
        return;
    slot = ZTexture::FindOrLoad(path, 0, 3);
    if (slot)
        slot->AddRef();
}

void Drop(ZTextureResource*& slot)
{
    if (slot)
        slot->Release();
    slot = nullptr;
}

// The theme's material of a kind ("frame", "exit_on", "exit_off", "exit_glow"); null when absent.
// Found once and held from then on (see s_themeMaterials).
ZMaterial* ThemeMaterial(const char* what)
{
    const int32_t theme = GetBoardTheme();
    int32_t look = 0;
    while (look < 4 && std::strcmp(kThemeLooks[look], what) != 0)
        ++look;
    if (theme < 0 || theme >= kThemeCount || look == 4)
        return nullptr;
    ZMaterial*& held = s_themeMaterials[theme][look];
    if (!held)
    {
        char name[64];
        std::snprintf(name, sizeof(name), "tile_%s_%s", kThemeNames[theme], what);
        held = ZMaterial::Find(name);
        if (held)
            held->AddRef();
    }
    return held;
}

// A sprite over its own copy of the material (a plain sprite material when there is none).
ZGameSprite* SpriteWithMaterial(ZMaterial* material)
{
    return material ? ZGameSprite::CreateWithOwnMaterial(material) : ZGameSprite::Create();
}

// Gives the sprite's own material the look of the named one and the sprite its texture's size.
void TakeLook(ZGameSprite* sprite, ZMaterial* material)
{
    if (!sprite || !material)
        return;
    if (ZMaterial* own = sprite->GetMaterial())
    {
        if (own != material)
            own->CloneFrom(material);
    }
    else
    {
        sprite->SetMaterial(material);
        sprite->MakeOwnMaterial();
    }
    if (ZTextureResource* texture = material->GetTexture(0))
        sprite->SetSizeFromTexture(texture);
}

// Takes a node off its parent and hands it to the scene tree for deletion.
template <class T> void DropNode(T*& node)
{
    if (!node)
        return;
    if (ZNode* parent = node->GetParent())
        parent->RemoveChild(node);
    node->Release();
    node = nullptr;
}

void Attach(ZNode* parent, ZNode* child)
{
    if (parent && child && child->GetParent() != parent)
        parent->AddChild(child);
}

void Detach(ZNode* child)
{
    if (child && child->GetParent())
        child->GetParent()->RemoveChild(child);
}

void SetFade(ZGameSprite* sprite, int32_t mode)
{
    if (!sprite)
        return;
    if (mode == ZGameSprite::kFadingIn)
        sprite->StartFadeIn();
    else if (mode == ZGameSprite::kFadingOut)
        sprite->StartFadeOut();
    else
    {
        sprite->Rewind();
        sprite->SetAlpha(1.0f);
    }
}
} // namespace

ZTextureResource* ZTile::blockTexture(int32_t kind)
{
    return kind >= kTileBlock && kind <= kTileHardBlock ? s_blockTextures[kind - kTileBlock] : nullptr;
}

ZTextureResource* ZTile::statusTexture(int32_t kind)
{
    return kind >= kTileChain && kind <= kTileFreeze ? s_statusTextures[kind - kTileChain] : nullptr;
}

ZTextureResource* ZTile::themeTexture(int32_t theme)
{
    return theme >= 0 && theme < kThemeCount ? s_themeTextures[theme] : nullptr;
}

void ZTile::loadSharedVisuals()
{
    char path[64];
    for (int32_t theme = 0; theme < kThemeCount; ++theme)
    {
        std::snprintf(path, sizeof(path), "resources:tile_%s.png", kThemeNames[theme]);
        Load(s_themeTextures[theme], path);
    }
    for (int32_t i = 0; i < 3; ++i)
    {
        Load(s_statusTextures[i], kStatusPaths[i]);
        Load(s_blockTextures[i], kBlockPaths[i]);
    }
}

void ZTile::releaseSharedVisuals()
{
    for (ZTextureResource*& texture : s_themeTextures)
        Drop(texture);
    for (int32_t i = 0; i < 3; ++i)
    {
        Drop(s_statusTextures[i]);
        Drop(s_blockTextures[i]);
    }
    for (auto& looks : s_themeMaterials)
    {
        for (ZMaterial*& material : looks)
        {
            if (material)
                material->Release();
            material = nullptr;
        }
    }
}

void ZTile::createBaseSprites()
{
    m_frame = SpriteWithMaterial(ThemeMaterial("frame"));
    m_frame->SetName("frame");
    m_frame->SetPositionXYZ(0.0f, 0.0f, 40.0f);
    m_background = ZGameSprite::Create();
    m_background->SetName("background");
    m_background->SetPositionXYZ(0.0f, 0.0f, 10.0f);
    AddChild(m_background);
}

void ZTile::setBackgroundTexture(ZTextureResource* texture)
{
    if (m_background && texture)
        m_background->SetTexture(texture);
}

float ZTile::getBackgroundAlpha() const
{
    return m_background ? m_background->GetAlpha() : 1.0f;
}

void ZTile::setBackgroundAlpha(float alpha)
{
    if (m_background)
        m_background->SetAlpha(alpha);
}

void ZTile::addFrame()
{
    if (!m_frame)
        return;
    TakeLook(m_frame, ThemeMaterial("frame"));
    Attach(this, m_frame);
}

void ZTile::applyTheme()
{
    if (m_kind >= kTileBlock && m_kind <= kTileHardBlock)
        setBackgroundTexture(blockTexture(m_kind));
    else
        setBackgroundTexture(themeTexture(GetBoardTheme()));
    if (m_frame)
        TakeLook(m_frame, ThemeMaterial("frame"));
    updateExitVisuals();
}

void ZTile::setOverlay(ZTextureResource* texture)
{
    releaseOverlay();
    m_overlay = ZGameSprite::Create();
    if (texture)
        m_overlay->SetTexture(texture);
    m_overlay->SetName("foreground");
    m_overlay->SetPositionXYZ(0.0f, 0.0f, -40.0f);
    m_overlay->SetActive(true);
    AddChild(m_overlay);
}

void ZTile::releaseOverlay()
{
    DropNode(m_overlay);
}

void ZTile::createExitSprites()
{
    if (m_exitSprites[0])
        return;
    // The arrow picture points right (+x); board space has y up, so the up arrow turns by +pi/2
    // and every arrow points out of the board through its side.
    static constexpr float kAngles[4] = {kPi / 2.0f, 0.0f, -kPi / 2.0f, kPi};
    static constexpr float kPlaces[4][2] = {{0.0f, kExitOffset}, {kExitOffset, 0.0f}, {0.0f, -kExitOffset}, {-kExitOffset, 0.0f}};
    for (int32_t d = 0; d < 4; ++d)
    {
        ZGameSprite* exit = SpriteWithMaterial(ThemeMaterial("exit_on"));
        exit->SetRotationZ(kAngles[d]);
        exit->SetNameF("exit_%i", d);
        exit->SetPositionXYZ(kPlaces[d][0], kPlaces[d][1], 0.0f);
        ZGameSprite* glow = SpriteWithMaterial(ThemeMaterial("exit_glow"));
        glow->SetRotationZ(kAngles[d]);
        glow->SetNameF("exit_glow_%i", d);
        if (ZMaterial* material = glow->GetMaterial())
        {
            if (ZTextureResource* texture = material->GetTexture(0))
                glow->SetSizeFromTexture(texture);
        }
        glow->SetPositionXYZ(kPlaces[d][0], kPlaces[d][1], -20.0f);
        ZPulsateController* pulse = ZPulsateController::Create(glow);
        pulse->SetName("exit_pulsate");
        m_exitSprites[d] = exit;
        m_exitGlows[d] = glow;
        m_exitPulses[d] = pulse;
        setExitPulse(0.0f);
    }
    for (ZPulsateController* pulse : m_exitPulses)
    {
        pulse->scalePhase = float(double(RandomNext()) * (1.0 / 4294967296.0) * 2.0 * double(kPi));
        pulse->alphaPhase = pulse->scalePhase;
    }
}

void ZTile::releaseExitSprites()
{
    for (int32_t d = 0; d < 4; ++d)
    {
        // The pulse controller is the glow's child and goes with it.
        m_exitPulses[d] = nullptr;
        DropNode(m_exitGlows[d]);
        DropNode(m_exitSprites[d]);
    }
}

void ZTile::attachExit(int32_t direction, bool attach)
{
    if (direction < 0 || direction >= 4)
        return;
    if (attach)
    {
        Attach(this, m_exitSprites[direction]);
        Attach(this, m_exitGlows[direction]);
    }
    else
    {
        Detach(m_exitSprites[direction]);
        Detach(m_exitGlows[direction]);
    }
}

void ZTile::setExitPulse(float t)
{
    const float speed = (1.0f - t) * 4.712389f + t * 31.415928f;
    for (ZPulsateController* pulse : m_exitPulses)
    {
        if (!pulse)
            continue;
        pulse->scaleSpeed = speed;
        pulse->alphaSpeed = speed;
        pulse->scaleBase = 0.75f;
        pulse->scaleAmplitude = (1.0f - t) * 0.25f + t * 0.6f;
        pulse->alphaBase = (1.0f - t) * 0.3f + t * 0.5f;
        pulse->alphaAmplitude = (1.0f - t) * 0.15f + t * 0.27f;
    }
}

void ZTile::startExitFlash()
{
    m_exitFlashStart = EngineClockNow();
}

void ZTile::updateExitVisuals()
{
    if (!m_frame || !m_frame->GetParent())
        return;
    const int32_t gravity = GetGravityDirection();
    for (int32_t d = 0; d < 4; ++d)
    {
        ZGameSprite* exit = m_exitSprites[d];
        if (!exit)
            continue;
        if (d == gravity)
        {
            TakeLook(exit, ThemeMaterial(m_exitLit ? "exit_on" : "exit_off"));
            TakeLook(m_exitGlows[d], ThemeMaterial("exit_glow"));
            if (m_exitGlows[d])
                m_exitGlows[d]->SetActive(true);
            if (m_exitPulses[d])
                m_exitPulses[d]->SetActive(true);
        }
        else
        {
            TakeLook(exit, ThemeMaterial("exit_off"));
            if (m_exitPulses[d])
                m_exitPulses[d]->SetActive(false);
            if (m_exitGlows[d])
                m_exitGlows[d]->SetActive(false);
        }
    }
    TakeLook(m_frame, ThemeMaterial("frame"));
}

void ZTile::showExitGlows()
{
    for (int32_t d = 0; d < 4; ++d)
    {
        if (!m_exitSprites[d])
            continue;
        if (m_exitGlows[d])
            m_exitGlows[d]->SetActive(true);
        if (m_exitPulses[d])
            m_exitPulses[d]->SetActive(true);
    }
}

void ZTile::dimOtherExits()
{
    const int32_t gravity = GetGravityDirection();
    for (int32_t d = 0; d < 4; ++d)
    {
        if (m_exitSprites[d] && d != gravity && m_exitPulses[d])
        {
            m_exitPulses[d]->fadeRemaining = 2.0f;
            m_exitPulses[d]->fadeTime = 2.0f;
        }
    }
}

void ZTile::updateEdgeGlow()
{
    m_onEdge = false;
    for (ZTile* link : m_links)
        m_onEdge = m_onEdge || !link;
    if (!m_onEdge)
    {
        releaseEdgeGlow();
        return;
    }
    if (!m_edgeGlow)
    {
        m_edgeGlow = ZGameSprite::Create();
        m_edgeGlow->SetSize(100.0f, 100.0f);
        m_edgeGlow->SetName("glow");
        m_edgeGlow->SetPositionXYZ(0.0f, 0.0f, 60.0f);
        m_edgeGlowPulse = ZPulsateController::Create(m_edgeGlow);
        m_edgeGlowPulse->SetActive(false);
        m_edgeGlowRotate = ZSprite2DRotate::Create(m_edgeGlow);
        m_edgeGlowRotate->SetActive(false);
        applyGlowStyle(false);
        AddChild(m_edgeGlow);
    }
    m_edgeGlow->Rewind();
    m_edgeGlow->SetAlpha(0.0f);
    GetBoardHost()->addEdgeTile(this);
}

void ZTile::releaseEdgeGlow()
{
    m_edgeGlowPulse = nullptr;
    m_edgeGlowRotate = nullptr;
    DropNode(m_edgeGlow);
}

void ZTile::applyGlowStyle(bool heater)
{
    if (!m_edgeGlow)
        return;
    if (m_edgeGlowPulse)
    {
        m_edgeGlowPulse->scaleAmplitude = 0.0f;
        m_edgeGlowPulse->alphaBase = 0.3f;
        m_edgeGlowPulse->alphaAmplitude = 0.1f;
        m_edgeGlowPulse->alphaSpeed = heater ? 2.5132742f : kPi;
        const float phase = float(double(RandomNext()) * (1.0 / 4294967296.0) * double(kPi));
        m_edgeGlowPulse->scalePhase = phase;
        m_edgeGlowPulse->alphaPhase = phase;
    }
    if (m_edgeGlowRotate)
    {
        const bool even = ((m_logicalColumn + m_logicalRow) & 1) == 0;
        const float speed = heater ? 0.35f * kPi : 0.75f * kPi;
        m_edgeGlowRotate->angularSpeed = (even != heater) ? speed : -speed;
    }
    if (ZMaterial* material = ZMaterial::Find(heater ? "board_glow_heater" : "board_glow"))
        TakeLook(m_edgeGlow, material);
}

void ZTile::setHaltedLook(bool on)
{
    m_halted = on;
    applyGlowStyle(on);
    setEdgeGlow(on, true);
    if (on && m_edgeGlow)
        m_edgeGlow->SetAlpha(1.0f);
}

bool ZTile::isSweeping() const
{
    return m_background && m_background->GetFadeState() != ZGameSprite::kFadeNone;
}

void ZTile::setEdgeGlow(bool on, bool force)
{
    m_edgeGlowOn = on;
    if (!m_edgeGlow)
        return;
    (void)force;
    m_edgeGlow->SetActive(on);
    if (m_edgeGlowPulse)
        m_edgeGlowPulse->SetActive(on);
    if (m_edgeGlowRotate)
        m_edgeGlowRotate->SetActive(on);
    if (!on)
        m_edgeGlow->SetAlpha(0.0f);
}

void ZTile::fadeIn()
{
    for (ZGameSprite* sprite : {m_background, m_overlay, m_frame})
    {
        if (sprite)
        {
            sprite->SetAlpha(0.0f);
            SetFade(sprite, ZGameSprite::kFadingIn);
        }
    }
    if (m_edgeGlowOn && m_edgeGlow)
    {
        if (m_edgeGlowRotate)
            m_edgeGlowRotate->SetActive(true);
        if (m_edgeGlowPulse)
            m_edgeGlowPulse->SetActive(true);
    }
    for (ZToken* token : {m_token, m_incomingToken})
    {
        if (!token)
            continue;
        token->SetAlpha(0.0f);
        SetFade(token, ZGameSprite::kFadingIn);
        if (ZNode* sparkle = token->getSparkle())
            sparkle->SetHidden(false);
    }
    for (int32_t d = 0; d < 4; ++d)
    {
        if (m_exits[d] && m_exitSprites[d])
            SetFade(m_exitSprites[d], ZGameSprite::kFadingIn);
    }
}

void ZTile::fadeOut()
{
    for (ZGameSprite* sprite : {m_background, m_overlay, m_frame})
    {
        if (sprite)
        {
            sprite->SetAlpha(1.0f);
            SetFade(sprite, ZGameSprite::kFadingOut);
        }
    }
    if (m_edgeGlow)
    {
        if (m_edgeGlowRotate)
            m_edgeGlowRotate->SetActive(false);
        if (m_edgeGlowPulse)
            m_edgeGlowPulse->SetActive(false);
        SetFade(m_edgeGlow, ZGameSprite::kFadingOut);
    }
    for (ZToken* token : {m_token, m_incomingToken})
    {
        if (!token)
            continue;
        token->SetAlpha(1.0f);
        SetFade(token, ZGameSprite::kFadingOut);
        if (ZNode* sparkle = token->getSparkle())
            sparkle->SetHidden(true);
    }
    for (int32_t d = 0; d < 4; ++d)
    {
        if (!m_exits[d])
            continue;
        m_exitFlashStart = kNoExitFlash;
        if (m_exitSprites[d])
            SetFade(m_exitSprites[d], ZGameSprite::kFadingOut);
    }
}

void ZTile::resetFade()
{
    for (ZGameSprite* sprite : {m_background, m_overlay, m_frame})
        SetFade(sprite, ZGameSprite::kFadeNone);
    for (ZToken* token : {m_token, m_incomingToken})
    {
        if (!token)
            continue;
        SetFade(token, ZGameSprite::kFadeNone);
        if (ZNode* sparkle = token->getSparkle())
            sparkle->SetHidden(false);
    }
    for (int32_t d = 0; d < 4; ++d)
    {
        if (m_exits[d])
            SetFade(m_exitSprites[d], ZGameSprite::kFadeNone);
    }
}

void ZTile::Update()
{
    ZGroup::Update();
    if (m_isExit)
    {
        const float alpha = getBackgroundAlpha();
        for (int32_t d = 0; d < 4; ++d)
        {
            if (m_exits[d] && m_exitPulses[d])
                m_exitPulses[d]->alphaFactor = alpha;
        }
    }
    if (isExitFlashing())
    {
        const double f = (EngineClockNow() - m_exitFlashStart) / double(kExitFlashSeconds);
        if (f <= 1.0)
        {
            const double rise = std::clamp(f / 0.02, 0.0, 1.0);
            const double decay = std::clamp((f - 0.02) / 0.98, 0.0, 1.0);
            double intensity = std::min(1.0, rise);
            if (decay > 0.0)
                intensity *= 1.0 - decay;
            setExitPulse(float(intensity));
        }
        else
        {
            m_exitFlashStart = kNoExitFlash;
            setExitPulse(0.0f);
        }
    }
}
