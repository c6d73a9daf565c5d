// The background's decoration: the fan of light beams from the surface and the bubble columns.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZSprite2D.h"
#include "game/decoration/ZBackground.h"

namespace
{
constexpr float kTiny = 1.0f / 8192.0f;
constexpr float kBeamStep = kPi / 32.0f;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

float FrameDelta()
{
    return g_frameTimer ? float(g_frameTimer->frameDelta) : 0.0f;
}

void SetLightBlending(ZMaterial* material)
{
    if (!material)
        return;
    material->SetFilter(true);
    material->SetBlendAdd(true);
    material->SetBoolFlag(true);
}

std::vector<ZBubbles*>& Pool()
{
    static std::vector<ZBubbles*> pool;
    return pool;
}

int g_columnSerial = 0;
} // namespace

// ZSurfaceLight

void ZSurfaceLight::Build()
{
    SetName("surface_light");
    m_beams = ZGroup::CreateNamed("beams_group");
    // Each beam turns its own copy of the material; the picture stays out of the atlas so that the
    // copies sample the whole picture.
    // Its pixels are kept until the dark borders are measured (TrimOnceLoaded), then go as any
    // picture's do.
    ZTexture* picture =
        ZTexture::FindOrLoad("resources:beams.jpg", kTextureNoAtlas | kTextureKeepPixels, kTextureLoadNow);
    m_picture = picture;
    AddChild(m_beams);
    for (int i = 0; i < kBeams; ++i)
    {
        ZGroup* arm = ZGroup::Create();
        arm->SetNameF("beam_%i", i);
        m_beams->AddChild(arm);
        ZSprite2D* beam = picture ? ZSprite2D::CreateFromTexture(picture) : ZSprite2D::CreateFromFile();
        beam->SetNameF("beam_sprite_%i", i);
        beam->MakeOwnMaterial();
        SetLightBlending(beam->GetMaterial());
        beam->SetAlpha(0.35f);
        // The picture's shafts run down from its top edge: hung by that edge and turned a quarter
        // more than its arm, they run out along the arm.
        beam->SetPivot(PIVOT_TOPCENTER);
        arm->AddChild(beam);
        const float r1 = RandomFloat(), r2 = RandomFloat(), r3 = RandomFloat();
        beam->SetPositionXYZ(60.0f + 100.0f * r1, 0.0f, 0.0f);
        m_turns[i] = float(i) * kBeamStep + 0.2f * kPi * r2;
        arm->SetRotationZ(m_turns[i]);
        beam->SetRotationZ(kHalfPi + m_turns[i]);
        beam->SetSpriteScale(V2{0.1f + 0.9f * r3, 1.5f});
        m_sprites[i] = beam;
    }
}

int ZSurfaceLight::DarkBorderColumns(const ZTextureResource* picture)
{
    if (!picture || !picture->GetPixels() || (picture->GetTextureFlags() & kTextureAlphaMap))
        return 0;
    const int w = picture->GetImageWidth(), h = picture->GetImageHeight();
    const int bytes = picture->GetBytesPerPixel();
    // The copy is laid out at the image's size only when no padding was added.
    if (w <= 0 || h <= 0 || bytes <= 0 || w != picture->GetTextureWidth() || h != picture->GetTextureHeight())
        return 0;
    const int alphaByte = PixelFormatAlphaByte(picture->GetPixelFormat());
    const uint8_t* pixels = picture->GetPixels();
    auto columnDark = [&](int x)
    {
        for (int y = 0; y < h; ++y)
        {
            const uint8_t* p = pixels + (size_t(y) * size_t(w) + size_t(x)) * size_t(bytes);
            for (int b = 0; b < bytes; ++b)
                if (b != alphaByte && p[b] != 0)
                    return false;
        }
        return true;
    };
    int left = 0, right = 0;
    while (left < w / 2 && columnDark(left))
        ++left;
    while (right < w / 2 && columnDark(w - 1 - right))
        ++right;
    // Bilinear filtering reads the texel beside a sample's own: two dark columns stay.
    return std::max(0, std::min(left, right) - 2);
}

