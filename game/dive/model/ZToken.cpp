// Tokens: type and looks, falls and spawns, landing, the pop swell and the pool's reset.
#include "game/dive/model/ZToken.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
constexpr float kTokenAboveTile = 30.0f;
constexpr float kMinMove = 1.0f / 8192.0f;
constexpr float kBlinkSeconds = 0.08f;

float FloatSetting(const char* key, float fallback)
{
    if (ZPropertyManager* manager = ZPropertyManager::PeekInstance())
    {
        if (auto* setting = manager->FindTyped<float>(key))
            return setting->GetValue();
    }
    return fallback;
}

// A one-time tip: shown once while its flag setting is false, then the flag is set.
void ShowTipOnce(const char* settingKey, const char* tipName)
{
    ZPropertyManager* manager = ZPropertyManager::PeekInstance();
    auto* flag = manager ? manager->FindTyped<bool>(settingKey) : nullptr;
    if (!flag || flag->GetValue())
        return;
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        tips->OpenTimedToolTip(tipName, nullptr, 0, 3.0f);
    flag->SetValue(true);
}

double Now()
{
    return EngineClockNow();
}

double FrameDelta()
{
    return g_frameTimer ? g_frameTimer->frameDelta : 0.0;
}
} // namespace

float TokenSpeedSetting()
{
    return FloatSetting("divegame.tokenspeed", 75.0f);
}

float TokenAccelerationSetting()
{
    return FloatSetting("divegame.tokenacceleration", 950.0f);
}

ZToken::ZToken()
{
    SetMaterialByName("sprite2d_material");
    SetSize(kSize, kSize);
    SetFadeSpeed(kDefaultFadeSpeed);
    SetFlags(kNodeToken);
    m_speed = TokenSpeedSetting();
}

ZToken::~ZToken()
{
    if (m_swapController)
        m_swapController->RemoveListener(this);
    m_swapController = nullptr;
    // The emitter is a child and goes with the sprite.
    m_sparkle = nullptr;
}

void ZToken::initialise()
{
    SetName("Token");
    if (ZTextureResource* texture = GetLevelTokenTexture(0, kLookPlain))
        SetTexture(texture, true);
    m_lookCount = 0;
    SetRotationZ(0.0f);
    m_rotationAngle = 0.0f;
}

void ZToken::resetForUse(const M33& orientation)
{
    m_state = kTokenFree;
    m_hovered = false;
    m_hintPulse = false;
    ClearFlags(kNodePickable);
    m_nextBlink = Now() + double(RandomFloat()) * 25.0;
    Rewind();
    SetAlpha(1.0f);
    setPopScale(1.0f);
    SetActive(true);
    if (m_colourGroup != -1)
        showLook(kLookPlain);
    m_lookCount = 0;
    SetOrientation(orientation);
    m_speed = TokenSpeedSetting();
}

void ZToken::release()
{
    SetActive(false);
    m_tile = nullptr;
    m_previousTile = nullptr;
    leaveMovementGroup();
    // The gravity last seen stays: the next use takes the board's token orientation as it is.
    SetOrientation(M33{});
    m_state = kTokenFree;
    releaseSparkle();
    m_artifact = nullptr;
    m_lookCount = 0;
}

void ZToken::setType(int32_t type)
{
    m_type = type;
    m_colourGroup = -1;
    if (type != kArtifactTokenType)
    {
        m_artifact = nullptr;
        if (const ZTokenTypeInfo* row = GetLevelTokenType(type))
            m_colourGroup = row->colourGroup;
        if (ZTextureResource* texture = GetLevelTokenTexture(type, kLookPlain))
            SetTexture(texture, true);
        m_shownLook = kLookPlain;
    }
    else
    {
        releaseSparkle();
        if (ZTextureResource* texture = GetArtifactTokenTexture())
            SetTexture(texture, true);
    }
}

void ZToken::setArtifact(ZArtifact* record)
{
    m_artifact = record;
    if (record && record->GetTexture())
        SetTexture(record->GetTexture(), true);
    attachSparkle();
}

