// The amulet's introduction: its seven phases, the board's full turn, the sounds and the popup.
#include "game/dive/hud/ZAmuletIntro.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/ZFrameTimer.h"
#include "engine/audio/ZSound.h"
#include "engine/core/ZEasing.h"
#include "engine/resource/ZStringTable.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"

namespace
{
// The amulet's key positions (x, y, depth) and scales.
const V3 kKeys[5] = {{13.0f, -20.0f, -300.0f}, {13.0f, 20.0f, -300.0f}, {13.0f, 4.0f, -300.0f},
                     {13.0f, 0.0f, -300.0f}, {13.0f, 350.0f, -300.0f}};
const float kKeyScales[5] = {0.5f, 1.0f, 1.07f, 1.0f, 1.0f};
constexpr float kAmuletSize = 160.0f;

V3 Mix(const V3& a, const V3& b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

ZParticleEmitterSystem* MakeEmitter(const char* name, float duration, uint32_t count)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->SetName(name);
    if (ZMaterial* sparkle = ZMaterial::Find("sparkly_material"))
        emitter->AddTemplate(sparkle);
    if (ZMaterial* blue = ZMaterial::Find("particle_blue_rotate"))
        emitter->AddTemplate(blue);
    emitter->ApplyPresetC(count);
    emitter->particleSize = {24.0f, 24.0f};
    emitter->sizeMinimum = 0.3f;
    emitter->sizeMaximum = 1.0f;
    emitter->speedMinimum = 30.0f;
    emitter->speedMaximum = 140.0f;
    emitter->lifeMinimum = 0.4f;
    emitter->lifeMaximum = 1.1f;
    emitter->duration = duration;
    emitter->SetActive(false);
    return emitter;
}
} // namespace

ZAmuletIntro* ZAmuletIntro::Create()
{
    auto* intro = new ZAmuletIntro();
    intro->SetName("amulet_intro");
    intro->Load();
    intro->SetActive(false);
    return intro;
}

ZAmuletIntro::~ZAmuletIntro() = default;

void ZAmuletIntro::Load()
{
    char path[64];
    for (int i = 0; i < kFrames; ++i)
    {
        std::snprintf(path, sizeof path, "resources:amulet_anim_%i.png", i);
        m_frames[i] = ZTexture::FindOrLoad(path, 0, 1);
    }
    m_shadow = ZSprite2D::CreateFromTexture(ZTexture::FindOrLoad("resources:amulet_shadow.png", 0, 1));
    m_shadow->SetName("amulet_shadow");
    m_shadow->SetSize(kAmuletSize, kAmuletSize * 0.5f);
    AddChild(m_shadow);
    m_amulet = ZSprite2D::CreateFromTexture(m_frames[0]);
    m_amulet->SetName("amulet");
    m_amulet->SetSize(kAmuletSize, kAmuletSize);
    AddChild(m_amulet);
    m_trail = MakeEmitter("rotation_emitter", -1.0f, 90);
    m_amulet->AddChild(m_trail);
    m_final = MakeEmitter("final_emitter", 0.0f, 60);
    AddChild(m_final);
    m_rotateSound = ZSound::Find("rotateboard");
    const char* names[3] = {"amulet_intro_1", "amulet_intro_2", "amulet_intro_3"};
    for (int i = 0; i < 3; ++i)
        m_introSounds[i] = ZSound::Find(names[i]);
}

int ZAmuletIntro::FrameFor(float t)
{
    return std::clamp(int(7.0f * t), 0, kFrames - 1);
}

void ZAmuletIntro::Show()
{
    m_phase = 0;
    m_time = 0.0f;
    m_frame = 0;
    m_amuletTurn = 0.0f;
    m_boardTurn = 0.0f;
    if (m_frames[0])
        m_amulet->SetTexture(m_frames[0], true);
    m_amulet->SetSize(kAmuletSize, kAmuletSize);
    m_amulet->SetHidden(false);
    PlaceAmulet(kKeys[0], kKeyScales[0], 0.0f);
    PlaceShadow(kKeys[0], kKeyScales[0], 1.0f, -10.0f);
    m_amulet->SetAlpha(0.0f);
    m_shadow->SetAlpha(0.0f);
    m_trail->ResetParticles();
    m_trail->SetActive(false);
    m_final->ResetParticles();
    m_final->SetActive(false);
    SetHidden(false);
    SetActive(true);
}

void ZAmuletIntro::Hide()
{
    if (m_rotateSound)
    {
        m_rotateSound->Stop();
        m_rotateSound->SetVolume(1.0f);
    }
    SetActive(false);
}

void ZAmuletIntro::SetPaused(bool paused)
{
    m_paused = paused;
    SetHidden(paused);
    if (!m_rotateSound)
        return;
    if (paused)
    {
        m_rotateSound->SetLooping(false);
        m_rotateSound->Stop();
    }
    else if (m_phase == 3)
    {
        m_rotateSound->SetLooping(true);
        m_rotateSound->Play();
    }
}

