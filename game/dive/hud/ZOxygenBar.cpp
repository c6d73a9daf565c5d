// The dive's air timer on the HUD: the countdown with the abilities' air rates, the read-out, the
// low-air warnings, the leak played by the end-of-level screen and the one expiry notice.
#include "game/dive/hud/ZOxygenBar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/ZFrameTimer.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZInGame.h"
#include "game/dive/abilities/ZAbilityManager.h"

namespace
{
// The bar leans with the air widget's tube.
constexpr float kBarTilt = -0.28274336f;

bool RelaxMode()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    ZPropertyBool* relax = settings ? settings->FindTyped<bool>("profile.relaxmode") : nullptr;
    return relax && relax->GetValue();
}

double FrameDelta()
{
    return g_frameTimer ? g_frameTimer->frameDelta : 0.0;
}

void Silence(ZSound* sound)
{
    if (!sound)
        return;
    sound->SetFollowUp(nullptr);
    sound->Stop();
}
} // namespace

ZOxygenBar* ZOxygenBar::Create(ZSprite* bar, ZFontText* readout, ZNode* widget, double seconds)
{
    auto* air = new ZOxygenBar();
    air->SetName("oxygenbar");
    air->showRemaining = 1;
    air->m_readout = readout;
    // The read-out keeps the blank of its one-digit minutes.
    if (readout)
        readout->SetTrim(false);
    ZSceneTree::GetInstance()->AddChild(air);
    air->SetTarget(bar);
    air->Load(widget);
    if (bar)
        bar->SetRotationZ(kBarTilt);
    air->SetDuration(seconds);
    air->Reset();
    air->StopAir();
    return air;
}

// The bubbles and the warning anchor belong to the widget, the sounds to the resources: both may
// be gone when the scene tree deletes the bar at shutdown.
ZOxygenBar::~ZOxygenBar() = default;

void ZOxygenBar::Load(ZNode* widget)
{
    m_widget = widget;
    m_warningSound = ZSound::Find("timerwarning");
    m_leakSound = ZSound::Find("air_leak");
    m_bubbles = ZParticleEmitterSystem::Create();
    m_bubbles->SetName("air_leak_bubbles");
    if (ZMaterial* bubble = ZMaterial::Find("particle_bubble"))
        m_bubbles->AddTemplate(bubble);
    m_bubbles->ApplyPresetA(200);
    // A thin stream of small bubbles rising from the tube.
    m_bubbles->SetEmitterSegment({200.0f, 200.0f, 0.0f}, {100.0f, 0.0f, 0.0f});
    m_bubbles->particleSize = {14.0f, 14.0f};
    m_bubbles->sizeMinimum = 0.3f;
    m_bubbles->sizeMaximum = 0.9f;
    m_bubbles->gravity = {0.0f, 90.0f, 0.0f};
    m_bubbles->lifeMinimum = 0.6f;
    m_bubbles->lifeMaximum = 1.4f;
    m_bubbles->emitting = false;
    m_bubbles->SetActive(false);
    // The warning popups stand a little above the widget.
    m_warningAnchor = ZGeom::Create();
    m_warningAnchor->SetName("air_warning_anchor");
    m_warningAnchor->SetPositionXYZ(0.0f, 50.0f, -10.0f);
    // Without a widget they stay with the bar.
    ZNode* parent = widget ? widget : static_cast<ZNode*>(this);
    parent->AddChild(m_bubbles);
    parent->AddChild(m_warningAnchor);
}

void ZOxygenBar::StartAir()
{
    SetActive(true);
    running = true;
}

void ZOxygenBar::StopAir()
{
    running = false;
    StopSounds();
    SetActive(false);
}

void ZOxygenBar::StopSounds()
{
    Silence(m_warningSound);
    Silence(m_leakSound);
}

void ZOxygenBar::Reset()
{
    remaining = duration;
    running = true;
    elapsedSpare = 0.0;
    expired = false;
    m_displayed = 1.0f;
    SetValue(1.0f);
    m_warningsOff = false;
    if (m_warningSound)
        m_warningSound->Stop();
    m_lastWarning = -1.0e38;
    m_lastWarningSound = -1.0e38;
    RefreshReadout();
    StopSounds();
    m_consumed = 0.0;
}