bool ZSurfaceLight::TrimDarkBorders(ZSprite* sprite, const ZTextureResource* picture, int columns)
{
    ZMaterial* material = sprite ? sprite->GetMaterial() : nullptr;
    if (!material || !picture || columns <= 0 || 2 * columns >= picture->GetImageWidth())
        return false;
    // A texture transform of its own already maps the quad (padding, an atlas page): left alone.
    if (material->GetSwitch(ZMaterial::kSwitchTextureTransform) ||
        (material->IsTextureMatrixSet(0) && !material->GetTextureMatrix(0).IsIdentity()))
        return false;
    const float w = float(picture->GetImageWidth());
    const float kept = w - 2.0f * float(columns);
    const V2 size = sprite->GetSize();
    sprite->SetSize(size.x * kept / w, size.y);
    _M44 mapping;
    mapping.m[0][0] = kept / w;
    mapping.m[2][0] = float(columns) / w;
    material->SetTextureMatrix(0, mapping);
    material->SetSwitch(ZMaterial::kSwitchTextureTransform, 1);
    return true;
}

void ZSurfaceLight::TrimOnceLoaded()
{
    if (m_trimmed || !m_picture || !m_picture->IsLoaded())
        return;
    m_trimmed = true;
    // The shafts leave wide black margins at both sides of the picture: each beam is a tall quad of
    // added light, and the margins were a quarter of the pixels it filled. The sprites took the
    // picture's whole size and mapping when it loaded, so the trim comes after.
    const int dark = DarkBorderColumns(m_picture);
    for (ZSprite* beam : m_sprites)
        TrimDarkBorders(beam, m_picture, dark);
    m_picture->ClearTextureFlags(kTextureKeepPixels);
    if (m_picture->GetRenderTextureId() >= 0)
        m_picture->SetPixels(nullptr);
}

void ZSurfaceLight::AimAt(float x, float y)
{
    V3 from{0.0f, 0.0f, 0.0f};
    LocalToWorld(from);
    V3 d{x - from.x, y - from.y, 0.0f};
    const float length = std::sqrt(d.x * d.x + d.y * d.y);
    if (length < kTiny)
        return;
    d = {d.x / length, d.y / length, 0.0f};
    m_aim = d;
    m_aimAngle = std::atan2(d.y, d.x);
    M33 m;
    m.SetRow(0, d);
    m.SetRow(1, {-d.y, d.x, 0.0f});
    m.SetRow(2, {0.0f, 0.0f, 1.0f});
    SetOrientation(m);
}

void ZSurfaceLight::Update()
{
    ZGroup::Update();
    if (!m_beams)
        return;
    TrimOnceLoaded();
    const float t = float(Now());
    m_angle = std::fmod(m_angle + 0.0125f * FrameDelta(), kTwoPi);
    m_beams->SetRotationZ(m_angle);
    // The beam that now points along the aim (the group's x axis): the fan has turned by the
    // angle, so it is the one whose own turn makes up the rest of the circle.
    const int k = (64 - int(m_angle / kBeamStep)) % 64;
    for (int j = 0; j < kBeams; ++j)
    {
        ZSprite* beam = m_sprites[j];
        if (!beam)
            continue;
        int m = ((j - k) % 64 + 64) % 64;
        if (m > 32)
            m -= 64;
        const float d = float(std::abs(m)) * kBeamStep;
        const float f = std::clamp(1.0f - d / kHalfPi, 0.0f, 1.0f);
        const float waves = (0.4f * std::sin(0.8f * t + 0.12f * d) + 0.2f) +
                            (0.8f * std::sin(0.9f * t + 0.1f * d) + 0.4f) +
                            (0.6f * std::sin(5.3f * t + 0.7f * d) + 0.3f);
        const float alpha = 0.25f * f * std::clamp(waves, 0.0f, 1.0f);
        // A beam is a tall quad of added light: one too faint to see costs as much to fill as the
        // brightest, so it is not drawn.
        if (f < kTiny || alpha < kFaintestBeam)
        {
            beam->SetHidden(true);
            continue;
        }
        beam->SetHidden(false);
        beam->SetRotationZ(kHalfPi + m_turns[j] + m_angle + m_aimAngle);
        beam->SetAlpha(alpha);
    }
}

// ZBubbles

ZBubbles* ZBubbles::Acquire()
{
    std::vector<ZBubbles*>& pool = Pool();
    if (pool.empty())
        return new ZBubbles();
    ZBubbles* column = pool.back();
    pool.pop_back();
    for (ZSprite* sprite : column->m_sprites)
        if (sprite)
            sprite->SetPositionXYZ(0.0f, 0.0f, 0.0f);
    return column;
}

void ZBubbles::Recycle(ZBubbles* column)
{
    if (!column)
        return;
    if (ZNode* parent = column->GetParent())
        parent->RemoveChild(column);
    std::vector<ZBubbles*>& pool = Pool();
    if (pool.size() < kPoolSize)
        pool.push_back(column);
    else
        delete column;
}