void ZAmuletIntro::PlaceAmulet(const V3& at, float scale, float turn)
{
    m_amulet->SetPositionXYZ(at.x, at.y, at.z);
    m_amulet->SetRotationZ(turn);
    m_amulet->SetScale({scale, scale, 1.0f});
}

void ZAmuletIntro::PlaceShadow(const V3& at, float scale, float squeeze, float dy)
{
    m_shadow->SetPositionXYZ(at.x, at.y + dy, at.z + 10.0f);
    m_shadow->SetScale({scale, scale * squeeze, 1.0f});
}

void ZAmuletIntro::EndPhase(int phase)
{
    switch (phase)
    {
    case 0:
        if (m_introSounds[0])
            m_introSounds[0]->Play();
        break;
    case 1:
        GetGameShell()->ShowExclusivePopup(ZStringTable::GetInstance()->GetText("game.amulet"), 1.8,
                                           {0.0f, 60.0f, -100.0f});
        break;
    case 2:
        m_trail->SetHidden(false);
        m_trail->emitting = true;
        m_trail->SetActive(true);
        if (m_rotateSound)
        {
            m_rotateSound->SetVolume(0.0f);
            m_rotateSound->SetLooping(true);
            m_rotateSound->Play();
        }
        break;
    case 3:
        if (m_rotateSound)
            m_rotateSound->Stop();
        m_trail->emitting = false;
        if (m_introSounds[1])
            m_introSounds[1]->Play();
        break;
    case 5:
        m_final->SetHidden(false);
        m_final->SetPositionXYZ(kKeys[4].x, kKeys[4].y, kKeys[4].z);
        m_final->SetActive(true);
        if (m_introSounds[2])
            m_introSounds[2]->Play();
        if (ZInGame* dive = ZInGame::PeekInstance())
            dive->RevealTopBar();
        m_amulet->SetHidden(true);
        m_shadow->SetAlpha(0.0f);
        break;
    default:
        break;
    }
}

void ZAmuletIntro::Update()
{
    ZGroup::Update();
    if (m_paused || !IsActive())
        return;
    const float dt = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    m_time += dt;
    const float t = std::clamp(m_time / kPhaseSeconds[m_phase], 0.0f, 1.0f);
    const float out = EaseOutCubicQuartic(t);
    switch (m_phase)
    {
    case 1:
    {
        const V3 at = Mix(kKeys[0], kKeys[1], out);
        const float scale = kKeyScales[0] + (kKeyScales[1] - kKeyScales[0]) * t;
        const float alpha = std::clamp(t / 0.3f, 0.0f, 1.0f);
        PlaceAmulet(at, scale, 0.0f);
        PlaceShadow(at, scale, 1.0f, -10.0f);
        m_amulet->SetAlpha(alpha);
        m_shadow->SetAlpha(alpha * 0.6f);
        break;
    }
    case 3:
    {
        m_amuletTurn = 2.0f * kTwoPi * out;
        const V3 at = Mix(kKeys[1], kKeys[2], out);
        const float scale = kKeyScales[1] + (kKeyScales[2] - kKeyScales[1]) * t;
        PlaceAmulet(at, scale, m_amuletTurn);
        PlaceShadow(at, scale, 1.0f, -10.0f);
        m_boardTurn = kTwoPi * out;
        if (ZBoard* board = ZBoard::PeekInstance())
        {
            board->restoreOrientation();
            board->applyRotation(m_boardTurn);
        }
        if (t < 0.2f)
            m_trail->SetIntensity(t / 0.2f);
        if (m_rotateSound)
        {
            float volume = 1.0f;
            if (t < 0.3f)
                volume = t / 0.3f;
            else if (t > 0.7f)
                volume = (1.0f - t) / 0.3f;
            m_rotateSound->SetVolume(std::clamp(volume, 0.0f, 1.0f));
        }
        break;
    }
    case 4:
    {
        const V3 at = Mix(kKeys[2], kKeys[3], EaseInQuad(t));
        const float scale = kKeyScales[2] + (kKeyScales[3] - kKeyScales[2]) * t;
        PlaceAmulet(at, scale, 0.0f);
        PlaceShadow(at, scale, 1.0f, -10.0f);
        break;
    }
    case 5:
    {
        m_frame = FrameFor(t);
        if (m_frames[m_frame])
            m_amulet->SetTexture(m_frames[m_frame], true);
        m_amulet->SetSize(kAmuletSize, kAmuletSize);
        const V3 at = Mix(kKeys[3], kKeys[4], out);
        PlaceAmulet(at, 1.0f, 0.0f);
        PlaceShadow(at, 1.0f, 0.3f, -2.0f);
        break;
    }
    default:
        break;
    }
    if (t < 1.0f)
        return;
    if (m_phase < kPhases - 1)
    {
        const int ended = m_phase;
        ++m_phase;
        m_time = 0.0f;
        EndPhase(ended);
        return;
    }
    // The last phase waits for the final burst to fade before the intro closes.
    if (!m_final->IsActive() || m_final->GetAliveCount() == 0)
        Hide();
}