uint8_t ZToken::getArtifactId() const
{
    return m_artifact ? m_artifact->GetId() : 0;
}

void ZToken::attachSparkle()
{
    releaseSparkle();
    if (!m_artifact)
        return;
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    if (!emitter)
        return;
    emitter->SetParticleCount(15);
    emitter->SetRandomDirections(-kPi, kPi);
    if (ZMaterial* material = GetBoardHost()->sparkleTemplate())
        emitter->AddTemplate(material);
    emitter->SetPositionXYZ(0.0f, 0.0f, -10.0f);
    AddChild(emitter);
    emitter->SetActive(false);
    m_sparkle = emitter;
}

void ZToken::releaseSparkle()
{
    if (!m_sparkle)
        return;
    if (ZNode* parent = m_sparkle->GetParent())
        parent->RemoveChild(m_sparkle);
    m_sparkle->Release();
    m_sparkle = nullptr;
}

void ZToken::setPopScale(float scale)
{
    m_popScale = {scale, scale};
    SetSpriteScale(m_popScale);
}

void ZToken::setSwapController(ZInterpolateBase* controller)
{
    if (m_swapController == controller)
        return;
    if (m_swapController)
        m_swapController->RemoveListener(this);
    m_swapController = controller;
    if (m_swapController)
        m_swapController->AddListener(this);
}

void ZToken::showLook(int32_t look)
{
    if (m_colourGroup == -1 || look < 0 || look >= kLookCount)
        return;
    m_shownLook = look;
    if (ZTextureResource* texture = GetLevelTokenTexture(m_type, look))
        SetTexture(texture, true);
}

void ZToken::pushLook(int32_t look, float duration)
{
    if (m_lookCount >= kMaxLooks)
        return;
    showLook(look);
    m_looks[m_lookCount++] = {duration, look};
}

void ZToken::startPop()
{
    showLook(kLookPlain);
    pushLook(kLookGood, 999.0f);
    pushLook(kLookBlink, kBlinkSeconds);
}

void ZToken::showSelected()
{
    showLook(kLookPlain);
    pushLook(kLookGood, 30.0f);
    pushLook(kLookBlink, kBlinkSeconds);
}

void ZToken::showDeselected()
{
    showLook(kLookPlain);
    pushLook(kLookPlain, -1.0f);
    pushLook(kLookBlink, kBlinkSeconds);
    pushLook(kLookBad, 1.5f);
    pushLook(kLookBlink, kBlinkSeconds);
}

void ZToken::setHover(bool on)
{
    m_hovered = on;
    if (on)
    {
        m_lookCount = 0;
        showLook(kLookPlain);
    }
}

void ZToken::glance(int32_t look, float duration)
{
    pushLook(look, duration);
    pushLook(kLookBlink, kBlinkSeconds);
}

void ZToken::advanceLooks(float dt)
{
    if (m_lookCount >= 1)
    {
        SLook& top = m_looks[m_lookCount - 1];
        top.duration -= dt;
        if (top.duration <= 0.0f)
        {
            --m_lookCount;
            showLook(m_lookCount > 0 ? m_looks[m_lookCount - 1].look : kLookPlain);
        }
        return;
    }
    if (Now() >= m_nextBlink)
    {
        pushLook(kLookPlain, -1.0f);
        pushLook(kLookBlink, kBlinkSeconds);
        m_nextBlink = Now() + 10.0 + double(RandomFloat()) * 25.0;
    }
}

void ZToken::popSwell(float elapsed, float end, float span)
{
    const float k = end - span / 4.0f;
    float scale = 1.0f;
    if (elapsed <= k)
    {
        // k <= 0 (a pop with no swell phase) counts as a finished swell.
        const float u = k > 0.0f ? std::clamp(elapsed / k, 0.0f, 1.0f) : 1.0f;
        scale = 1.0f + 0.25f * (1.0f - (u - 1.0f) * (u - 1.0f)) + RandomFloat() * 0.4f * u * u;
    }
    else
    {
        const float range = end - k;
        // A shrink phase of no length ends at once.
        const float v = range > 0.0f ? std::clamp((elapsed - k) / range, 0.0f, 1.0f) : 1.0f;
        scale = 1.25f - 0.75f * v + RandomFloat() * 0.01f;
    }
    setPopScale(scale);
}