void ZBubbles::ClearPool()
{
    for (ZBubbles* column : Pool())
        delete column;
    Pool().clear();
}

void ZBubbles::Build(float depth)
{
    if (m_built)
        return;
    m_built = true;
    m_depth = depth;
    m_nearness = 1.0f - depth;
    const float n = m_nearness;
    SetNameF("bubbles_%i", g_columnSerial++);
    ZMaterial* bubble = ZMaterial::Find("material_bubble");
    for (int i = 0; i < kSprites; ++i)
    {
        ZSprite2D* sprite = ZSprite2D::Create();
        sprite->SetNameF("bubble_%i", i);
        if (bubble)
            sprite->SetMaterial(bubble);
        // Each bubble steps through the strip on its own.
        sprite->MakeOwnMaterial();
        sprite->SetSize(64.0f, 64.0f);
        AddChild(sprite);
        ZAnimateTexture2D* frames = ZAnimateTexture2D::Create(sprite, false);
        frames->SetActive(true);
        m_sprites[i] = sprite;
        m_frames[i] = frames;
    }
    m_emitter = ZParticleEmitterSystem::Create();
    m_emitter->SetName("small_bubbles");
    if (ZMaterial* small = ZMaterial::Find("material_bubble_small"))
        m_emitter->AddTemplate(small);
    m_emitter->SetEmitterSegment(V3{0.0f, 70.0f * n * n, 0.0f}, V3{0.0f, 30.0f * n * n, 0.0f});
    m_emitter->SetParticleCount(100);
    // The small trail rises slowly, spreads a little sideways and fades over a few seconds.
    m_emitter->gravity = V3{0.0f, 20.0f * n, 0.0f};
    m_emitter->particleSize = V2{16.0f, 16.0f};
    m_emitter->sizeMinimum = 0.2f;
    m_emitter->sizeMaximum = std::max(0.3f, 1.5f * n);
    m_emitter->lifeMinimum = n + 0.1f;
    m_emitter->lifeMaximum = 5.0f;
    m_emitter->meanLife = 0.5f * (n + 0.1f + 5.0f);
    m_emitter->speedMinimum = 5.0f;
    m_emitter->speedMaximum = 20.0f;
    m_emitter->jitterX = 12.5f * n;
    m_emitter->drag = 0.8f;
    m_emitter->growthBase = -0.1f;
    m_emitter->SetIntensity(0.8f);
    m_emitter->SetIs2D(true);
    AddChild(m_emitter);
    m_emitter->Activate();
    for (int i = 0; i < kSprites; ++i)
        Respawn(i);
}

void ZBubbles::Respawn(int i)
{
    ZSprite* sprite = GetSprite(i);
    if (!sprite)
        return;
    const float n = m_nearness;
    const float r1 = RandomFloat(), r2 = RandomFloat(), r3 = RandomFloat(), r4 = RandomFloat(), r5 = RandomFloat(),
                r6 = RandomFloat();
    const float w = 75.0f * n;
    const float scale = (0.1f + 0.3f * r1) * n;
    sprite->SetSpriteScale(V2{scale, scale});
    m_baseX[i] = w * (1.0f - 2.0f * r2);
    sprite->SetPositionXYZ(m_baseX[i], -2.0f * w * r4, w * (0.5f - r3));
    if (m_frames[i])
        m_frames[i]->frameRate = 1.0f + 8.0f * r5;
    sprite->SetAlpha((0.6f + 0.4f * r6) * n);
    m_speeds[i] = (30.0f + 60.0f * r1) * n;
}

void ZBubbles::Update()
{
    ZGroup::Update();
    if (!m_built)
        return;
    const float dt = FrameDelta();
    const float top = float(g_renderHeight.GetValue()) + 100.0f;
    float wobble = 0.0f;
    for (int i = 0; i < kSprites; ++i)
    {
        ZSprite* sprite = m_sprites[i];
        if (!sprite)
            continue;
        const float y = sprite->Position().y;
        wobble = std::sin(0.002f * m_speeds[i] * y);
        sprite->SetPositionXYZ(m_baseX[i] + 4.0f * wobble, y + m_speeds[i] * dt, 0.0f);
        if (sprite->Position().y > top)
            Respawn(i);
    }
    if (m_emitter)
        m_emitter->SetPositionXYZ(5.0f * m_nearness * wobble, 0.0f, 1.0f);
}
