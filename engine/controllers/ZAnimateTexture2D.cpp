#include "engine/controllers/ZAnimateTexture2D.h"

#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZGeomObject.h"
#include "engine/scene/ZSceneTree.h"

namespace
{

// The second transform switch, turned on by both controllers.
constexpr int kSwitchSecondTransform = 21;

// By the records' ids: these kinds live in libraries above the controllers.
constexpr ZTypeRecord kSpriteRecord{"ZSprite", nullptr};

float FrameDelta()
{
    return float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
}

ZMaterial* MaterialOf(ZNode* node)
{
    auto* geom = ZEntityCast<ZGeom>(node);
    return geom ? static_cast<ZMaterial*>(geom->QueryGeometry()) : nullptr;
}

// Setting a switch is what makes the renderer rebuild the material's state; the texture matrix
// alone does not.
void NotifyChanged(ZMaterial* material)
{
    material->SetSwitch(kSwitchSecondTransform, material->GetSwitch(kSwitchSecondTransform));
}

} // namespace

ZAnimateTexture2D::ZAnimateTexture2D(ZGeom* target) : ZControllerNodeBase(target)
{
    SetUp();
}

ZAnimateTexture2D* ZAnimateTexture2D::Create(ZGeom* target, bool active)
{
    auto* controller = new ZAnimateTexture2D(target);
    if (target)
        target->AddChild(controller);
    controller->SetActive(active);
    return controller;
}

void ZAnimateTexture2D::SetUp()
{
    position = 0.0f;
    lastFrame = -1;
    material = MaterialOf(m_target);
    if (!material)
        return;
    material->SetSwitch(ZMaterial::kSwitchTextureTransform, 1);
    material->SetSwitch(kSwitchSecondTransform, 1);
    if (animTexture)
    {
        material->SetTexture(0, animTexture, true);
    }
    else
    {
        // Only a real strip is adopted: a plain texture has no frames to step through.
        animTexture = ZEntityCast<ZAnimTexture>(material->GetTexture(0));
    }
}

void ZAnimateTexture2D::Start()
{
    SetUp();
    ApplyFrame(0);
}

void ZAnimateTexture2D::Stop()
{
    ApplyFrame(0);
}

void ZAnimateTexture2D::Update()
{
    if (!material || !animTexture || !animTexture->IsLoaded() || !(frameRate > 0.0f))
        return;
    const int32_t count = animTexture->GetFrameCount();
    if (count <= 0)
        return;
    position += FrameDelta() * frameRate;
    ApplyFrame(int32_t(std::fmod(position, float(count))));
    if (stopAt > -1.0f && position / float(count) >= stopAt)
        SetActive(false);
}

void ZAnimateTexture2D::SetPosition(float fraction)
{
    if (!animTexture)
        return;
    ApplyFrame(int32_t(float(animTexture->GetFrameCount()) * fraction));
}

void ZAnimateTexture2D::ApplyFrame(int32_t frame)
{
    if (!material || !animTexture)
        return;
    const int32_t count = animTexture->GetFrameCount();
    if (count <= 0 || frame == lastFrame)
        return;
    lastFrame = frame;
    _M44 m = animTexture->GetFrameMatrix(frame);
    if (animTexture->GetImageWidth() != animTexture->GetTextureWidth() ||
        animTexture->GetImageHeight() != animTexture->GetTextureHeight())
        _M44::Multiply(m, animTexture->GetTextureMatrix(), m);
    material->SetTextureMatrix(0, m);
    NotifyChanged(material);
}

ZTextureUVScroll* ZTextureUVScroll::Create(ZGeom* target)
{
    auto* controller = new ZTextureUVScroll();
    controller->SetTarget(target);
    if (target && target->IsA(kSpriteRecord))
    {
        controller->material = MaterialOf(target);
        if (controller->material)
            controller->material->SetSwitch(ZMaterial::kSwitchTextureTransform, 1);
    }
    else if (auto* object = ZEntityCast<ZGeomObject>(target); object && object->GetPartCount() == 1)
    {
        // Scrolling one material of a many-part primitive would move that part alone.
        controller->material = MaterialOf(target);
        if (controller->material)
            controller->material->SetSwitch(ZMaterial::kSwitchTextureTransform, 0);
    }
    if (controller->material)
        controller->material->SetSwitch(kSwitchSecondTransform, 1);
    ZSceneTree::GetInstance()->AddChild(controller);
    controller->SetActive(true);
    return controller;
}

void ZTextureUVScroll::Update()
{
    if (!material)
        return;
    const float dt = FrameDelta();
    wavePhase.x = std::fmod(wavePhase.x + waveSpeed.x * dt, kTwoPi);
    wavePhase.y = std::fmod(wavePhase.y + waveSpeed.y * dt, kTwoPi);
    offset.x = std::fmod(offset.x + speed.x * dt, 1.0f);
    offset.y = std::fmod(offset.y + speed.y * dt, 1.0f);
    const float tu = std::fmod(std::cos(wavePhase.x) * waveAmplitude.x + offset.x, 1.0f);
    const float tv = std::fmod(std::cos(wavePhase.y) * waveAmplitude.y + offset.y, 1.0f);
    _M44 m;
    m.m[2][0] = tu;
    m.m[2][1] = tv;
    m.m[2][2] = 1.0f;
    m.m[2][3] = 0.0f;
    material->SetTextureMatrix(0, m);
    NotifyChanged(material);
}