void ZToken::joinMovementGroup(ZTile* tile)
{
    if (m_group)
        return;
    ZMovementGroup* group = nullptr;
    if (tile && tile->getToken() && tile->getToken() != this)
        group = tile->getToken()->getMovementGroup();
    if (!group && tile && tile->getIncomingToken() && tile->getIncomingToken() != this)
        group = tile->getIncomingToken()->getMovementGroup();
    if (!group)
        group = GetBoardHost()->currentMovementGroup();
    if (!group)
        return;
    m_group = group;
    group->tokens.push_back(this);
}

void ZToken::leaveMovementGroup()
{
    ZMovementGroup* group = m_group;
    if (!group)
        return;
    m_group = nullptr;
    auto& tokens = group->tokens;
    tokens.erase(std::remove(tokens.begin(), tokens.end(), this), tokens.end());
    if (tokens.empty())
        GetBoardHost()->dropMovementGroup(group);
}

void ZToken::moveTo(ZTile* tile)
{
    if (!tile)
        return;
    V3 tileWorld;
    tile->LocalToWorld(tileWorld);
    V3 target = tileWorld;
    target.z -= kTokenAboveTile;
    if (ZGeom* parent = dynamic_cast<ZGeom*>(GetParent()))
        parent->WorldToLocal(target);
    V3 position;
    GetPosition(position);
    m_moveTarget = target;
    m_moveDirection = {target.x - position.x, target.y - position.y, 0.0f};
    m_moveProgress = 0.0f;
    m_moveLength = std::sqrt(m_moveDirection.x * m_moveDirection.x + m_moveDirection.y * m_moveDirection.y);
    if (m_moveLength >= kMinMove)
    {
        m_state = kTokenMoving;
        joinMovementGroup(tile);
        tile->setIncomingToken(this);
    }
    if (m_colourGroup != -1)
        showLook(kLookPlain);
    m_lookCount = 0;
    pushLook(kLookDown, -1.0f);
    pushLook(kLookBlink, kBlinkSeconds);
    if (m_tile)
    {
        m_tile->setState(kTileWaiting);
        m_previousTile = m_tile;
    }
    m_tile = tile;
    tile->setState(kTileIncoming);
}

void ZToken::beginSpawn(ZTile* tile)
{
    if (!tile)
        return;
    V3 world;
    tile->LocalToWorld(world);
    world.z -= kTokenAboveTile;
    SetWorldPosition(world);
    ZGameSprite* background = tile->getBackground();
    const bool tileShown = background && background->GetFadeState() != kFadingOut && background->GetAlpha() != 0.0f;
    if (tileShown)
        StartFadeIn();
    SetAlpha(0.0f);
    m_state = kTokenSpawning;
    joinMovementGroup(tile);
    m_previousTile = m_tile;
    m_tile = tile;
    tile->setIncomingToken(this);
    tile->setState(kTileIncoming);
}

void ZToken::OnFadedIn()
{
    if (m_state != kTokenSpawning || !m_tile)
        return;
    m_state = kTokenSettled;
    ZTile* tile = m_tile;
    tile->setToken(this);
    tile->setState(kTileIdle);
    tile->setIncomingToken(nullptr);
    tile->tileChanged();
    GetBoardHost()->resolveMatches(m_group);
}

void ZToken::OnStopped(ZInterpolateBase* interpolator)
{
    if (interpolator == m_swapController)
        onArrived();
}

