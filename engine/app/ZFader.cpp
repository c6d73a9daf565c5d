#include "engine/app/ZFader.h"

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZScreenHost.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

ZFader::ZFader()
{
    IScreenHost* host = GetScreenHost();
    m_sprite = host->CreateFadeSprite(float(g_renderWidth.GetValue()), float(g_renderHeight.GetValue()));
    if (m_sprite && !m_sprite->GetName())
        m_sprite->SetName("fade_sprite");
    m_group = ZGroup::CreateNamed("fade_group");
    m_camera = host->CreateScreenCamera();
    if (m_camera)
    {
        m_camera->SetName("fade_camera");
        m_camera->SetRoot(m_group);
    }
    if (m_sprite)
        m_group->AddChild(m_sprite);
    if (m_camera)
        m_group->AddChild(m_camera);
    SetAlpha(m_maxAlpha);
    m_active = 0;
    if (m_camera)
        m_camera->SetActive(false);
    m_group->SetActive(false);
    if (m_camera)
        host->AddToScreenView(m_camera);
    ZSceneTree::GetInstance()->AddChild(m_group);
}

// The nodes belong to the scene tree, which deletes them.
ZFader::~ZFader() = default;

double ZFader::Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

void ZFader::SetAlpha(float alpha)
{
    m_alpha = alpha;
    if (m_sprite)
        GetScreenHost()->SetFadeSpriteAlpha(m_sprite, alpha);
}

void ZFader::SetActive(bool on)
{
    m_active = on ? 1 : 0;
    if (m_group)
        m_group->SetActive(on);
    if (m_camera)
        m_camera->SetActive(on);
}

void ZFader::Fade(bool dark)
{
    if (dark)
    {
        SetActive(true);
        if (m_phase != kDarkening && m_phase != kDark)
        {
            m_phase = kDarkening;
            m_startTime = Now();
            SetAlpha(0.0f);
        }
    }
    else if (m_phase != kClearing && m_phase != kClear)
    {
        m_phase = kClearing;
        m_startTime = Now();
    }
}

void ZFader::SetDark(bool dark)
{
    if (dark)
    {
        SetActive(true);
        SetAlpha(m_maxAlpha);
        m_phase = kDark;
    }
    else
    {
        SetActive(false);
        m_phase = kClear;
    }
}

void ZFader::SetCameraOrder(float order)
{
    if (!m_camera)
        return;
    m_camera->SetPriority(order);
    GetScreenHost()->OnCameraOrderChanged(m_camera);
}

void ZFader::Update()
{
    const float elapsed = float(Now() - m_startTime);
    const float t = InverseLerpClamped(0.0f, m_duration, elapsed);
    if (m_phase == kDarkening)
    {
        SetAlpha((1.0f - (t - 1.0f) * (t - 1.0f)) * m_maxAlpha);
        if (t >= 1.0f)
            m_phase = kDark;
    }
    else if (m_phase == kClearing)
    {
        const float u = 1.0f - t;
        const float c = 1.0f - u * u * u;
        SetAlpha((1.0f - c * c * c * c) * m_maxAlpha);
        if (u <= 0.0f)
        {
            m_phase = kClear;
            SetActive(false);
        }
    }
}