void ZOxygenBar::SetWarningsOff(bool off)
{
    m_warningsOff = off;
    m_lastWarning = -1.0e38;
    m_lastWarningSound = -1.0e38;
    if (off && m_warningSound)
        m_warningSound->Stop();
}

void ZOxygenBar::StartLeak()
{
    m_leakProgress = 0.0f;
    m_leaking = true;
    if (m_bubbles)
    {
        m_bubbles->emitting = true;
        m_bubbles->SetHidden(false);
        m_bubbles->SetActive(true);
    }
    if (m_leakSound)
    {
        m_leakSound->SetLooping(true);
        m_leakSound->Play();
    }
    SetActive(true);
}

void ZOxygenBar::StopLeak()
{
    m_leaking = false;
    if (m_bubbles)
        m_bubbles->SetActive(false);
    if (m_leakSound)
        m_leakSound->Stop();
    SetActive(false);
}

void ZOxygenBar::Update()
{
    const double dt = FrameDelta();
    RefreshReadout();
    if (m_leaking)
    {
        if (m_displayed > 0.0f)
        {
            m_displayed = std::max(0.0f, m_displayed - float(dt / kLeakSeconds));
            SetValue(m_displayed);
            m_leakProgress = 1.0f - m_displayed;
            return;
        }
        m_leaking = false;
        if (m_bubbles)
            m_bubbles->emitting = false;
        if (m_leakSound)
            m_leakSound->Stop();
        m_leakProgress = 1.0f;
        return;
    }
    if (running)
    {
        ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
        const double amount = abilities ? double(abilities->ModifyAirRate(float(dt))) : dt;
        if (remaining <= 0.0)
        {
            remaining = 0.0;
            running = false;
            SetValue(m_displayed);
            if (!expired)
            {
                expired = true;
                Listeners::Deliver([this](IGameProgressBarTimerListener* l) { l->OnTimerExpired(this); });
            }
        }
        else
        {
            // The picture follows the true fraction smoothly rather than jumping after an air item.
            const float target = GetDisplayValue();
            const float step = float(0.25 * amount);
            if (m_displayed < target)
                m_displayed = std::min(target, m_displayed + step);
            else
                m_displayed = std::max(target, m_displayed - step);
            m_consumed += amount;
            if (!RelaxMode())
            {
                SetValue(m_displayed);
                remaining -= amount;
            }
        }
    }
    GiveWarnings();
}

void ZOxygenBar::GiveWarnings()
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (remaining > kWarningTime || m_warningsOff || (dive && dive->IsPaused()))
        return;
    const double now = EngineClockNow();
    if (now - m_lastWarning > kWarningPeriod)
    {
        m_lastWarning = now;
        ++m_warnings;
        GetGameShell()->ShowPopupAt(ZStringTable::GetInstance()->GetText("general.airwarning"), true, 1.6,
                                    m_widget ? m_warningAnchor : nullptr);
    }
    if (now - m_lastWarningSound > kWarningSoundPeriod)
    {
        m_lastWarningSound = now;
        ++m_warningSounds;
        if (m_warningSound)
            m_warningSound->Play();
    }
}

void ZOxygenBar::FormatTime(double remaining, char* out, size_t size)
{
    const double r = std::max(remaining, 0.0);
    const double seconds = std::clamp(std::fmod(r, 60.0) - 0.1, 0.0, 59.0);
    const double minutes = std::floor(std::clamp(r / 60.0, 0.0, 9999.0));
    std::snprintf(out, size, "%2.f:%02.f", minutes, seconds);
}

void ZOxygenBar::RefreshReadout()
{
    if (!m_readout)
        return;
    const bool relax = RelaxMode();
    m_readout->SetHidden(relax);
    if (relax)
        return;
    char text[32];
    FormatTime(remaining, text, sizeof text);
    if (m_readout->GetText() != text)
        m_readout->SetText(text);
}