void ZToken::onArrived()
{
    IBoardHost* host = GetBoardHost();
    if (m_colourGroup != -1)
        showLook(kLookPlain);
    m_lookCount = 0;
    pushLook(kLookPlain, -1.0f);
    pushLook(kLookBlink, kBlinkSeconds);
    pushLook(kLookGood, 0.6f);
    pushLook(kLookBlink, kBlinkSeconds);
    if (m_tile)
    {
        if (ZTile* left = m_tile->getLink(kDirLeft); left && left->getToken())
            left->getToken()->glance(kLookRight, 0.5f + RandomFloat() * 1.6f);
        if (ZTile* right = m_tile->getLink(kDirRight); right && right->getToken())
            right->getToken()->glance(kLookLeft, 0.5f + RandomFloat() * 1.6f);
    }
    bool leaving = false;
    if (m_type == kArtifactTokenType && m_tile)
    {
        if (m_tile->isExitTile() && !m_tile->isExitLit())
            ShowTipOnce("zelk.tip.exitoff", "stuckonoffexit");
        else if (!m_tile->isExitTile() && !m_tile->getLink(kDirDown))
            ShowTipOnce("zelk.tip.stuckonnonexit", "stuckonnonexit");
        leaving = m_tile->isExitTile() && m_tile->isExitLit();
    }
    if (m_state == kTokenMoving || m_state == kTokenSwapping)
    {
        setSwapController(nullptr);
        m_state = kTokenSettled;
        if (ZTile* previous = m_previousTile; previous && previous->getToken() == this)
        {
            previous->setToken(nullptr);
            previous->tileChanged();
        }
        m_previousTile = nullptr;
        if (m_tile)
        {
            m_tile->setToken(this);
            m_tile->setState(kTileIdle);
            m_tile->setIncomingToken(nullptr);
            m_tile->tileChanged();
        }
    }
    host->resolveMatches(m_group);
    if (leaving)
        leaveExitAndGroup();
}

void ZToken::leaveExit()
{
    if (m_type != kArtifactTokenType || !m_tile || !m_tile->isExitTile() || !m_tile->isExitLit())
        return;
    m_tile->startExitFlash();
    GetBoardHost()->artifactLeft(this, 1);
}

void ZToken::leaveExitAndGroup()
{
    leaveMovementGroup();
    leaveExit();
}

void ZToken::stepMovement(float dt)
{
    if (m_state != kTokenMoving)
        return;
    const float acceleration = TokenAccelerationSetting();
    if (acceleration > -1.0f)
        m_speed += dt * acceleration;
    const float step = dt * m_speed;
    if (m_moveLength > 0.0f)
    {
        MoveBy(m_moveDirection.x / m_moveLength * step, m_moveDirection.y / m_moveLength * step, 0.0f);
        m_moveProgress += step / m_moveLength;
    }
    else
        m_moveProgress = 1.0f;
    if (m_moveProgress >= 1.0f)
    {
        onArrived();
        if (m_state == kTokenSettled || m_state == kTokenPopping)
        {
            SetPosition(m_moveTarget);
            m_speed = TokenSpeedSetting();
        }
    }
}

void ZToken::Update()
{
    ZGameSprite::Update();
    const float dt = float(FrameDelta());
    const int32_t gravity = GetGravityDirection();
    if (gravity != m_gravitySeen)
    {
        // Against the board's own turn (clockwise for gravity right), so creatures stay upright.
        static constexpr float kAngles[4] = {kPi, kPi / 2.0f, 0.0f, -kPi / 2.0f};
        m_rotationAngle = kAngles[gravity & 3];
        SetRotationZ(m_rotationAngle);
        m_gravitySeen = gravity;
    }
    if (m_tile && (m_tile->getState() == kTilePopping || m_tile->holdsToken()))
        showLook(kLookBlink);
    else
        advanceLooks(dt);
    if (m_sparkle && !(m_sparkle->IsActive() && !m_sparkle->IsHidden()) && !GetBoardHost()->isBoardFadingIn() &&
        GetFadeState() == kFadeNone && GetAlpha() >= 1.0f / 8192.0f)
    {
        m_sparkle->SetActive(true);
        m_sparkle->SetHidden(false);
    }
    stepMovement(dt);
}

void ZToken::Stop()
{
    setSwapController(nullptr);
    ZGameSprite::Stop();
}
